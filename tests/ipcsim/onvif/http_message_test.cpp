#include "ipcsim/onvif/http_message.h"

#include <gtest/gtest.h>

using namespace vexlo::ipcsim::onvif;

TEST(HttpResponse, FramesTheBodyAndSaysWhetherTheConnectionStays)
{
    HttpResponse response = HttpResponse::make(200, "<ok/>", "application/soap+xml");
    EXPECT_EQ(response.serialize(true), "HTTP/1.1 200 OK\r\n"
                                        "Content-Type: application/soap+xml\r\n"
                                        "Content-Length: 5\r\n"
                                        "Connection: keep-alive\r\n"
                                        "\r\n"
                                        "<ok/>");
    response.status = 401;
    response.reason = "Nope";
    EXPECT_EQ(response.serialize(false), "HTTP/1.1 401 Nope\r\n"
                                         "Content-Type: application/soap+xml\r\n"
                                         "Content-Length: 5\r\n"
                                         "Connection: close\r\n"
                                         "\r\n"
                                         "<ok/>");
}

TEST(HttpResponse, BuilderOwnsTheFraming)
{
    HttpResponse response;
    response.status = 200;
    response.body = "abc";
    response.headers.add("content-length", "999");
    response.headers.add("Transfer-Encoding", "chunked");
    response.headers.add("Connection", "keep-alive");
    response.headers.add("Bad Name", "x");
    response.headers.add("X-Split", "a\r\nSet-Cookie: evil\r\n\r\nbody");
    response.reason = "OK\r\nX: y";
    const std::string bytes = response.serialize(false);
    EXPECT_EQ(bytes, "HTTP/1.1 200 OK  X: y\r\n"
                     "X-Split: a  Set-Cookie: evil    body\r\n"
                     "Content-Length: 3\r\n"
                     "Connection: close\r\n"
                     "\r\n"
                     "abc");

    // HEAD: the length of the body it would get, no body.
    EXPECT_EQ(response.serialize(true, true).find("abc"), std::string::npos);
    EXPECT_NE(response.serialize(true, true).find("Content-Length: 3\r\n"), std::string::npos);

    HttpResponse empty;
    empty.status = 204;
    empty.body = "ignored";
    EXPECT_EQ(empty.serialize(true), "HTTP/1.1 204 No Content\r\nConnection: keep-alive\r\n\r\n");
    empty.status = 42; // not a status: answered as a server fault
    EXPECT_EQ(empty.serialize(true).substr(0, 36), "HTTP/1.1 500 Internal Server Error\r\n");
}
