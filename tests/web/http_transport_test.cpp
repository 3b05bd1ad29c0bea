#include "platform/http_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/loopback_server.h"

namespace {

using platform::HttpFailure;
using platform::HttpRequest;
using platform::sendHttpRequest;
using testing_support::LoopbackServer;
using testing_support::RawConnection;

const std::string okAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nhi";

struct UrlCase {
    const char* url;
    bool valid;
    const char* host;
    int port;
    const char* objectName;
    bool secure;
};

class SplitUrl : public testing::TestWithParam<UrlCase> {};

TEST_P(SplitUrl, GivesHostPortAndObjectName) {
    const UrlCase& c = GetParam();
    auto parts = platform::splitHttpUrl(c.url);
    ASSERT_EQ(parts.has_value(), c.valid);
    if (!c.valid) return;
    EXPECT_EQ(parts->host, c.host);
    EXPECT_EQ(parts->port, c.port);
    EXPECT_EQ(parts->objectName, c.objectName);
    EXPECT_EQ(parts->secure, c.secure);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, SplitUrl,
    testing::Values(UrlCase{"https://example.com", true, "example.com", 443, "/", true},
                    UrlCase{"https://example.com/a?b=1", true, "example.com", 443, "/a?b=1", true},
                    UrlCase{"http://example.com", true, "example.com", 80, "/", false},
                    UrlCase{"HTTP://Example.com:8080/x/y.htm?k=v&w", true, "Example.com", 8080,
                            "/x/y.htm?k=v&w", false},
                    UrlCase{"http://127.0.0.1:81/p#part", true, "127.0.0.1", 81, "/p", false},
                    UrlCase{"http://[::1]:82/", true, "[::1]", 82, "/", false},
                    UrlCase{"ftp://example.com/", false, "", 0, "", false},
                    UrlCase{"example.com/a", false, "", 0, "", false},
                    UrlCase{"http://", false, "", 0, "", false},
                    UrlCase{"", false, "", 0, "", false}));

// Header lines of the one request that reached the server, without the request line.
std::string headerLinesOf(const std::string& request) {
    size_t start = request.find("\r\n") + 2;
    return request.substr(start, request.find("\r\n\r\n") + 2 - start);
}

struct WireCase {
    const char* name;
    const char* verb;
    const char* body;
    const char* headerLines;
    const char* requestLine;
    const char* expectedHeaders;  // the whole header block after the request line
};

class Wire : public testing::TestWithParam<WireCase> {};

TEST_P(Wire, CarriesOnlyTheGivenHeadersPlusHostAndLength) {
    const WireCase& c = GetParam();
    LoopbackServer server(LoopbackServer::answering(okAnswer));
    HttpRequest request;
    std::string url = server.url("/path?q=1");
    request.url = url;
    request.verb = c.verb;
    request.body = c.body;
    request.headerLines = c.headerLines;
    auto response = sendHttpRequest(request);
    EXPECT_EQ(response.failure, HttpFailure::none);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    std::string host = "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), c.requestLine);
    EXPECT_EQ(headerLinesOf(requests[0]), host + c.expectedHeaders);
    EXPECT_EQ(requests[0].substr(requests[0].find("\r\n\r\n") + 4), c.body);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Wire,
    testing::Values(
        WireCase{"BareGet", "GET", "", "", "GET /path?q=1 HTTP/1.1", ""},
        WireCase{"PostWithBody", "POST", "a=1&b=2", "X-One: 1\r\n", "POST /path?q=1 HTTP/1.1",
                 "X-One: 1\r\nContent-Length: 7\r\n"},
        WireCase{"EmptyPost", "POST", "", "", "POST /path?q=1 HTTP/1.1", "Content-Length: 0\r\n"},
        WireCase{"PutWithBody", "PUT", "x", "", "PUT /path?q=1 HTTP/1.1", "Content-Length: 1\r\n"},
        WireCase{"GetWithBody", "GET", "zz", "", "GET /path?q=1 HTTP/1.1", "Content-Length: 2\r\n"},
        WireCase{"LaterLineWins", "POST", "b",
                 "content-type: text/plain\r\nAccept: a\r\nContent-Type: application/x-www-form-urlencoded\r\n",
                 "POST /path?q=1 HTTP/1.1",
                 "Content-Type: application/x-www-form-urlencoded\r\nAccept: a\r\nContent-Length: 1\r\n"},
        WireCase{"EmptyValueIsSent", "GET", "", "X-Empty:\r\nX-Full: v\r\n", "GET /path?q=1 HTTP/1.1",
                 "X-Empty:\r\nX-Full: v\r\n"},
        WireCase{"LastLineWithoutLineEnd", "GET", "", "A: 1\r\nB: 2", "GET /path?q=1 HTTP/1.1",
                 "A: 1\r\nB: 2\r\n"}),
    [](const testing::TestParamInfo<WireCase>& info) { return std::string(info.param.name); });

TEST(Transport, HeadReadsNoBody) {
    LoopbackServer server(LoopbackServer::answering("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n"));
    HttpRequest request;
    std::string url = server.url();
    request.url = url;
    request.verb = "HEAD";
    auto response = sendHttpRequest(request);
    EXPECT_EQ(response.failure, HttpFailure::none);
    EXPECT_EQ(response.headerBlock, "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n");
    EXPECT_EQ(server.requests().at(0).substr(0, 6), "HEAD /");
}

TEST(Transport, RefusesHeaderLinesThatAreNoHeaders) {
    for (const char* lines : {"no colon here\r\n", "A: 1\rB: 2\r\n", ": nameless\r\n"}) {
        HttpRequest request;
        request.url = "http://127.0.0.1:1/";
        request.headerLines = lines;
        EXPECT_EQ(sendHttpRequest(request).failure, HttpFailure::headersRefused) << lines;
    }
}

TEST(Transport, HeaderBlockHasCrLfLineEnds) {
    LoopbackServer server(LoopbackServer::answering("HTTP/1.1 200 OK\nA: 1\nContent-Length: 1\n\nx"));
    HttpRequest request;
    std::string url = server.url();
    request.url = url;
    auto response = sendHttpRequest(request);
    EXPECT_EQ(response.failure, HttpFailure::none);
    EXPECT_EQ(response.headerBlock, "HTTP/1.1 200 OK\r\nA: 1\r\nContent-Length: 1\r\n\r\n");
    EXPECT_EQ(response.body, "x");
}

TEST(Transport, ClosedPortIsNotSent) {
    HttpRequest request;
    std::string url = "http://127.0.0.1:" + std::to_string(testing_support::closedLoopbackPort()) + "/";
    request.url = url;
    auto response = sendHttpRequest(request);
    EXPECT_EQ(response.failure, HttpFailure::notSent);
    EXPECT_EQ(response.headerBlock, "");
}

TEST(Transport, BadAddressIsBadUrl) {
    HttpRequest request;
    request.url = "gopher://x/";
    EXPECT_EQ(sendHttpRequest(request).failure, HttpFailure::badUrl);
}

struct FaultCase {
    const char* name;
    std::function<void(RawConnection&)> play;
    HttpFailure failure;
    const char* headerBlock;
    const char* body;
};

class Fault : public testing::TestWithParam<FaultCase> {};

TEST_P(Fault, KeepsWhatArrivedBeforeIt) {
    const FaultCase& c = GetParam();
    LoopbackServer server([&c](const std::string&, RawConnection& connection) { c.play(connection); });
    HttpRequest request;
    std::string url = server.url();
    request.url = url;
    request.timeoutMilliseconds = 1000;
    auto response = sendHttpRequest(request);
    EXPECT_EQ(response.failure, c.failure);
    EXPECT_EQ(response.headerBlock, c.headerBlock);
    EXPECT_EQ(response.body, c.body);
}

const char* halfAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst part";

INSTANTIATE_TEST_SUITE_P(
    Servers, Fault,
    testing::Values(
        FaultCase{"ResetMidBody",
                  [](RawConnection& c) {
                      c.send(halfAnswer);
                      std::this_thread::sleep_for(std::chrono::milliseconds(100));
                      c.reset();
                  },
                  HttpFailure::readBroken, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n", "first part"},
        FaultCase{"ClosedMidBody", [](RawConnection& c) { c.send(halfAnswer); }, HttpFailure::readBroken,
                  "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n", "first part"},
        FaultCase{"StallsMidBody",
                  [](RawConnection& c) {
                      c.send(halfAnswer);
                      c.stall(10);
                  },
                  HttpFailure::readBroken, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n", "first part"},
        FaultCase{"StallsBeforeAnswer", [](RawConnection& c) { c.stall(10); }, HttpFailure::noAnswer, "", ""},
        FaultCase{"StallsInHeaders",
                  [](RawConnection& c) {
                      c.send("HTTP/1.1 200 OK\r\nA: 1\r\n");
                      c.stall(10);
                  },
                  HttpFailure::noAnswer, "", ""},
        FaultCase{"ClosesWithoutAnswer", [](RawConnection&) {}, HttpFailure::noAnswer, "", ""},
        FaultCase{"ResetsWithoutAnswer", [](RawConnection& c) { c.reset(); }, HttpFailure::noAnswer, "", ""},
        FaultCase{"TricklesLongerThanTheTimeOut",
                  [](RawConnection& c) {
                      c.send("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n");
                      for (char byte : std::string("abcdef")) {
                          std::this_thread::sleep_for(std::chrono::milliseconds(400));
                          c.send(std::string(1, byte));
                      }
                  },
                  HttpFailure::none, "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n", "abcdef"}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(Transport, WorkerThreadBlocksPlainly) {
    LoopbackServer server(LoopbackServer::answering(okAnswer));
    std::string url = server.url();
    platform::HttpResponse response;
    std::thread worker([&] {
        HttpRequest request;
        request.url = url;
        response = sendHttpRequest(request);
    });
    worker.join();
    EXPECT_EQ(response.failure, HttpFailure::none);
    EXPECT_EQ(response.body, "hi");
}

}  // namespace
