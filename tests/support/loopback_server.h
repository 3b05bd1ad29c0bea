#pragma once
// A raw-socket HTTP server on 127.0.0.1 for the faults a real server never makes: an answer that stops
// mid-body, a reset, a stall. It records every request exactly as it arrived on the wire and hands
// each connection, one at a time, to the test's script.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace testing_support {

class RawConnection {
public:
    explicit RawConnection(int socket) : socket_(socket) {}
    void send(std::string_view bytes);  // all of them, or as many as the peer takes
    void reset();                       // closes at once with RST instead of FIN
    // Waits until the peer closes or `seconds` pass, sending nothing: a stalled server.
    void stall(int seconds);

private:
    int socket_;
};

class LoopbackServer {
public:
    // `script` answers one request; the connection closes when it returns.
    using Script = std::function<void(const std::string& request, RawConnection& connection)>;
    explicit LoopbackServer(Script script);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    std::string url(std::string_view path = "/") const;
    std::vector<std::string> requests() const;  // header block and body of each, in order

    // A script that answers every request with these bytes.
    static Script answering(std::string response);

private:
    void serve();

    Script script_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A loopback port on which nothing listens, so a connect is refused.
int closedLoopbackPort();

// True when something accepts a connection on this loopback port now.
bool loopbackPortAccepts(int port);

}  // namespace testing_support
