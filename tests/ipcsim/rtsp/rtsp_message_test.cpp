#include "parser_checks.h"

#include "ipcsim/rtsp/rtsp_message.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace vexlo::ipcsim::rtsp;

namespace {

using Kind = RequestParser::Kind;

std::vector<RequestParser::Result> parseAll(RequestParser& parser)
{
    std::vector<RequestParser::Result> results;
    for (;;) {
        auto result = parser.next();
        if (result.kind == Kind::NeedMore) {
            return results;
        }
        results.push_back(result);
        if (result.kind == Kind::Error) {
            return results;
        }
    }
}

// The status a request gets when fed whole.
int errorStatusOf(const std::string& text)
{
    RequestParser parser;
    parser.feed(text);
    const auto result = parser.next();
    return result.kind == Kind::Error ? result.status : 0;
}

const std::string kDescribe = "DESCRIBE rtsp://127.0.0.1:8554/main RTSP/1.0\r\n"
                              "CSeq: 2\r\n"
                              "Accept: application/sdp\r\n"
                              "User-Agent: test\r\n"
                              "\r\n";

} // namespace

TEST(RequestParserTest, ReadsRequestsFedOneByteAtATime)
{
    const std::string text = kDescribe + "SET_PARAMETER rtsp://h/main RTSP/1.0\r\n"
                                         "cseq:3\r\ncontent-length: 5\r\n\r\nhello";
    RequestParser parser;
    std::vector<Request> requests;
    for (const char c : text) {
        parser.feed(std::string_view(&c, 1));
        for (auto& result : parseAll(parser)) {
            ASSERT_EQ(result.kind, Kind::Request);
            requests.push_back(result.request);
        }
    }
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "DESCRIBE");
    EXPECT_EQ(requests[0].uri, "rtsp://127.0.0.1:8554/main");
    EXPECT_EQ(requests[0].cseq, "2");
    EXPECT_EQ(requests[0].header("accept"), "application/sdp");
    EXPECT_FALSE(requests[0].header("Session"));
    EXPECT_EQ(requests[1].cseq, "3");
    EXPECT_EQ(requests[1].body, "hello");
    EXPECT_EQ(parser.buffered(), 0u);
}

TEST(RequestParserTest, SkipsInterleavedPacketsAndBareLineFeeds)
{
    std::string text;
    text += std::string("$\x01\x00\x03", 4) + "abc"; // an RTCP report of the client
    text += "GET_PARAMETER rtsp://h/main/ RTSP/1.0\nCSeq: 7\n\n";
    text += std::string("$\x03\x00\x00", 4);
    text += "\r\n" + kDescribe;
    RequestParser parser;
    parser.feed(text.substr(0, 2));
    EXPECT_TRUE(parseAll(parser).empty());
    parser.feed(text.substr(2));
    const auto results = parseAll(parser);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].request.method, "GET_PARAMETER");
    EXPECT_EQ(results[0].request.cseq, "7");
    EXPECT_EQ(results[1].request.method, "DESCRIBE");
}

TEST(RequestParserTest, RefusesBrokenRequestsWithTheirStatus)
{
    EXPECT_EQ(errorStatusOf("OPTIONS * RTSP/1.0\r\n\r\n"), 400) << "no CSeq";
    EXPECT_EQ(errorStatusOf("OPTIONS * RTSP/1.0\r\nCSeq: one\r\n\r\n"), 400);
    EXPECT_EQ(errorStatusOf("OPTIONS * RTSP/1.0\r\nCSeq: 1\r\nCSeq: 2\r\n\r\n"), 400);
    EXPECT_EQ(errorStatusOf("OPTIONS * HTTP/1.1\r\nCSeq: 1\r\n\r\n"), 400);
    EXPECT_EQ(errorStatusOf("OPTIONS * RTSP/2.0\r\nCSeq: 1\r\n\r\n"), 505);
    EXPECT_EQ(errorStatusOf("OPTIONS  RTSP/1.0\r\nCSeq: 1\r\n\r\n"), 400) << "empty URI";
    EXPECT_EQ(errorStatusOf("OPT(ONS * RTSP/1.0\r\nCSeq: 1\r\n\r\n"), 400);
    EXPECT_EQ(errorStatusOf("OPTIONS * RTSP/1.0\r\nCSeq: 1\r\nBad\x01: x\r\n\r\n"), 400);
    EXPECT_EQ(
        errorStatusOf(std::string("OPTIONS * RTSP/1.0\r\nCSeq: 1\r\nX: a") + '\0' + "b\r\n\r\n"),
        400);
    EXPECT_EQ(errorStatusOf("OPTIONS * RTSP/1.0\r\nCSeq: 1\r\n folded\r\n\r\n"), 400);
    EXPECT_EQ(errorStatusOf("OPTIONS * RTSP/1.0\r\nCSeq: 1\r\nno colon\r\n\r\n"), 400);
    EXPECT_EQ(errorStatusOf("SET_PARAMETER * RTSP/1.0\r\nCSeq: 1\r\nContent-Length: -1\r\n\r\n"),
              400);
    EXPECT_EQ(errorStatusOf("SET_PARAMETER * RTSP/1.0\r\nCSeq: 1\r\nContent-Length: 1\r\n"
                            "Content-Length: 2\r\n\r\nab"),
              400);
}

TEST(RequestParserTest, KeepsToItsLimitsWithoutBufferingTheExcess)
{
    const std::string head = "SET_PARAMETER * RTSP/1.0\r\nCSeq: 4\r\n";
    EXPECT_EQ(errorStatusOf(head + "Content-Length: 65537\r\n\r\n"), 413);
    EXPECT_EQ(errorStatusOf(head + "Content-Length: 99999999999999999999999\r\n\r\n"), 413);
    EXPECT_EQ(errorStatusOf(head + "Content-Length: 00065536\r\n\r\n"), 0) << "at the limit";

    RequestParser longLine;
    longLine.feed("OPTIONS rtsp://h/" + std::string(5000, 'a'));
    const auto refused = longLine.next();
    EXPECT_EQ(refused.kind, Kind::Error);
    EXPECT_EQ(refused.status, 414);
    EXPECT_EQ(longLine.buffered(), 0u);
    longLine.feed(kDescribe);
    EXPECT_EQ(longLine.next().status, 414) << "an error stays";

    std::string manyHeaders = head;
    while (manyHeaders.size() < kMaxHeaderBytes) {
        manyHeaders += "X-Filler: " + std::string(100, 'f') + "\r\n";
    }
    const auto result = [&] {
        RequestParser parser;
        parser.feed(manyHeaders);
        return parser.next();
    }();
    EXPECT_EQ(result.kind, Kind::Error);
    EXPECT_EQ(result.status, 400);
    EXPECT_EQ(result.cseq, "") << "the CSeq is only taken once the headers are complete";
}

TEST(RequestParserTest, ErrorsAfterTheHeadersKeepTheCSeqForTheAnswer)
{
    RequestParser parser;
    parser.feed("SET_PARAMETER * RTSP/1.0\r\nCSeq: 12\r\nContent-Length: 70000\r\n\r\n");
    const auto result = parser.next();
    EXPECT_EQ(result.status, 413);
    EXPECT_EQ(result.cseq, "12");
}

TEST(RequestParserTest, SurvivesRandomAndMutatedInput)
{
    std::mt19937 random(20240611);
    const std::string sample =
        kDescribe + std::string("$\x00\x00\x02zz", 6) +
        "SETUP rtsp://h/main/trackID=0 RTSP/1.0\r\nCSeq: 3\r\n"
        "Transport: RTP/AVP/TCP;interleaved=0-1\r\nContent-Length: 3\r\n\r\nabc";
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> bytes;
        if (round % 2 == 0) {
            bytes.resize(random() % 2000);
            for (auto& byte : bytes) {
                // Mostly text-like bytes, so some inputs get past the first line.
                byte = static_cast<std::uint8_t>(random() % 4 == 0 ? random() % 256
                                                                   : " :\r\n$0aZ"[random() % 9]);
            }
        } else {
            bytes.assign(sample.begin(), sample.end());
            for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips) {
                bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random() % 256);
            }
        }
        const auto problem =
            rtsptest::checkParserInput(bytes, static_cast<std::uint32_t>(random()));
        ASSERT_EQ(problem, "") << "round " << round;
    }
    const std::vector<std::uint8_t> clean(sample.begin(), sample.end());
    EXPECT_EQ(rtsptest::checkParserInput(clean, 1), "");
}

TEST(ResponseTest, SerializesWithLengthAndNoInjectedLines)
{
    Response response(461);
    response.add("CSeq", "5\r\nX-Evil: 1").setBody("text/plain", "no");
    EXPECT_EQ(response.serialize(), "RTSP/1.0 461 Unsupported Transport\r\n"
                                    "CSeq: 5X-Evil: 1\r\n"
                                    "Content-Type: text/plain\r\n"
                                    "Content-Length: 2\r\n"
                                    "\r\nno");
    EXPECT_EQ(Response(200).serialize(), "RTSP/1.0 200 OK\r\n\r\n");
    EXPECT_EQ(reasonPhrase(454), "Session Not Found");
}
