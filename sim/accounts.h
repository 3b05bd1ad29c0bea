#pragma once
// The simulated platform's one seller account, its cookie names and the session-token rule, shared by
// the simulator and by the tests that log in to it. Texts are UTF-8, as the platform's pages are.

#include <string>
#include <string_view>

namespace sim {

// The demo account; the login page shows it, and any other pair is refused.
inline constexpr std::string_view kDemoUser = "演示卖家";
inline constexpr std::string_view kDemoPassword = "demo123";

// The HttpOnly cookie that carries the session; its value is 32 lower-case hexadecimal digits.
inline constexpr std::string_view kSessionCookie = "cookie2";
// Plain cookies of a login: one is set cleared ("unb=deleted"), one holds a space in its value.
inline constexpr std::string_view kDeletedCookie = "unb";
inline constexpr std::string_view kSpacedCookie = "sgcookie";
// Rotated by every valid report answer.
inline constexpr std::string_view kRotatedCookie = "isg";

// The token that the login-info endpoint hands out for a session: 12 lower-case hexadecimal digits,
// a fixed function of the session cookie's value, so a test that knows the cookie knows the token.
std::string tokenForSession(std::string_view sessionValue);

}  // namespace sim
