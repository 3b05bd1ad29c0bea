#pragma once
// The login window: the platform's own login page in an embedded browser, and the button with which
// the seller says the login is done. The program never reads what the seller types into the page: it
// takes over the browser's cookies and asks the platform for the session token with them.

#include <string>
#include <string_view>

namespace research {

// Opens the login window, modeless and with no owner, on "http://" + backendHost + "/"; when it is
// already open, brings it to the front.
void openLoginWindow();

// The cookies that the browser holds for "http://" + host, HttpOnly ones included: the two reads of
// the store, without and with HttpOnly cookies, merged.
std::string readBrowserCookies(std::string_view host);

// The click handler of loginDoneButton: session cookies and token into the globals, then
// "登录成功 " (and the caption "登录成功", and the window closed) or "登录失败 请检查".
void confirmLogin();

}  // namespace research
