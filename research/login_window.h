#pragma once
// The login window: the platform's own login page in an embedded browser, and the button with which
// the seller says the login is done.

namespace research {

// Opens the login window, modeless and with no owner; brings it to the front when it is open.
void openLoginWindow();

}  // namespace research
