// quorvik-sim: the simulator as a program. It prints "port <N>" first, serves until SIGTERM or SIGINT
// (or, with --stop-on-stdin-eof, until its standard input closes) and then exits with 0.

#include <unistd.h>

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "sim/options.h"
#include "sim/server.h"

int main(int argc, char** argv) {
    // Signals are taken by one waiting thread, so they must be blocked before any thread starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    sim::ParsedOptions parsed = sim::parseOptions(arguments);
    if (!parsed.options) {
        std::fprintf(parsed.help ? stdout : stderr, "%s\n", parsed.message.c_str());
        return parsed.help ? 0 : 2;
    }
    sim::Simulator simulator(*parsed.options);
    int port = simulator.bind();
    if (port < 0) {
        std::fprintf(stderr, "quorvik-sim: cannot listen on 127.0.0.1:%d\n", parsed.options->port);
        return 1;
    }
    std::printf("port %d\n", port);
    std::fflush(stdout);

    std::thread signalWaiter([&simulator, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        simulator.stop();
    });
    signalWaiter.detach();
    if (parsed.options->stopOnStdinEof) {
        std::thread stdinWatcher([&simulator] {
            char buffer[256];
            while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
            }
            simulator.stop();
        });
        stdinWatcher.detach();
    }
    simulator.serve();
    // The watcher threads may still be blocked in sigwait or read and hold a reference to the
    // simulator, so the process ends here without tearing anything down under them.
    std::fflush(stdout);
    std::_Exit(0);
}
