#pragma once
// The simulator as a child process for one test: started on a free loopback port, stopped with SIGTERM
// when the object goes. Works from any thread and needs no event loop.
//
//   testing_support::SimProcess sim({"--records", "3"});
//   ASSERT_TRUE(sim.running());
//   httplib::Client client("127.0.0.1", sim.port());

#include <sys/types.h>

#include <string>
#include <vector>

namespace testing_support {

class SimProcess {
  public:
    // Runs $QUORVIK_SIM --port 0 --stop-on-stdin-eof with `extraArgs` (a later --port wins) and waits
    // for its "port N" line; the simulator also ends when this process dies. When the variable is unset,
    // the program cannot start or it says no port, running() is false and port() 0.
    explicit SimProcess(std::vector<std::string> extraArgs = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    int port() const { return port_; }
    std::string host() const;  // "127.0.0.1:<port>"
    bool running() const;

  private:
    pid_t pid_ = -1;
    int port_ = 0;
    int stdinWrite_ = -1;  // the simulator stops when this closes, even if the test process dies
    int stdoutRead_ = -1;
    mutable bool exited_ = false;
};

}  // namespace testing_support
