#pragma once
// The simulator: one cpp-httplib server on 127.0.0.1 that plays the platform's login page, login-info
// endpoint and report, the use counter and the notice page, with the faults its options ask for.
// Its state (sessions, counts, fault budgets) is shared by the server's worker threads under one lock.

#include <memory>

#include "sim/options.h"

namespace sim {

class Simulator {
  public:
    explicit Simulator(SimOptions options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Binds 127.0.0.1 at the options' port (0: a free one). The port, or -1 when it cannot be had.
    int bind();
    // Answers requests until stop(); false when bind() has not succeeded.
    bool serve();
    // Ends serve() and every stalled answer; callable from any thread, before or during serve().
    void stop();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace sim
