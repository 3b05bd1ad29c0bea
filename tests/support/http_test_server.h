#pragma once
// A cpp-httplib server on 127.0.0.1 and a free port, serving on its own thread for the life of the
// object. Register handlers on server() before start().

#include <httplib.h>

#include <string>
#include <thread>

namespace testing_support {

class HttpTestServer {
public:
    HttpTestServer() = default;
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    httplib::Server& server() { return server_; }
    // Binds, starts serving and returns once the server accepts connections.
    void start();
    int port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

}  // namespace testing_support
