#include "tests/support/temp_dir.h"

#include "ipcsim/scenario_json.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vexlo::ipcsim {
namespace {

std::string parseError(const std::string& json)
{
    try {
        parseScenario(json);
    } catch (const ScenarioError& error) {
        return error.what();
    }
    return {};
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A site of one camera with `fields` added to its entry.
std::string oneCamera(const std::string& fields)
{
    return R"({"cameras": [{"serial": "SIM0001", "address": "127.0.1.1")" +
           (fields.empty() ? "" : ", " + fields) + "}]}";
}

TEST(ScenarioJson, ReadsEveryFieldAndFault)
{
    const Scenario scenario = parseScenario(R"({
        "note": "everything set",
        "cameras": [{
            "serial": "SIM0001", "mac": "00:1A:2B:3C:4D:5E", "address": "127.0.1.1",
            "netmask": "255.255.0.0", "gateway": "127.0.0.254", "port": 8123,
            "type": "IPC-D", "user": "root", "password": "p\u00e9ss",
            "firmwareVersion": "V5.1.0", "versionAnswer": "FileSystemVersion=\"{version}\"",
            "storage": {"sd1": 0, "sd2": 15000, "usb": 64000},
            "rebootSeconds": 30, "formatSeconds": 4.5, "firmwareCheckSeconds": 12,
            "playParam": -3, "factoryAddress": "192.168.1.123", "note": "the odd one",
            "faults": {
                "loginRefused": true,
                "refuseCodes": [325, 1005], "ignoreCodes": [1012],
                "answerDelay": {"1014": 2.5, "1017": 0},
                "uploadStallAtPercent": 40,
                "refuseFirmware": true, "neverBackAfterReboot": true,
                "refuseModifyIp": true, "dropSessionAfterSeconds": 5
            }
        }, {
            "serial": "SIM0002", "address": "127.0.1.2",
            "faults": {"loginNeverConfirmed": true, "uploadFailAtPercent": 60}
        }]
    })");
    ASSERT_EQ(scenario.cameras.size(), 2u);
    const CameraSetup& c = scenario.cameras[0];
    EXPECT_EQ(c.serial, "SIM0001");
    EXPECT_EQ(c.mac, "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(c.address, "127.0.1.1");
    EXPECT_EQ(c.netmask, "255.255.0.0");
    EXPECT_EQ(c.gateway, "127.0.0.254");
    EXPECT_EQ(c.port, 8123);
    EXPECT_EQ(c.type, "IPC-D");
    EXPECT_EQ(c.user, "root");
    EXPECT_EQ(c.password, "p\xC3\xA9ss");
    EXPECT_EQ(c.firmwareVersion, "V5.1.0");
    EXPECT_EQ(c.versionAnswerFor(c.firmwareVersion), "FileSystemVersion=\"V5.1.0\"");
    EXPECT_EQ(c.storage.sd1, 0);
    EXPECT_EQ(c.storage.sd2, 15000);
    EXPECT_EQ(c.storage.usb, 64000);
    EXPECT_EQ(c.rebootSeconds, 30);
    EXPECT_EQ(c.formatSeconds, 4.5);
    EXPECT_EQ(c.firmwareCheckSeconds, 12);
    EXPECT_EQ(c.playParam, -3);
    EXPECT_EQ(c.factoryAddress, "192.168.1.123");
    EXPECT_TRUE(c.faults.loginRefused);
    EXPECT_FALSE(c.faults.loginNeverConfirmed);
    EXPECT_EQ(c.faults.refusedCodes, (std::set<CommandCode>{325, 1005}));
    EXPECT_TRUE(c.faults.refuses(1005));
    EXPECT_TRUE(c.faults.ignores(1012));
    EXPECT_EQ(c.faults.answerDelay(1014), 2.5);
    EXPECT_EQ(c.faults.answerDelay(1017), 0);
    EXPECT_EQ(c.faults.uploadStallPercent, 40);
    EXPECT_FALSE(c.faults.uploadFailPercent.has_value());
    EXPECT_TRUE(c.faults.firmwareRefused);
    EXPECT_TRUE(c.faults.neverBackAfterReboot);
    EXPECT_TRUE(c.faults.modifyIpRefused);
    EXPECT_EQ(c.faults.dropSessionAfterSeconds, 5);

    const CameraSetup& second = scenario.cameras[1];
    EXPECT_TRUE(second.faults.loginNeverConfirmed);
    EXPECT_EQ(second.faults.uploadFailPercent, 60);
    EXPECT_EQ(second.mac, "02:00:7F:00:01:02") << "derived from the address";
    EXPECT_EQ(second.port, 8000);
}

TEST(ScenarioJson, EntriesOverrideTheDefaultsKeyByKey)
{
    const Scenario scenario = parseScenario(R"({
        "defaults": {
            "type": "IPC-X", "user": "installer", "firmwareVersion": "V4.0",
            "storage": {"sd1": 1000, "sd2": 2000},
            "faults": {"refuseCodes": [325], "answerDelay": {"1012": 1}}
        },
        "cameras": [
            {"serial": "A", "address": "127.0.1.1"},
            {"serial": "B", "address": "127.0.1.2", "type": "NVR",
             "storage": {"sd1": 0},
             "faults": {"ignoreCodes": [1012], "answerDelay": null}},
            {"serial": "C", "address": "127.0.1.3", "user": null, "faults": null}
        ]
    })");
    ASSERT_EQ(scenario.cameras.size(), 3u);
    const CameraSetup& a = scenario.cameras[0];
    EXPECT_EQ(a.type, "IPC-X");
    EXPECT_EQ(a.user, "installer");
    EXPECT_EQ(a.firmwareVersion, "V4.0");
    EXPECT_EQ(a.storage.sd1, 1000);
    EXPECT_EQ(a.storage.sd2, 2000);
    EXPECT_EQ(a.storage.usb, 0);
    EXPECT_TRUE(a.faults.refuses(325));
    EXPECT_EQ(a.faults.answerDelay(1012), 1);

    const CameraSetup& b = scenario.cameras[1];
    EXPECT_EQ(b.type, "NVR");
    EXPECT_EQ(b.user, "installer");
    EXPECT_EQ(b.storage.sd1, 0) << "the entry's key wins";
    EXPECT_EQ(b.storage.sd2, 2000) << "the other keys come from the defaults";
    EXPECT_TRUE(b.faults.refuses(325));
    EXPECT_TRUE(b.faults.ignores(1012));
    EXPECT_EQ(b.faults.answerDelay(1012), 0) << "null removed the default delay";

    const CameraSetup& c = scenario.cameras[2];
    EXPECT_EQ(c.user, "admin") << "null restores the built-in value";
    EXPECT_FALSE(c.faults.refuses(325));
}

TEST(ScenarioJson, GeneratedBlocksMakeManyCameras)
{
    const Scenario scenario = parseScenario(R"({
        "defaults": {"firmwareVersion": "V5.0", "rebootSeconds": 20},
        "cameras": [
            {"count": 250, "serial": "BULK{n:4}", "address": "127.0.2.1",
             "mac": "00:AA:00:00:00:01", "faults": {"answerDelay": {"1012": 0.5}}},
            {"count": 3, "start": 7, "serial": "NVR-{n}", "address": "127.0.9.1", "type": "NVR"},
            {"serial": "SOLO", "address": "127.0.10.1"}
        ]
    })");
    ASSERT_EQ(scenario.cameras.size(), 254u);
    EXPECT_EQ(scenario.cameras[0].serial, "BULK0001");
    EXPECT_EQ(scenario.cameras[249].serial, "BULK0250");
    EXPECT_EQ(scenario.cameras[249].address, "127.0.2.250");
    EXPECT_EQ(scenario.cameras[249].mac, "00:AA:00:00:00:FA");
    EXPECT_EQ(scenario.cameras[249].rebootSeconds, 20);
    EXPECT_EQ(scenario.cameras[249].faults.answerDelay(1012), 0.5);
    EXPECT_EQ(scenario.cameras[250].serial, "NVR-7");
    EXPECT_EQ(scenario.cameras[252].serial, "NVR-9");
    EXPECT_EQ(scenario.cameras[252].address, "127.0.9.3");
    EXPECT_EQ(scenario.cameras[252].mac, "02:00:7F:00:09:03");
    EXPECT_EQ(scenario.cameras[252].type, "NVR");
    EXPECT_EQ(scenario.cameras[253].serial, "SOLO");
}

TEST(ScenarioJson, BadJsonSaysWhere)
{
    const std::string error = parseError("{\"cameras\": [\n{\"serial\": \"A\",, }]}");
    EXPECT_TRUE(contains(error, "not valid JSON")) << error;
    EXPECT_TRUE(contains(error, "line 2")) << error;
    EXPECT_FALSE(contains(error, "[json.exception")) << error;
    EXPECT_TRUE(contains(parseError(""), "not valid JSON"));
    EXPECT_TRUE(contains(parseError("[1, 2]"), "JSON object"));
    EXPECT_TRUE(contains(parseError("{}"), "\"cameras\""));
    EXPECT_TRUE(contains(parseError(R"({"cameras": {}})"), "\"cameras\""));
    EXPECT_EQ(parseError(R"({"cameras": []})"), "the scenario has no cameras");
    EXPECT_TRUE(contains(parseError(R"({"cameras": [], "camera": []})"), "\"camera\""));
}

TEST(ScenarioJson, ErrorsNameTheEntryAndTheField)
{
    std::string error = parseError(oneCamera(R"("adress": "127.0.1.2")"));
    EXPECT_TRUE(contains(error, "cameras[0] (serial \"SIM0001\")")) << error;
    EXPECT_TRUE(contains(error, "\"adress\"")) << error;

    error = parseError(oneCamera(R"("port": "8000")"));
    EXPECT_TRUE(contains(error, "\"port\"")) << error;
    EXPECT_TRUE(contains(parseError(oneCamera(R"("port": 70000)")), "1 to 65535"));
    EXPECT_TRUE(contains(parseError(oneCamera(R"("port": 80.5)")), "\"port\""));
    EXPECT_TRUE(contains(parseError(oneCamera(R"("rebootSeconds": "40")")), "rebootSeconds"));
    EXPECT_TRUE(contains(parseError(oneCamera(R"("storage": {"sd3": 1})")), "sd3"));
    EXPECT_TRUE(
        contains(parseError(oneCamera(R"("storage": {"sd1": 3000000000})")), "storage.sd1"));
    EXPECT_TRUE(
        contains(parseError(oneCamera(R"("faults": {"refuseFirmwar": true})")), "refuseFirmwar"));
    EXPECT_TRUE(
        contains(parseError(oneCamera(R"("faults": {"loginRefused": 1})")), "faults.loginRefused"));
    EXPECT_TRUE(contains(parseError(oneCamera(R"("faults": {"refuseCodes": 1012})")),
                         "faults.refuseCodes"));
    EXPECT_TRUE(contains(parseError(oneCamera(R"("faults": {"answerDelay": {"version": 3}})")),
                         "\"version\""));
    EXPECT_TRUE(contains(parseError(oneCamera(R"("faults": {"uploadFailAtPercent": 150})")),
                         "uploadFailAtPercent"));
    EXPECT_TRUE(contains(parseError(oneCamera(R"("start": 3)")), "count"));
    EXPECT_TRUE(contains(parseError(R"({"cameras": [{"address": "127.0.1.1"}]})"),
                         "\"serial\" is missing"));
    EXPECT_TRUE(
        contains(parseError(R"({"cameras": [{"serial": "A"}]})"), "\"address\" is missing"));
    EXPECT_TRUE(contains(parseError(R"({"cameras": [7]})"), "cameras[0] must be an object"));
}

TEST(ScenarioJson, ProtocolAndOnvifPorts)
{
    const Scenario scenario = parseScenario(R"({"cameras": [
        {"serial": "A", "address": "127.0.1.1"},
        {"serial": "B", "address": "127.0.1.2", "protocol": "onvif", "onvifPort": 80, "rtspPort": 554},
        {"serial": "C", "address": "127.0.1.3", "protocol": "both"}
    ]})");
    EXPECT_EQ(scenario.cameras[0].protocol, CameraProtocol::Vexlo);
    EXPECT_FALSE(scenario.cameras[0].speaksOnvif());
    EXPECT_EQ(scenario.cameras[1].protocol, CameraProtocol::Onvif);
    EXPECT_FALSE(scenario.cameras[1].speaksVexlo());
    EXPECT_EQ(scenario.cameras[1].onvifPort, 80);
    EXPECT_EQ(scenario.cameras[1].rtspPort, 554);
    EXPECT_TRUE(scenario.cameras[2].speaksVexlo() && scenario.cameras[2].speaksOnvif());
    EXPECT_EQ(scenario.cameras[2].onvifPort, kDefaultOnvifPort);
    EXPECT_EQ(scenario.cameras[2].rtspPort, kDefaultRtspPort);

    EXPECT_TRUE(contains(parseError(oneCamera(R"("protocol": "ONVIF")")), "\"protocol\""));
    EXPECT_TRUE(contains(parseError(oneCamera(R"("onvifPort": 0)")), "\"onvifPort\""));
    // Every server of a camera shares its one address, so their ports must differ.
    EXPECT_TRUE(
        contains(parseError(oneCamera(R"("protocol": "both", "onvifPort": 8000)")), "must differ"));
    EXPECT_TRUE(
        contains(parseError(oneCamera(R"("protocol": "onvif", "rtspPort": 8080)")), "must differ"));
    // The home port is unused by an ONVIF-only camera, so it may be anything.
    EXPECT_NO_THROW(
        parseScenario(oneCamera(R"("protocol": "onvif", "port": 8080, "onvifPort": 80)")));
}

TEST(ScenarioJson, RefusesNonLoopbackAndDuplicateAddresses)
{
    std::string error = parseError(R"({"cameras": [
        {"serial": "GOOD", "address": "127.0.1.1"},
        {"serial": "LAN", "address": "192.168.1.64"}]})");
    EXPECT_TRUE(contains(error, "cameras[1] (serial \"LAN\")")) << error;
    EXPECT_TRUE(contains(error, "192.168.1.64")) << error;
    EXPECT_TRUE(contains(error, "loopback")) << error;

    error = parseError(R"({"cameras": [
        {"serial": "ONE", "address": "127.0.1.1"},
        {"serial": "TWO", "address": "127.0.1.1"}]})");
    EXPECT_TRUE(contains(error, "\"TWO\"")) << error;
    EXPECT_TRUE(contains(error, "\"ONE\"")) << error;
    EXPECT_TRUE(contains(error, "127.0.1.1")) << error;

    error = parseError(R"({"cameras": [
        {"count": 5, "serial": "G{n}", "address": "127.0.1.1"},
        {"serial": "LATE", "address": "127.0.1.4"}]})");
    EXPECT_TRUE(contains(error, "\"LATE\"")) << error;
    EXPECT_TRUE(contains(error, "\"G4\"")) << error;
}

TEST(ScenarioJson, GeneratedBlockErrorsNameTheBlock)
{
    std::string error = parseError(R"({"cameras": [
        {"serial": "A", "address": "127.0.0.1"},
        {"count": 10, "serial": "NOPATTERN", "address": "127.0.1.1"}]})");
    EXPECT_TRUE(contains(error, "cameras[1]")) << error;
    EXPECT_TRUE(contains(error, "{n}")) << error;

    error = parseError(
        R"({"cameras": [{"count": 10, "serial": "S{n}", "address": "127.255.255.250"}]})");
    EXPECT_TRUE(contains(error, "leaves 127.0.0.0/8")) << error;
    EXPECT_TRUE(contains(
        parseError(R"({"cameras": [{"count": 0, "serial": "S{n}", "address": "127.0.1.1"}]})"),
        "count"));
    error = parseError(
        R"({"cameras": [{"count": 3, "serial": "S{n}", "address": "127.0.1.1", "type": ""}]})");
    EXPECT_TRUE(contains(error, "generated camera 1 of 3")) << error;
    EXPECT_TRUE(contains(error, "type")) << error;
}

TEST(ScenarioJson, DefaultsAreCheckedOnce)
{
    EXPECT_TRUE(contains(parseError(R"({"defaults": {"count": 3}, "cameras": []})"),
                         "defaults: field \"count\""));
    EXPECT_TRUE(contains(parseError(R"({"defaults": {"prot": 1}, "cameras": []})"),
                         "defaults: unknown field \"prot\""));
    EXPECT_TRUE(contains(parseError(R"({"defaults": {"port": "x"}, "cameras": []})"),
                         "defaults: field \"port\""));
    EXPECT_TRUE(contains(parseError(R"({"defaults": [], "cameras": []})"), "defaults"));
}

TEST(ScenarioJson, LoadsFilesAndNamesThemInErrors)
{
    vexlo::test::TempDir dir;
    const auto good = dir / "good.json";
    std::ofstream(good) << oneCamera("");
    EXPECT_EQ(loadScenario(good).cameras.size(), 1u);

    const auto bad = dir / "bad.json";
    std::ofstream(bad) << oneCamera(R"("address": "10.1.1.1")");
    try {
        loadScenario(bad);
        FAIL() << "accepted a bad scenario";
    } catch (const ScenarioError& error) {
        EXPECT_TRUE(contains(error.what(), bad.string())) << error.what();
    }
    EXPECT_THROW(loadScenario(dir / "missing.json"), ScenarioError);
}

} // namespace
} // namespace vexlo::ipcsim
