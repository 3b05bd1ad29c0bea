#include "web/web_fetch.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <chrono>
#include <thread>

#include "platform/codepage.h"
#include "platform/gbk_literal.h"
#include "tests/support/http_test_server.h"
#include "tests/support/loopback_server.h"

namespace {

using testing_support::HttpTestServer;
using testing_support::LoopbackServer;
using testing_support::RawConnection;
using web::CookieText;
using web::FetchRequest;
using web::WebFetch;

const std::string untouched = "(untouched)";

std::string answer(std::string_view headerLines, std::string_view body, std::string_view status = "200 OK") {
    return "HTTP/1.1 " + std::string(status) + "\r\n" + std::string(headerLines) +
           "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + std::string(body);
}

// The header lines of a recorded request, after the request line and the Host line.
std::string headersAfterHost(const std::string& request) {
    size_t host = request.find("\r\n") + 2;
    size_t start = request.find("\r\n", host) + 2;
    return request.substr(start, request.find("\r\n\r\n") + 2 - start);
}

const std::string defaultLines =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
    "Accept: text/html, application/xhtml+xml, */*\r\n"
    "Accept-Encoding: gbk, GB2312\r\n"
    "Accept-Language: zh-cn\r\n"
    "Content-Type: application/x-www-form-urlencoded\r\n"
    "Cache-Control: no-cache\r\n";

struct MethodCase {
    int method;
    const char* requestLineStart;
    const char* bodyOnWire;
};

class Methods : public testing::TestWithParam<MethodCase> {};

TEST_P(Methods, SendTheirVerbAndTheBody) {
    const MethodCase& c = GetParam();
    LoopbackServer server(LoopbackServer::answering(answer("", "ok")));
    std::string url = server.url("/m?x=1");
    WebFetch({.url = url, .method = c.method, .body = "k=v"});
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find(' ') + 1), c.requestLineStart);
    EXPECT_EQ(requests[0].substr(requests[0].find("\r\n\r\n") + 4), c.bodyOnWire);
}

INSTANTIATE_TEST_SUITE_P(Numbers, Methods,
                         testing::Values(MethodCase{0, "GET ", "k=v"}, MethodCase{1, "POST ", "k=v"},
                                         MethodCase{2, "HEAD ", ""}, MethodCase{3, "PUT ", "k=v"},
                                         MethodCase{5, "GET ", "k=v"}, MethodCase{-1, "GET ", "k=v"}));

struct HeaderCase {
    const char* name;
    const char* extraHeaders;
    const char* cookies;  // nullptr: left out
    std::string onWire;   // every header line after Host
};

class RequestHeaders : public testing::TestWithParam<HeaderCase> {};

TEST_P(RequestHeaders, FollowTheSearchRules) {
    const HeaderCase& c = GetParam();
    LoopbackServer server(LoopbackServer::answering(answer("", "ok")));
    std::string url = server.url();
    CookieText cookies = c.cookies != nullptr ? c.cookies : "";
    EXPECT_EQ(WebFetch({.url = url, .cookies = c.cookies != nullptr ? &cookies : nullptr,
                        .extraHeaders = c.extraHeaders}),
              "ok");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(headersAfterHost(requests[0]), c.onWire);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RequestHeaders,
    testing::Values(
        HeaderCase{"Defaults", "", nullptr, defaultLines},
        HeaderCase{"LowerCaseUserAgentSuppressesTheDefault", "user-agent: X\r\n", nullptr,
                   "user-agent: X\r\n" + defaultLines.substr(defaultLines.find("Accept:"))},
        HeaderCase{"LowerCaseContentTypeDoesNot", "content-type: text/plain\r\n", nullptr,
                   "Content-Type: application/x-www-form-urlencoded\r\n" + defaultLines.substr(0, defaultLines.find("Content-Type")) +
                       "Cache-Control: no-cache\r\n"},
        HeaderCase{"NameInsideAValueCounts", "X-Note: Accept: none\r\n", nullptr,
                   "X-Note: Accept: none\r\nUser-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
                   "Trident/5.0)\r\nAccept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\nContent-Type: "
                   "application/x-www-form-urlencoded\r\nCache-Control: no-cache\r\n"},
        HeaderCase{"CookieLine", "", "a=1; b=2", "Cookie: a=1; b=2\r\n" + defaultLines},
        HeaderCase{"GivenButEmptyCookiesSendNoLine", "", "", defaultLines},
        HeaderCase{"CallerCookieLineWins", "Cookie: mine=1\r\n", "a=1", "Cookie: mine=1\r\n" + defaultLines}),
    [](const testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

const std::string cookieAnswer =
    answer("Set-Cookie: b=3; path=/; HttpOnly\r\nSET-COOKIE: c=4\r\nset-cookie:   d=5 ; expires=never\r\n", "body");

struct CookieCase {
    const char* name;
    const char* cookies;  // nullptr: left out
    const char* cookiesAfter;
    const char* responseCookies;  // the merge takes the blanks out of it
};

class Cookies : public testing::TestWithParam<CookieCase> {};

TEST_P(Cookies, AreCapturedAndMerged) {
    const CookieCase& c = GetParam();
    LoopbackServer server(LoopbackServer::answering(cookieAnswer));
    std::string url = server.url();
    CookieText cookies = c.cookies != nullptr ? c.cookies : "";
    CookieText responseCookies = untouched;
    std::string responseHeaders;
    EXPECT_EQ(WebFetch({.url = url, .cookies = c.cookies != nullptr ? &cookies : nullptr,
                        .responseCookies = &responseCookies, .responseHeaders = &responseHeaders}),
              "body");
    EXPECT_EQ(responseCookies, c.responseCookies);
    EXPECT_EQ(cookies, c.cookiesAfter);
    EXPECT_NE(responseHeaders.find("\r\nSet-Cookie: c=4\r\nSet-Cookie:   d=5 ;"), std::string::npos) << responseHeaders;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Cookies,
    testing::Values(CookieCase{"Given", "a=1; b=2", "b=3; c=4; d=5; a=1", "b=3;c=4;d=5"},
                    CookieCase{"GivenButEmpty", "", "b=3; c=4; d=5", "b=3;c=4;d=5"},
                    CookieCase{"LeftOut", nullptr, "", "b=3; c=4; d=5"},
                    CookieCase{"DeletedByTheAnswer", "d=old; e=deleted; f=1", "b=3; c=4; d=5; f=1", "b=3;c=4;d=5"}),
    [](const testing::TestParamInfo<CookieCase>& info) { return std::string(info.param.name); });

TEST(WebFetch, AnswerWithoutCookiesOnlyNormalisesTheGivenOnes) {
    LoopbackServer server(LoopbackServer::answering(answer("", "x")));
    std::string url = server.url();
    CookieText cookies = "a = 1;  a = 1; b=2";
    CookieText responseCookies = untouched;
    WebFetch({.url = url, .cookies = &cookies, .responseCookies = &responseCookies});
    EXPECT_EQ(cookies, "a=1; b=2");
    EXPECT_EQ(responseCookies, "");
}

struct LocationCase {
    const char* name;
    std::string response;
    std::string location;
};

class Location : public testing::TestWithParam<LocationCase> {};

TEST_P(Location, TakesTheLastLocationLine) {
    const LocationCase& c = GetParam();
    LoopbackServer server(LoopbackServer::answering(c.response));
    std::string url = server.url();
    std::string location = untouched;
    WebFetch({.url = url, .noRedirect = true, .location = &location});
    EXPECT_EQ(location, c.location);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Location,
    testing::Values(LocationCase{"LowerCase", answer("location: /next\r\n", ""), "/next"},
                    LocationCase{"Redirect", answer("Location: http://h/a?b=1\r\n", "", "302 Found"), "http://h/a?b=1"},
                    LocationCase{"LastWins", answer("Location: /one\r\nLOCATION: /two\r\n", ""), "/two"},
                    LocationCase{"Bare", answer("Location: \r\n", ""), ""},
                    LocationCase{"NoneLeavesItUntouched", answer("X-Location: /no\r\n", ""), untouched}),
    [](const testing::TestParamInfo<LocationCase>& info) { return std::string(info.param.name); });

void redirectRoutes(httplib::Server& server) {
    server.Get("/start", [](const httplib::Request&, httplib::Response& response) {
        response.status = 302;
        response.set_header("Location", "/end");
        response.set_header("Set-Cookie", "hop=1; path=/");
        response.set_content("moved", "text/plain");
    });
    server.Get("/end", [](const httplib::Request& request, httplib::Response& response) {
        response.set_content("end cookie=" + request.get_header_value("Cookie"), "text/plain");
    });
}

TEST(WebFetch, FollowsRedirectsAndKeepsTheirCookiesWithinTheCall) {
    HttpTestServer server;
    redirectRoutes(server.server());
    server.start();
    std::string url = "http://" + server.host() + "/start";
    CookieText cookies = "a=1";
    std::string statusText, location = untouched;
    std::string result = WebFetch({.url = url, .cookies = &cookies, .location = &location, .statusText = &statusText});
    EXPECT_EQ(result, "end cookie=hop=1; a=1");
    EXPECT_EQ(statusText, "200 OK");
    EXPECT_EQ(location, untouched);
}

TEST(WebFetch, StopsAtTheRedirectWhenAsked) {
    HttpTestServer server;
    redirectRoutes(server.server());
    server.start();
    std::string url = "http://" + server.host() + "/start";
    CookieText cookies;
    std::string statusText, location;
    std::string result =
        WebFetch({.url = url, .cookies = &cookies, .noRedirect = true, .location = &location, .statusText = &statusText});
    EXPECT_EQ(result, "moved");
    EXPECT_EQ(statusText, "302 Found");
    EXPECT_EQ(location, "/end");
    EXPECT_EQ(cookies, "hop=1");
}

struct CredentialCase {
    const char* userName;
    const char* password;
    const char* authorization;
};

class Credentials : public testing::TestWithParam<CredentialCase> {};

TEST_P(Credentials, GoAsBasicOnlyWhenBothAreGiven) {
    const CredentialCase& c = GetParam();
    HttpTestServer server;
    server.server().Get("/", [](const httplib::Request& request, httplib::Response& response) {
        response.set_content("auth=" + request.get_header_value("Authorization"), "text/plain");
    });
    server.start();
    EXPECT_EQ(WebFetch({.url = "http://" + server.host() + "/", .userName = c.userName, .password = c.password}),
              std::string("auth=") + c.authorization);
}

INSTANTIATE_TEST_SUITE_P(Pairs, Credentials,
                         testing::Values(CredentialCase{"user", "pass", "Basic dXNlcjpwYXNz"},
                                         CredentialCase{"user", "", ""}, CredentialCase{"", "pass", ""}));

struct CharsetCase {
    const char* name;
    std::string page;     // bytes the server sends
    std::string result;   // GBK text WebFetch gives
};

std::string metaPage(std::string_view charset, std::string_view bodyBytes, size_t padding = 0) {
    return std::string(padding, ' ') + "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
           std::string(charset) + "\"></head><body>" + std::string(bodyBytes) + "</body></html>";
}

const std::string niHaoGbk = "\xC4\xE3\xBA\xC3";
const std::string niHaoUtf8 = "\xE4\xBD\xA0\xE5\xA5\xBD";
const std::string niHaoBig5 = "\xA7\x41\xA6\x6E";

class Charset : public testing::TestWithParam<CharsetCase> {};

TEST_P(Charset, ReDecodesDeclaredPagesIntoGbk) {
    const CharsetCase& c = GetParam();
    LoopbackServer server(LoopbackServer::answering(answer("Content-Type: text/html\r\n", c.page)));
    std::string url = server.url();
    std::string bytes;
    EXPECT_EQ(WebFetch({.url = url, .responseBytes = &bytes}), c.result);
    EXPECT_EQ(bytes, c.page);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, Charset,
    testing::Values(CharsetCase{"Utf8", metaPage("utf-8", niHaoUtf8), metaPage("utf-8", niHaoGbk)},
                    CharsetCase{"Utf8UpperCase", metaPage("UTF-8", niHaoUtf8), metaPage("UTF-8", niHaoGbk)},
                    CharsetCase{"Big5", metaPage("big5", niHaoBig5), metaPage("big5", niHaoGbk)},
                    CharsetCase{"GbkUntouched", metaPage("gbk", niHaoGbk + "\x80"), metaPage("gbk", niHaoGbk + "\x80")},
                    CharsetCase{"Gb2312Untouched", metaPage("gb2312", niHaoGbk), metaPage("gb2312", niHaoGbk)},
                    CharsetCase{"UnknownNameUntouched", metaPage("x-no-such-set", niHaoUtf8),
                                metaPage("x-no-such-set", niHaoUtf8)},
                    CharsetCase{"DeclarationAfterByte1024Ignored", metaPage("utf-8", niHaoUtf8, 1024),
                                metaPage("utf-8", niHaoUtf8, 1024)},
                    CharsetCase{"NoDeclaration", "<p>" + niHaoGbk, "<p>" + niHaoGbk}),
    [](const testing::TestParamInfo<CharsetCase>& info) { return std::string(info.param.name); });

TEST(WebFetch, TextEndsAtTheFirstNulButTheBytesDoNot) {
    std::string body = std::string(99, 'a') + '\0' + "tail";
    LoopbackServer server(LoopbackServer::answering(answer("", body)));
    std::string url = server.url();
    std::string bytes;
    EXPECT_EQ(WebFetch({.url = url, .responseBytes = &bytes}), std::string(99, 'a'));
    EXPECT_EQ(bytes, body);
}

TEST(WebFetch, KeepsThePartReadWhenTheConnectionResetsMidBody) {
    LoopbackServer server([](const std::string&, RawConnection& connection) {
        connection.send("HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\nContent-Length: 1000\r\n\r\nthe first part");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        connection.reset();
    });
    std::string url = server.url();
    CookieText cookies = "a=1";
    std::string statusText, bytes;
    EXPECT_EQ(WebFetch({.url = url, .cookies = &cookies, .statusText = &statusText, .responseBytes = &bytes}),
              "the first part");
    EXPECT_EQ(statusText, "200 OK");
    EXPECT_EQ(bytes, "the first part");
    EXPECT_EQ(cookies, "s=1; a=1");
}

struct FailureCase {
    const char* name;
    std::function<std::string()> url;  // made after the server starts
    int timeoutSeconds;
    std::string message;
};

class Failures : public testing::TestWithParam<FailureCase> {};

TEST_P(Failures, GiveTheirMessageAndLeaveEverythingElse) {
    const FailureCase& c = GetParam();
    std::string url = c.url();
    CookieText cookies = "a=1", responseCookies = untouched;
    std::string responseHeaders = untouched, location = untouched, statusText = untouched, bytes = untouched;
    EXPECT_EQ(WebFetch(url, 1, "b", &cookies, &responseCookies, "", &responseHeaders, false, "", "", "", "", "",
                       c.timeoutSeconds, &location, &statusText, &bytes),
              "");
    EXPECT_EQ(statusText, c.message);
    EXPECT_EQ(cookies, "a=1");
    for (const std::string* out : {&responseCookies, &responseHeaders, &location, &bytes}) EXPECT_EQ(*out, untouched);
}

LoopbackServer& stallingServer() {
    static LoopbackServer server([](const std::string&, RawConnection& connection) { connection.stall(10); });
    return server;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Failures,
    testing::Values(
        FailureCase{"BadUrl", [] { return std::string("no address"); }, 0, platform::gbk("701 解析URL地址失败!")},
        FailureCase{"OtherScheme", [] { return std::string("ftp://127.0.0.1/"); }, 0,
                    platform::gbk("701 解析URL地址失败!")},
        FailureCase{"ClosedPort",
                    [] { return "http://127.0.0.1:" + std::to_string(testing_support::closedLoopbackPort()) + "/"; }, 0,
                    platform::gbk("711 发送请求失败!")},
        FailureCase{"UnknownHost", [] { return std::string("http://no-such-host.invalid/"); }, 0,
                    platform::gbk("711 发送请求失败!")},
        FailureCase{"UrlWithLineBreak", [] { return std::string("http://127.0.0.1:1/\r\nX: 1"); }, 0,
                    platform::gbk("701 解析URL地址失败!")},
        FailureCase{"Stalls", [] { return stallingServer().url(); }, 1, platform::gbk("712 服务器未响应!")}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(WebFetch, RefusesExtraHeadersThatAreNoHeaderLines) {
    std::string statusText;
    EXPECT_EQ(WebFetch({.url = "http://127.0.0.1:1/", .extraHeaders = "no colon\r\n", .statusText = &statusText}), "");
    EXPECT_EQ(statusText, platform::gbk("710 设置协议头失败!"));
}

TEST(WebFetch, OnTheUiThreadTheWindowsKeepRunningWhileItWaits) {
    LoopbackServer server([](const std::string&, RawConnection& connection) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        connection.send(answer("", "late"));
    });
    std::string url = server.url();
    bool timerRan = false;
    QTimer::singleShot(20, [&timerRan] { timerRan = true; });
    EXPECT_EQ(WebFetch(url), "late");
    EXPECT_TRUE(timerRan);
}

TEST(WebFetch, OnAWorkerThreadItBlocksPlainly) {
    LoopbackServer server(LoopbackServer::answering(answer("Set-Cookie: w=1\r\n", "worker")));
    std::string url = server.url(), result;
    CookieText cookies;
    std::thread worker([&] { result = WebFetch(url, 0, "", &cookies); });
    worker.join();
    EXPECT_EQ(result, "worker");
    EXPECT_EQ(cookies, "w=1");
}

}  // namespace
