// vexlo-cli against the vexlo-ipcsim program: one site of a healthy and a
// faulty camera per instruction, both programs at a high time scale.
#include "cli_site.h"

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace cli_test;

namespace {

const std::string kHealthy = R"("serial": "OK0001")";

std::string faulty(const std::string& more)
{
    return R"("serial": "BAD0001", )" + more;
}

// The rows of a CSV file as Python's csv module reads it (strict), one line
// per record with its fields joined by the unit separator; empty when Python
// could not read it.
std::string readCsvWithPython(const fs::path& file)
{
    const std::string script = "import csv, sys\n"
                               "raw = open(sys.argv[1], 'rb').read()\n"
                               "assert raw.startswith(b'\\xef\\xbb\\xbf'), 'no byte order mark'\n"
                               "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                               "    for row in csv.reader(f, strict=True):\n"
                               "        print('\\x1f'.join(row))\n";
    const fs::path scriptFile = file.parent_path() / "read_csv.py";
    std::ofstream(scriptFile) << script;
    const std::string command = "python3 '" + scriptFile.string() + "' '" + file.string() + "'";
    std::string rows;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            rows.append(buffer, n);
        if (::pclose(pipe) != 0)
            rows.clear();
    }
    return rows;
}

std::vector<std::vector<std::string>> records(const std::string& rows)
{
    std::vector<std::vector<std::string>> found;
    std::istringstream lines(rows);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t end; (end = line.find('\x1f', start)) != std::string::npos;
             start = end + 1)
            fields.push_back(line.substr(start, end - start));
        fields.push_back(line.substr(start));
        found.push_back(std::move(fields));
    }
    return found;
}

} // namespace

TEST_F(CliEndToEnd, SearchListsCamerasButNeverARecorder)
{
    startSite({kHealthy, faulty(R"("type": "NVR")"), R"("serial": "OK0002")"});
    const CliRun run = cli({"--search", "--expect", "2"});
    EXPECT_EQ(run.status, 0) << dump(run);
    EXPECT_EQ(run.starting("action"),
              (std::vector<std::string>{"action\t正在搜索", "action\t执行结束"}));
    ASSERT_EQ(run.starting("device").size(), 2u) << dump(run);
    EXPECT_EQ(run.device("OK0001"), (std::vector<std::string>{address(1), run.device("OK0001")[1],
                                                              "OK0001", "IPC", "", "", ""}));
    EXPECT_TRUE(run.device("BAD0001").empty());
    // done comes right before the device lines.
    EXPECT_EQ(run.lines[run.lines.size() - 3], "done");
}

TEST_F(CliEndToEnd, SearchShortOfTheExpectedCountFails)
{
    startSite({kHealthy});
    const CliRun run = cli({"--search", "--expect", "2", "--answer", "no"});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("ask\t搜索到的IPC数量与设备升级数量不一致，是否继续搜索？\tno"))
        << dump(run);
    EXPECT_EQ(run.starting("device").size(), 1u);
}

TEST_F(CliEndToEnd, ModifyIpStopsWhenACameraIgnoresIt)
{
    startSite({kHealthy, faulty(R"("faults": {"refuseModifyIp": true})")});
    const CliRun run = cli({"--modify-ip", "--expect", "2", "--sync-time"});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("box\t设备IP修改失败，升级停止")) << dump(run);
    EXPECT_EQ(run.status6("BAD0001"), "修改IP失败");
    EXPECT_EQ(run.status6("OK0001"), "修改IP成功");
    EXPECT_FALSE(run.has("action\t正在设置时间")); // the run stopped
}

TEST_F(CliEndToEnd, ModifyIpOfHealthyCamerasGoesOn)
{
    startSite({kHealthy, R"("serial": "OK0002")"});
    const CliRun run = cli({"--modify-ip", "--expect", "2"});
    EXPECT_EQ(run.status, 0) << dump(run);
    EXPECT_EQ(run.status6("OK0001"), "修改IP成功");
    EXPECT_EQ(run.status6("OK0002"), "修改IP成功");
}

TEST_F(CliEndToEnd, UpgradeReportsTheRefusedFirmware)
{
    startSite({kHealthy, faulty(R"("faults": {"refuseFirmware": true})")});
    const std::string file = firmware("V6.0.0");
    const CliRun run = cli({"--expect", "2", "--upgrade", file});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("ask\t升级完成, 总共:2, 成功:1, 失败:1。是否播放视频来找出这些设备?\tno"))
        << dump(run);
    EXPECT_TRUE(run.has("row\tOK0001\t4\tV5.2.0"));
    EXPECT_TRUE(run.has("row\tOK0001\t5\tV6.0.0"));
    EXPECT_TRUE(run.has("row\tOK0001\t6\t升级成功"));
    EXPECT_EQ(run.device("OK0001")[5], "V6.0.0");
    EXPECT_EQ(run.status6("OK0001"), "升级成功");
    EXPECT_EQ(run.status6("BAD0001"), "该文件不能升级");
}

TEST_F(CliEndToEnd, ReportOfTheRunReadsBackAsCsvAndAFailedWriteSaysSo)
{
    startSite(
        {kHealthy, faulty(R"("type": "=IPC, \"dome\"", "faults": {"refuseFirmware": true})")});
    const fs::path report = m_directory / "site report.csv";
    const CliRun run =
        cli({"--expect", "2", "--upgrade", firmware("V6.0.0"), "--report", report.string()});
    EXPECT_EQ(run.status, 1) << dump(run);

    const auto rows = records(readCsvWithPython(report));
    ASSERT_EQ(rows.size(), 3u) << "a head and one line per camera";
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"IP地址", "物理地址", "序列号", "设备类型", "升级前版本号",
                                        "升级后版本号", "状态信息", "导出时间"}));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 8u);
        const std::vector<std::string> listed = run.device(rows[i][2]);
        ASSERT_EQ(listed.size(), 7u) << rows[i][2];
        for (std::size_t field = 0; field < 7; ++field) {
            // A camera's text that a spreadsheet would take for a formula is
            // kept as text.
            const std::string expected =
                listed[field].rfind('=', 0) == 0 ? "'" + listed[field] : listed[field];
            EXPECT_EQ(rows[i][field], expected) << rows[i][2] << " field " << field;
        }
        EXPECT_EQ(rows[i][7].size(), 19u) << "YYYY-MM-DD HH:MM:SS: " << rows[i][7];
    }
    EXPECT_EQ(run.device("BAD0001")[3], "=IPC, \"dome\"");
    EXPECT_EQ(run.device("OK0001")[5], "V6.0.0");

    // A report that cannot be written fails the run and says why; nothing is left.
    const fs::path nowhere = m_directory / "missing" / "report.csv";
    const CliRun lost = cli({"--search", "--expect", "2", "--report", nowhere.string()});
    EXPECT_EQ(lost.status, 1);
    EXPECT_NE(lost.errors.find("无法把列表保存到 " + nowhere.string()), std::string::npos)
        << lost.errors;
    EXPECT_FALSE(fs::exists(nowhere.parent_path()));
}

TEST_F(CliEndToEnd, UpgradeOfTheHealthyCameraOnlySucceedsInEnglish)
{
    startSite({kHealthy, faulty(R"("faults": {"refuseFirmware": true})")});
    const std::string file = firmware("V6.0.0");
    const CliRun run =
        cli({"--expect", "2", "--upgrade", file, "--only", "OK0001", "--lang", "en"});
    EXPECT_EQ(run.status, 0) << dump(run);
    EXPECT_TRUE(run.starting("ask").empty());
    EXPECT_EQ(
        run.starting("action"),
        (std::vector<std::string>{"action\tSearching", "action\tUpgrading", "action\tComplete"}));
    EXPECT_EQ(run.status6("OK0001"), "upgrade scuccess");
    EXPECT_EQ(run.status6("BAD0001"), "");
}

TEST_F(CliEndToEnd, TimeSyncCountsTheRefusal)
{
    startSite({kHealthy, faulty(R"("faults": {"refuseCodes": [1005]})")});
    const CliRun run = cli({"--expect", "2", "--sync-time"});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("box\t同步时间完成, 总共:2，成功:1 失败:1。")) << dump(run);
    EXPECT_EQ(run.status6("OK0001"), "同步时间成功");
    EXPECT_EQ(run.status6("BAD0001"), "同步时间失败");
}

TEST_F(CliEndToEnd, FormatsOfTheThreeDisks)
{
    startSite({R"("serial": "OK0001", "storage": {"sd1": 1000, "sd2": 2000, "usb": 3000})",
               faulty(R"("storage": {"sd1": 0, "sd2": 0, "usb": 0})")});
    const CliRun run = cli({"--expect", "2", "--format", "sd1", "--format", "sd2", "--format",
                            "usb", "--answer", "yes"});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("ask\tSD1 格式化完成, 总共:2，成功:1 失败:1。是否继续操作？\tyes"))
        << dump(run);
    EXPECT_TRUE(run.has("ask\tSD2 格式化完成, 总共:2，成功:1 失败:1。是否继续操作？\tyes"));
    EXPECT_TRUE(run.has("box\tUSB 格式化完成, 总共:2，成功:1 失败:1。"));
    for (const char* action :
         {"action\t正在格式化SD1", "action\t正在格式化SD2", "action\t正在格式化USB"})
        EXPECT_TRUE(run.has(action)) << action;
    EXPECT_EQ(run.status6("OK0001"), "USB格式化成功");
    EXPECT_EQ(run.status6("BAD0001"), "USB 未挂载");
}

TEST_F(CliEndToEnd, FormatQuestionAnsweredNoStopsTheRun)
{
    startSite({kHealthy, faulty(R"("storage": {"sd1": 0})")});
    const CliRun run = cli({"--expect", "2", "--format", "sd1", "--reboot"});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("ask\tSD1 格式化完成, 总共:2，成功:1 失败:1。是否继续操作？\tno"));
    EXPECT_FALSE(run.has("action\t正在重启设备"));
}

TEST_F(CliEndToEnd, RestoreOfACameraThatRefusesTheLogin)
{
    startSite({kHealthy, faulty(R"("faults": {"loginRefused": true})")});
    const CliRun run = cli({"--expect", "2", "--restore"});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("box\t恢复出厂设置完成, 总共:2，成功:1 失败:1。")) << dump(run);
    EXPECT_EQ(run.status6("OK0001"), "恢复出厂设置成功");
}

TEST_F(CliEndToEnd, RebootOfACameraThatRefusesTheLogin)
{
    startSite({kHealthy, faulty(R"("faults": {"loginRefused": true})")});
    const CliRun run = cli({"--expect", "2", "--reboot", "--lang", "en"});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("box\tFinished rebooting the devices，Success:1 Failed:1。")) << dump(run);
    EXPECT_EQ(run.status6("OK0001"), "reboot device OK");

    const CliRun healthy = cli({"--expect", "2", "--reboot", "--only", "OK0001"});
    EXPECT_EQ(healthy.status, 0) << dump(healthy);
    EXPECT_TRUE(healthy.starting("box").empty());
}

TEST_F(CliEndToEnd, OtherSettingsFailForACameraThatRefusesTheLogin)
{
    startSite({kHealthy, faulty(R"("faults": {"loginRefused": true})")});
    const CliRun run = cli({"--expect", "2", "--other-settings"});
    EXPECT_EQ(run.status, 1) << dump(run);
    EXPECT_TRUE(run.has("action\t其它设置")) << dump(run);
    EXPECT_EQ(run.status6("BAD0001"), "登录设备失败");
    EXPECT_TRUE(run.has("row\tOK0001\t6\t登录设备成功"));

    const CliRun healthy = cli({"--expect", "2", "--other-settings", "--only", "OK0001"});
    EXPECT_EQ(healthy.status, 0) << dump(healthy);
}

TEST_F(CliEndToEnd, BadOptionsExitWithTwo)
{
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--format", "floppy"},
          {"--expect", "0"},
          {"--answer"},
          {"--restore", "--other-settings"},
          {"--format-timeout", "11"},
          {"--lang", "fr"},
          {"--search-port", "http"},
          {"--bogus"}}) {
        ChildProcess program;
        std::vector<std::string> argv{VEXLO_CLI_PATH};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        ASSERT_TRUE(program.start(argv));
        EXPECT_EQ(program.readAll(10s), "");
        EXPECT_EQ(program.wait(10s), 2) << arguments[0];
        EXPECT_EQ(program.errors().rfind("vexlo-cli: ", 0), 0u) << program.errors();
    }
}

TEST_F(CliEndToEnd, HelpNamesEveryOption)
{
    ChildProcess program;
    ASSERT_TRUE(program.start({VEXLO_CLI_PATH, "--help"}));
    const std::string help = program.readAll(10s);
    EXPECT_EQ(program.wait(10s), 0);
    for (const char* option : {"--expect",
                               "--search",
                               "--modify-ip",
                               "--upgrade",
                               "--sync-time",
                               "--format ",
                               "--format-timeout",
                               "--restore",
                               "--reboot",
                               "--other-settings",
                               "--config",
                               "--lang",
                               "--answer",
                               "--only",
                               "--search-port",
                               "--lan",
                               "VEXLO_SEARCH_PORT",
                               "--protocol",
                               "--credentials",
                               "--discovery-port",
                               "VEXLO_DISCOVERY_PORT",
                               "--help",
                               "--version"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}
