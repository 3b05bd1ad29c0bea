#include "tests/support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace testing_support {
namespace {

int boundLoopbackSocket(int& port) {
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return listener;
}

bool readable(int socket, int milliseconds) {
    pollfd entry{socket, POLLIN, 0};
    return ::poll(&entry, 1, milliseconds) > 0;
}

// The header block and as many body bytes as its Content-Length names.
std::string readRequest(int socket) {
    std::string request;
    char buffer[65536];
    size_t expected = std::string::npos;
    while (request.size() < expected && readable(socket, 5000)) {
        ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        request.append(buffer, static_cast<size_t>(got));
        size_t end = request.find("\r\n\r\n");
        if (end != std::string::npos && expected == std::string::npos) {
            size_t length = 0;
            std::string lower = request.substr(0, end);
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            size_t field = lower.find("\r\ncontent-length:");
            if (field != std::string::npos) length = std::strtoul(lower.c_str() + field + 17, nullptr, 10);
            expected = end + 4 + length;
        }
    }
    return request;
}

}  // namespace

void RawConnection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
}

void RawConnection::reset() {
    linger immediately{1, 0};
    ::setsockopt(socket_, SOL_SOCKET, SO_LINGER, &immediately, sizeof immediately);
}

void RawConnection::stall(int seconds) {
    char byte;
    for (int waited = 0; waited < seconds * 20; ++waited)
        if (readable(socket_, 50) && ::recv(socket_, &byte, 1, MSG_PEEK) <= 0) return;
}

LoopbackServer::LoopbackServer(Script script) : script_(std::move(script)) {
    listener_ = boundLoopbackSocket(port_);
    ::listen(listener_, 64);
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

std::string LoopbackServer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

LoopbackServer::Script LoopbackServer::answering(std::string response) {
    return [response = std::move(response)](const std::string&, RawConnection& connection) {
        connection.send(response);
    };
}

void LoopbackServer::serve() {
    while (!stopping_) {
        if (!readable(listener_, 50)) continue;
        int socket = ::accept(listener_, nullptr, nullptr);
        if (socket < 0) continue;
        std::string request = readRequest(socket);
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        RawConnection connection(socket);
        script_(request, connection);
        ::close(socket);
    }
}

int closedLoopbackPort() {
    int port = 0;
    int socket = boundLoopbackSocket(port);
    ::close(socket);
    return port;
}

}  // namespace testing_support

namespace testing_support {

bool loopbackPortAccepts(int port) {
    int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    bool accepted = ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(socket);
    return accepted;
}

}  // namespace testing_support
