#pragma once
// The texts the simulated platform answers with, UTF-8: its two HTML pages and its JSON answers.

#include <string>
#include <string_view>

namespace sim {

// The login form: form "loginForm" posting to /login, inputs "username" and "password", button
// "submit", the demo account written out, and `error` above the form when it is not empty.
std::string loginPage(std::string_view error);

// The home page of a logged-in seller (element "sellerName" holds the name).
std::string sellerPage(std::string_view seller);

// {"code":"<code>","msg":"<message>","result":null}: every refusal of the JSON endpoints. It holds
// neither a token nor a word key. `message` is written as is (no quotes or backslashes in it).
std::string errorJson(std::string_view code, std::string_view message);

enum class TokenShape { followed, last, missing };

// The login-info answer of a session. `followed` puts another field after the token
// ("token":"<token>","userType":"1"), `last` makes the token the object's last field, `missing`
// leaves it out.
std::string loginInfoJson(std::string_view seller, std::string_view token, TokenShape shape);

// The platform's page for an internal error (HTTP 500).
std::string serverErrorPage();

}  // namespace sim
