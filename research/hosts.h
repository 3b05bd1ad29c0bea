#pragma once
// The hosts the program talks to. They are build configuration: each executable compiles in its own
// table (the product the platform's, the demo the simulator's), so no user can switch them.

#include <string>

namespace research {

struct Hosts {
    std::string backendHost;     // the platform's web back end: login page, login info, report
    std::string cookieHost;      // whose browser cookies make the session
    std::string counterHost;     // the public use counter
    std::string counterAccount;  // our account number at the counter
    std::string noticeHost;      // the update notice page
};

// Defined once per executable.
const Hosts& hosts();

}  // namespace research
