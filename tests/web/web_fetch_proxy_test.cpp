#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

#include "tests/support/http_test_server.h"
#include "tests/support/loopback_server.h"
#include "web/web_fetch.h"

namespace {

using testing_support::HttpTestServer;
using testing_support::LoopbackServer;
using testing_support::RawConnection;
using web::WebFetch;

const char* tinyproxyBinary = "/usr/bin/tinyproxy";

// A tinyproxy of the test's own on a free loopback port, with Basic credentials when given.
class Tinyproxy {
public:
    explicit Tinyproxy(const std::string& credentials = "") {
        port_ = testing_support::closedLoopbackPort();
        QString config = directory_.filePath("tinyproxy.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) return;
        std::string text = "Port " + std::to_string(port_) + "\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 10\n"
                           "MaxClients 8\nLogLevel Critical\nDisableViaHeader No\n" +
                           (credentials.empty() ? "" : "BasicAuth " + credentials + "\n");
        file.write(text.c_str());
        file.close();
        process_.start(tinyproxyBinary, {"-d", "-c", config});
        for (int attempt = 0; attempt < 100 && !ready_; ++attempt) {
            ready_ = testing_support::loopbackPortAccepts(port_);
            if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~Tinyproxy() {
        process_.kill();
        process_.waitForFinished(2000);
    }
    bool ready() const { return ready_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    QTemporaryDir directory_;
    QProcess process_;
    int port_ = 0;
    bool ready_ = false;
};

void echoRoutes(httplib::Server& server) {
    server.Get("/via", [](const httplib::Request& request, httplib::Response& response) {
        response.set_content("via=" + request.get_header_value("Via"), "text/plain");
    });
}

struct ProxyCase {
    const char* name;
    const char* proxyCredentials;  // tinyproxy's BasicAuth, "" for none
    const char* proxyUser;
    const char* proxyPassword;
    const char* status;
    bool reachesServer;
};

class RealProxy : public testing::TestWithParam<ProxyCase> {};

TEST_P(RealProxy, CarriesPlainHttp) {
    if (!QFile::exists(tinyproxyBinary)) GTEST_SKIP() << "tinyproxy is not installed";
    const ProxyCase& c = GetParam();
    HttpTestServer server;
    echoRoutes(server.server());
    server.start();
    Tinyproxy proxy(c.proxyCredentials);
    ASSERT_TRUE(proxy.ready());
    std::string statusText;
    std::string result = WebFetch({.url = "http://" + server.host() + "/via", .proxy = proxy.address(), .proxyUser = c.proxyUser,
                                   .proxyPassword = c.proxyPassword, .timeoutSeconds = 5, .statusText = &statusText});
    EXPECT_EQ(statusText, c.status);
    if (c.reachesServer)
        EXPECT_NE(result.find("via=1.1 "), std::string::npos) << result;  // tinyproxy's Via line
    else
        EXPECT_EQ(result.find("via="), std::string::npos) << result;
}

INSTANTIATE_TEST_SUITE_P(
    Tinyproxy, RealProxy,
    testing::Values(ProxyCase{"Open", "", "", "", "200 OK", true},
                    ProxyCase{"RightCredentials", "agent secret", "agent", "secret", "200 OK", true},
                    // tinyproxy answers a wrong pair with 401 and a missing one with 407.
                    ProxyCase{"WrongCredentials", "agent secret", "agent", "wrong", "401 Unauthorized", false},
                    ProxyCase{"NoCredentials", "agent secret", "", "", "407 Proxy Authentication Required", false}),
    [](const testing::TestParamInfo<ProxyCase>& info) { return std::string(info.param.name); });

struct RequestLineCase {
    const char* name;
    const char* url;
    const char* requestLine;
};

class ProxyRequestLine : public testing::TestWithParam<RequestLineCase> {};

// A raw server in the proxy's place shows what the proxy is asked: the full address for plain HTTP,
// a tunnel for HTTPS.
TEST_P(ProxyRequestLine, AsksTheProxyForTheAddress) {
    const RequestLineCase& c = GetParam();
    LoopbackServer proxy(LoopbackServer::answering(
        "HTTP/1.1 403 Forbidden\r\nContent-Length: 2\r\nConnection: close\r\n\r\nno"));
    std::string address = "127.0.0.1:" + std::to_string(proxy.port());
    WebFetch({.url = c.url, .proxy = address, .proxyUser = "agent", .proxyPassword = "secret", .timeoutSeconds = 5});
    auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), c.requestLine);
    EXPECT_NE(requests[0].find("\r\nProxy-Authorization: Basic YWdlbnQ6c2VjcmV0\r\n"), std::string::npos)
        << requests[0];
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, ProxyRequestLine,
    testing::Values(RequestLineCase{"PlainHttp", "http://example.test/a?b=1", "GET http://example.test/a?b=1 HTTP/1.1"},
                    RequestLineCase{"Https", "https://example.test/a?b=1", "CONNECT example.test:443 HTTP/1.1"}),
    [](const testing::TestParamInfo<RequestLineCase>& info) { return std::string(info.param.name); });

}  // namespace
