#include "tests/support/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace testing_support {
namespace {

// Generous: these limits only turn a hang into a failure.
constexpr int kStartLimitMs = 30000;
constexpr auto kStopLimit = std::chrono::seconds(10);

// The first line the child writes, without its line feed; "" when none comes in time.
std::string readFirstLine(int fd) {
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return "";
        char c = 0;
        if (read(fd, &c, 1) != 1) return "";
        if (c == '\n') return line;
        line += c;
    }
}

}  // namespace

SimProcess::SimProcess(std::vector<std::string> extraArgs) {
    const char* program = std::getenv("QUORVIK_SIM");
    if (program == nullptr || *program == '\0') return;
    std::vector<std::string> args = {program, "--port", "0", "--stop-on-stdin-eof"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdinWrite_ = in[1];
    stdoutRead_ = out[0];
    if (rc != 0) return;
    pid_ = pid;

    std::string line = readFirstLine(stdoutRead_);
    if (line.starts_with("port ")) port_ = std::atoi(line.c_str() + 5);
}

SimProcess::~SimProcess() {
    if (pid_ > 0 && !exited_) {  // an exited child is reaped already; its pid may be another's now
        kill(pid_, SIGTERM);
        auto deadline = std::chrono::steady_clock::now() + kStopLimit;
        while (waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (stdinWrite_ >= 0) close(stdinWrite_);
    if (stdoutRead_ >= 0) close(stdoutRead_);
}

std::string SimProcess::host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

bool SimProcess::running() const {
    if (pid_ <= 0 || port_ <= 0 || exited_) return false;
    if (waitpid(pid_, nullptr, WNOHANG) != 0) exited_ = true;
    return !exited_;
}

}  // namespace testing_support
