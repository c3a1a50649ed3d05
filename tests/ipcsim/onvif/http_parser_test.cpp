#include "ipcsim/onvif/http_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vexlo::ipcsim::onvif;
using namespace std::string_literals;

namespace {

struct Parsed
{
    std::vector<HttpRequest> requests;
    int errorStatus = 0;
};

// Feeds `input` in pieces of `pieceSize` bytes and collects every request.
Parsed parse(std::string_view input, std::size_t pieceSize = 1 << 30, HttpLimits limits = {})
{
    HttpRequestParser parser(limits);
    Parsed parsed;
    while (!input.empty()) {
        std::string_view piece = input.substr(0, std::min(pieceSize, input.size()));
        input.remove_prefix(piece.size());
        while (!piece.empty()) {
            piece.remove_prefix(parser.feed(piece));
            if (parser.failed()) {
                parsed.errorStatus = parser.errorStatus();
                return parsed;
            }
            if (parser.complete()) {
                parsed.requests.push_back(parser.take());
            }
        }
    }
    return parsed;
}

int statusOf(std::string_view input, HttpLimits limits = {})
{
    return parse(input, 1 << 30, limits).errorStatus;
}

const std::string kSoapPost = "POST /onvif/device_service HTTP/1.1\r\n"
                              "Host: 127.0.0.5\r\n"
                              "Content-Type: application/soap+xml; charset=utf-8\r\n"
                              "Content-Length: 11\r\n"
                              "\r\n"
                              "<Envelope/>";

const std::string kChunkedPost = "POST /upload?x=1 HTTP/1.1\r\n"
                                 "Host: cam\r\n"
                                 "Transfer-Encoding: chunked\r\n"
                                 "\r\n"
                                 "5;name=value;flag\r\nHello\r\n"
                                 "00007 ; spaced=\"quoted ext\"\r\n, world\r\n"
                                 "A\r\n0123456789\r\n"
                                 "0\r\n"
                                 "Checksum: abc\r\n"
                                 "X-Note: late\r\n"
                                 "\r\n";

} // namespace

TEST(HttpParser, ReadsRequestLineHeadersAndBody)
{
    const auto parsed = parse(kSoapPost);
    ASSERT_EQ(parsed.requests.size(), 1u);
    const HttpRequest& request = parsed.requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/onvif/device_service");
    EXPECT_EQ(request.versionMinor, 1);
    EXPECT_EQ(request.body, "<Envelope/>");
    ASSERT_NE(request.headers.find("content-TYPE"), nullptr);
    EXPECT_EQ(*request.headers.find("CONTENT-type"), "application/soap+xml; charset=utf-8");
}

TEST(HttpParser, ResultDoesNotDependOnWhereTheBytesAreSplit)
{
    for (const std::string& input : {kSoapPost, kChunkedPost}) {
        const auto whole = parse(input);
        ASSERT_EQ(whole.requests.size(), 1u);
        for (std::size_t cut = 1; cut < input.size(); ++cut) {
            HttpRequestParser parser;
            const std::string_view head = std::string_view(input).substr(0, cut);
            const std::string_view tail = std::string_view(input).substr(cut);
            ASSERT_EQ(parser.feed(head), head.size()) << "cut at " << cut;
            ASSERT_FALSE(parser.complete()) << "cut at " << cut;
            ASSERT_EQ(parser.feed(tail), tail.size()) << "cut at " << cut;
            ASSERT_TRUE(parser.complete()) << "cut at " << cut;
            const HttpRequest request = parser.take();
            EXPECT_EQ(request.body, whole.requests[0].body) << "cut at " << cut;
            EXPECT_EQ(request.trailers.size(), whole.requests[0].trailers.size());
        }
        const auto byteByByte = parse(input, 1);
        ASSERT_EQ(byteByByte.requests.size(), 1u);
        EXPECT_EQ(byteByByte.requests[0].body, whole.requests[0].body);
    }
}

TEST(HttpParser, PipelinedRequestsComeOutInOrderAndStopAtEachEnd)
{
    const std::string get = "GET /a HTTP/1.1\r\nHost: h\r\n\r\n";
    const std::string input = get + kSoapPost + kChunkedPost + "GET /partial HTTP/1.1\r\nHo";
    HttpRequestParser parser;
    std::string_view rest = input;
    rest.remove_prefix(parser.feed(rest));
    ASSERT_TRUE(parser.complete());
    EXPECT_EQ(rest.size(), input.size() - get.size()); // nothing of the next request taken
    EXPECT_EQ(parser.take().target, "/a");

    rest.remove_prefix(parser.feed(rest));
    ASSERT_TRUE(parser.complete());
    EXPECT_EQ(parser.take().body, "<Envelope/>");
    rest.remove_prefix(parser.feed(rest));
    ASSERT_TRUE(parser.complete());
    EXPECT_EQ(parser.take().target, "/upload?x=1");

    EXPECT_TRUE(parser.idle());
    rest.remove_prefix(parser.feed(rest));
    EXPECT_TRUE(rest.empty());
    EXPECT_FALSE(parser.complete());
    EXPECT_FALSE(parser.idle());
    parser.feed("st: h\r\n\r\n");
    ASSERT_TRUE(parser.complete());
    EXPECT_EQ(parser.take().target, "/partial");
}

TEST(HttpParser, ChunkedBodyIgnoresExtensionsAndKeepsTrailersApart)
{
    const auto parsed = parse(kChunkedPost);
    ASSERT_EQ(parsed.requests.size(), 1u);
    const HttpRequest& request = parsed.requests[0];
    EXPECT_EQ(request.body, "Hello, world0123456789");
    EXPECT_EQ(request.path(), "/upload");
    ASSERT_EQ(request.trailers.size(), 2u);
    EXPECT_EQ(*request.trailers.find("checksum"), "abc");
    EXPECT_EQ(request.headers.find("Checksum"), nullptr);

    // Line ends of a lone LF are read as CRLF.
    const auto bare =
        parse("POST / HTTP/1.1\nHost: h\nTransfer-Encoding: chunked\n\n3\nabc\n0\n\n");
    ASSERT_EQ(bare.requests.size(), 1u);
    EXPECT_EQ(bare.requests[0].body, "abc");
}

TEST(HttpParser, HeaderFieldsToleratePeersOddities)
{
    const auto parsed = parse("\r\n\r\nGET  /x   HTTP/1.1\r\n"
                              "Host:h\r\n"
                              "X-Folded: first\r\n"
                              " \t second\r\n"
                              "X-Dup: 1\r\n"
                              "x-dup:\t 2 \t\r\n"
                              "X-Empty:\r\n"
                              "X-Utf8: caf\xc3\xa9\r\n"
                              "\r\n");
    ASSERT_EQ(parsed.requests.size(), 1u) << parsed.errorStatus;
    const HttpHeaders& headers = parsed.requests[0].headers;
    EXPECT_EQ(parsed.requests[0].target, "/x");
    EXPECT_EQ(*headers.find("host"), "h");
    EXPECT_EQ(*headers.find("x-folded"), "first second");
    const auto dups = headers.findAll("X-DUP");
    ASSERT_EQ(dups.size(), 2u);
    EXPECT_EQ(dups[0], "1");
    EXPECT_EQ(dups[1], "2");
    EXPECT_EQ(*headers.find("X-Empty"), "");
    EXPECT_EQ(*headers.find("X-Utf8"), "caf\xc3\xa9");
}

TEST(HttpParser, BadInputGetsTheStatusThatAnswersIt)
{
    const struct
    {
        std::string input;
        int status;
    } cases[] = {
        {"GET /\r\n\r\n", 400},                           // no version
        {"GET / HTTP/1.1 extra\r\nHost: h\r\n\r\n", 400}, // four words
        {"G(T / HTTP/1.1\r\nHost: h\r\n\r\n", 400},       // method not a token
        {"GET /a\x01 HTTP/1.1\r\nHost: h\r\n\r\n", 400},  // control byte in target
        {"GET / HTTP/1.x\r\nHost: h\r\n\r\n", 400},
        {"GET / http/1.1\r\nHost: h\r\n\r\n", 400},
        {"GET / HTTP/2.0\r\nHost: h\r\n\r\n", 505},
        {"GET / HTTP/0.9\r\n\r\n", 505},
        {"GET / HTTP/1.1\r\n\r\n", 400}, // no Host
        {"GET / HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nHost : h\r\n\r\n", 400}, // space before colon
        {"GET / HTTP/1.1\r\nHost h\r\n\r\n", 400},   // no colon
        {"GET / HTTP/1.1\r\n folded-first\r\nHost: h\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nHost: h\rX: y\r\n\r\n", 400}, // bare CR
        {"GET / HTTP/1.1\r\nHost: h\0\r\n\r\n"s, 400},
        {"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: gzip\r\n\r\n", 501},
        {"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: gzip, chunked\r\n\r\n", 501},
        {"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n"
         "Transfer-Encoding: chunked\r\n\r\n",
         400},
        {"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding:\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\n",
         400},
        {"POST / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 5, 6\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: -1\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 0x10\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", 400},
        {"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n3x\r\n", 400},
        {"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcd\r\n", 400},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(statusOf(c.input), c.status) << c.input;
    }
    // Identical repeated lengths are one length.
    const auto same = parse("POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 3, 3\r\n\r\nabc");
    ASSERT_EQ(same.requests.size(), 1u);
    EXPECT_EQ(same.requests[0].body, "abc");
}

TEST(HttpParser, LimitsAreHeldWithoutTakingTheBytesFirst)
{
    const std::string longTarget(5000, 'a');
    EXPECT_EQ(statusOf("GET /" + longTarget + " HTTP/1.1\r\nHost: h\r\n\r\n"), 414);
    EXPECT_EQ(statusOf("GET / HTTP/1.1\r\nHost: h\r\nX-Long: " + longTarget + "\r\n\r\n"), 431);

    std::string many = "GET / HTTP/1.1\r\nHost: h\r\n";
    for (int i = 0; i < 30; ++i) {
        many += "X-Field-" + std::to_string(i) + ": " + std::string(3000, 'v') + "\r\n";
    }
    EXPECT_EQ(statusOf(many + "\r\n"), 431); // every line fits, all of them do not

    // A 2 MiB announcement fails at once, before a byte of the body came; so
    // does one too large for any integer.
    HttpRequestParser parser;
    const std::string head = "POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 2097152\r\n\r\n";
    EXPECT_EQ(parser.feed(head + "xyz"), head.size());
    EXPECT_TRUE(parser.failed());
    EXPECT_EQ(parser.errorStatus(), 413);
    EXPECT_EQ(
        statusOf("POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 99999999999999999999999\r\n\r\n"),
        413);

    // Chunks may not add up to more than the limit, however they are cut.
    const HttpLimits small{.maxBody = 10};
    const std::string chunked = "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n";
    EXPECT_EQ(statusOf(chunked + "6\r\nabcdef\r\n5\r\n", small), 413);
    EXPECT_EQ(statusOf(chunked + "ffffffffffffffffffffffff\r\n", small), 413);
    EXPECT_EQ(statusOf(chunked + "6\r\nabcdef\r\n4\r\nghij\r\n0\r\n\r\n", small), 0);
    EXPECT_EQ(statusOf("POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 11\r\n\r\n", small), 413);

    // Endless empty lines before a request are not taken forever either.
    EXPECT_EQ(statusOf(std::string(10000, '\n')), 400);
}

TEST(HttpParser, IsReusedForTheNextRequestAndAfterReset)
{
    HttpRequestParser parser;
    parser.feed(kSoapPost);
    ASSERT_TRUE(parser.complete());
    EXPECT_EQ(parser.feed("GET"), 0u); // the finished request must be taken first
    (void)parser.take();
    parser.feed("GET /again HTTP/1.1\r\nHost: h\r\n\r\n");
    ASSERT_TRUE(parser.complete());
    const HttpRequest again = parser.take();
    EXPECT_EQ(again.target, "/again");
    EXPECT_TRUE(again.body.empty());
    EXPECT_TRUE(again.headers.find("Content-Type") == nullptr);

    parser.feed("BAD\r\n");
    ASSERT_TRUE(parser.failed());
    EXPECT_EQ(parser.feed("GET / HTTP/1.1\r\n"), 0u);
    parser.reset();
    parser.feed("GET /fresh HTTP/1.1\r\nHost: h\r\n\r\n");
    ASSERT_TRUE(parser.complete());
    EXPECT_EQ(parser.take().target, "/fresh");
}

TEST(HttpRequest, KeepAliveAndPathFollowVersionAndTargetForm)
{
    const struct
    {
        std::string head;
        bool keepAlive;
    } cases[] = {
        {"GET / HTTP/1.1\r\nHost: h\r\n", true},
        {"GET / HTTP/1.1\r\nHost: h\r\nConnection: Keep-Alive, CLOSE\r\n", false},
        {"GET / HTTP/1.0\r\n", false},
        {"GET / HTTP/1.0\r\nConnection: keep-alive\r\n", true},
    };
    for (const auto& c : cases) {
        const auto parsed = parse(c.head + "\r\n");
        ASSERT_EQ(parsed.requests.size(), 1u) << c.head;
        EXPECT_EQ(parsed.requests[0].keepAlive(), c.keepAlive) << c.head;
    }

    HttpRequest request;
    for (const auto& [target, path] : std::vector<std::pair<std::string, std::string>>{
             {"/onvif/media?a=b", "/onvif/media"},
             {"http://127.0.0.5:8080/onvif/device_service", "/onvif/device_service"},
             {"http://127.0.0.5", "/"},
             {"/a#frag", "/a"},
             {"*", "*"}}) {
        request.target = target;
        EXPECT_EQ(request.path(), path) << target;
    }
}
