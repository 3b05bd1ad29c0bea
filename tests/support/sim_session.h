#pragma once
// Shortcuts for tests that need a logged-in session without the browser: the login form posted and
// the login info read over HTTP, as the login window would leave them.

#include "tests/support/sim_process.h"

namespace testing_support {

// Logs in to `sim` with the demo account and puts its cookies and token into the program's globals.
// False when the simulator refused.
bool logInOverHttp(const SimProcess& sim);

}  // namespace testing_support
