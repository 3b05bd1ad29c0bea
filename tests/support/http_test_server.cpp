#include "tests/support/http_test_server.h"

namespace testing_support {

HttpTestServer::~HttpTestServer() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
}

void HttpTestServer::start() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
}

}  // namespace testing_support
