#include "tests/support/temp_dir.h"

#include "ipcsim/request_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace vexlo::ipcsim {
namespace {

std::string readAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

RequestRecord request(std::string body, std::uint32_t code = 1012)
{
    RequestRecord record;
    record.serial = "SIM0001";
    record.address = "127.0.1.1";
    record.kind = std::string(request_kind::kSystemControl);
    record.code = code;
    record.body = std::move(body);
    return record;
}

TEST(RequestLog, WritesOneLineARequestAndReadsItBack)
{
    vexlo::test::TempDir dir;
    const auto file = dir / "requests.jsonl";
    {
        RequestLog log(file);
        EXPECT_TRUE(log.append(request("RESPONSE_PARAM")));
        RequestRecord login = request("", 0);
        login.kind = std::string(request_kind::kLogin);
        login.note = "refused by scenario";
        EXPECT_TRUE(log.append(login));
        EXPECT_EQ(log.linesWritten(), 2u);
    }
    const auto records = readRequestLog(file);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].sequence, 1u);
    EXPECT_EQ(records[0].serial, "SIM0001");
    EXPECT_EQ(records[0].address, "127.0.1.1");
    EXPECT_EQ(records[0].kind, "SystemControl");
    EXPECT_EQ(records[0].code, 1012u);
    EXPECT_EQ(records[0].body, "RESPONSE_PARAM");
    EXPECT_TRUE(
        std::regex_match(records[0].time, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")))
        << records[0].time;
    EXPECT_EQ(records[1].sequence, 2u);
    EXPECT_EQ(records[1].kind, "Login");
    EXPECT_EQ(records[1].code, 0u);
    EXPECT_EQ(records[1].body, "");
    EXPECT_EQ(records[1].note, "refused by scenario");
}

TEST(RequestLog, BodiesRoundTripByteForByte)
{
    vexlo::test::TempDir dir;
    const auto file = dir / "requests.jsonl";
    const std::string timeRequest =
        "<REQUEST_PARAM\r\nTime=\"20261207 19:53:56\"\r\nTimeZone=\"4800\"\n/>";
    const std::string gbkChinese = "<REQUEST_PARAM Name=\"\xD6\xD0\xCE\xC4\" />"; // 中文 in GBK
    const std::string utf8Chinese = "Name=\"\xE4\xB8\xAD\xE6\x96\x87\"";          // 中文 in UTF-8
    const std::string withNul("A=\"1\"\0", 6);
    const std::string awkward = "back\\slash \"quote\" \x01\x7F tab\t";
    std::string everyByte;
    for (int b = 0; b < 256; ++b) {
        everyByte.push_back(static_cast<char>(b));
    }
    const std::vector<std::string> bodies = {timeRequest, gbkChinese, utf8Chinese,
                                             withNul,     awkward,    everyByte};
    {
        RequestLog log(file);
        for (const auto& body : bodies) {
            ASSERT_TRUE(log.append(request(body, 222)));
        }
    }
    const auto records = readRequestLog(file);
    ASSERT_EQ(records.size(), bodies.size());
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        EXPECT_EQ(records[i].body, bodies[i]) << "body " << i;
    }
}

TEST(RequestLog, LinesShowTextBodiesAndGbkForPeople)
{
    RequestRecord gbk = request("\xD6\xD0\xCE\xC4");
    const std::string gbkLine = formatRequestLine(gbk);
    EXPECT_NE(gbkLine.find("\"bodyHex\":\"d6d0cec4\""), std::string::npos) << gbkLine;
    EXPECT_NE(gbkLine.find("\"bodyGbk\":\"\xE4\xB8\xAD\xE6\x96\x87\""), std::string::npos)
        << gbkLine;
    EXPECT_EQ(gbkLine.find("\"body\":"), std::string::npos) << gbkLine;

    const std::string textLine = formatRequestLine(request("RESPONSE_PARAM"));
    EXPECT_NE(textLine.find("\"body\":\"RESPONSE_PARAM\""), std::string::npos) << textLine;
    EXPECT_EQ(textLine.find("bodyGbk"), std::string::npos) << textLine;
    EXPECT_EQ(textLine.find('\n'), std::string::npos);
}

TEST(RequestLog, ManyThreadsWriteWholeLinesInSequence)
{
    vexlo::test::TempDir dir;
    const auto file = dir / "requests.jsonl";
    constexpr int kThreads = 8;
    constexpr int kPerThread = 200;
    {
        RequestLog log(file);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&log, t] {
                for (int i = 0; i < kPerThread; ++i) {
                    RequestRecord record = request(std::to_string(i), 1012);
                    record.serial = "CAM" + std::to_string(t);
                    log.append(record);
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(log.linesWritten(), std::uint64_t{kThreads * kPerThread});
    }
    const auto records = readRequestLog(file);
    ASSERT_EQ(records.size(), std::size_t{kThreads * kPerThread});
    std::vector<int> next(kThreads, 0);
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].sequence, i + 1);
        const int thread = std::stoi(records[i].serial.substr(3));
        EXPECT_EQ(records[i].body, std::to_string(next[thread]++));
    }
}

TEST(RequestLog, ReaderLeavesOutAnUnfinishedLastLine)
{
    vexlo::test::TempDir dir;
    const auto file = dir / "requests.jsonl";
    {
        RequestLog log(file);
        log.append(request("one"));
    }
    const std::string whole = readAll(file);
    std::ofstream(file, std::ios::binary | std::ios::app) << whole.substr(0, whole.size() / 2);
    const auto records = readRequestLog(file);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].body, "one");
}

TEST(RequestLog, ReaderNamesTheDamagedLine)
{
    vexlo::test::TempDir dir;
    const auto file = dir / "requests.jsonl";
    {
        RequestLog log(file);
        log.append(request("one"));
    }
    std::ofstream(file, std::ios::binary | std::ios::app) << "{\"seq\":2,\"time\":\n";
    try {
        readRequestLog(file);
        FAIL() << "a damaged line was accepted";
    } catch (const RequestLogError& error) {
        EXPECT_NE(std::string(error.what()).find("line 2"), std::string::npos) << error.what();
    }
    EXPECT_THROW(readRequestLog(dir / "missing.jsonl"), RequestLogError);
}

TEST(RequestLog, ParserRefusesLinesThatAreNotRecords)
{
    const std::string good = formatRequestLine(request("x"));
    EXPECT_NO_THROW(parseRequestLine(good));
    for (
        const std::string& bad :
        {std::string("[]"), std::string("not json"), std::string("{}"),
         std::string(
             R"({"seq":1,"time":"t","serial":"s","address":"a","kind":"k","code":-1,"bodyHex":""})"),
         std::string(
             R"({"seq":1,"time":"t","serial":"s","address":"a","kind":"k","code":1,"bodyHex":"abc"})"),
         std::string(
             R"({"seq":1,"time":"t","serial":"s","address":"a","kind":"k","code":1,"bodyHex":"zz"})"),
         std::string(
             R"({"seq":1,"time":"t","serial":5,"address":"a","kind":"k","code":1,"body":""})"),
         std::string(R"({"seq":1,"time":"t","serial":"s","address":"a","kind":"k","code":1})")}) {
        EXPECT_THROW(parseRequestLine(bad), RequestLogError) << bad;
    }
}

TEST(RequestLog, CannotBeCreatedWhereNoFileCanBe)
{
    vexlo::test::TempDir dir;
    EXPECT_THROW(RequestLog(dir / "no-such-folder" / "requests.jsonl"), RequestLogError);
}

} // namespace
} // namespace vexlo::ipcsim
