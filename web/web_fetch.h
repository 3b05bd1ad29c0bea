#pragma once
// WebFetch: one synchronous HTTP or HTTPS request, the program's only way onto the network. It fills
// in the default request headers the caller left out, sends, reads the whole answer, folds the cookies
// the answer sets into `cookies`, and re-decodes a body that declares a character set other than GBK.
// Every out-parameter is a pointer: nullptr means "not supplied", and a supplied one is written only
// on the paths that reach it. Runs on the caller's thread; on the UI thread the windows stay painted
// while it waits (pending events run every 20 ms), so a caller there must expect re-entry.

#include <string>
#include <string_view>

#include "web/cookie_text.h"

namespace web {

// The seventeen parameters in their order, for designated initialisers:
// WebFetch({.url = address, .method = 1, .body = form, .cookies = &sessionCookies}).
struct FetchRequest {
    std::string_view url;               // http or https; anything else gives "701 ..."
    int method = 0;                     // 0 GET, 1 POST, 2 HEAD, 3 PUT, any other number GET
    std::string_view body;              // sent whatever the method
    CookieText* cookies = nullptr;      // nullptr: left out. Given (even ""): sent, then merged
    CookieText* responseCookies = nullptr;  // "a=1; b=2" of the Set-Cookie lines, "" when none
    std::string_view extraHeaders;      // "Name: value\r\n" lines; a name here suppresses its default
    std::string* responseHeaders = nullptr;  // the final answer's raw header block, CR LF line ends
    bool noRedirect = false;            // redirects are followed (at most 10) unless this is set
    std::string_view userName;          // Basic credentials, used when both are non-empty
    std::string_view password;
    std::string_view proxy;             // "host:port"; "" connects directly
    std::string_view proxyUser;         // Basic proxy credentials, used when both are non-empty
    std::string_view proxyPassword;
    int timeoutSeconds = 0;             // per phase: connect, then the longest wait for more bytes; <= 0 is 30
    std::string* location = nullptr;    // target of the last "Location: " line (any case)
    std::string* statusText = nullptr;  // "200 OK", or the failure message "711 ..." and the like
    std::string* responseBytes = nullptr;  // the body exactly as received, NUL bytes included
};

// The body as GBK text, cut at its first NUL byte; "" on every failure, with the numbered message
// (700 to 713) in statusText. A body that breaks off mid-way still counts: the part read is kept and
// statusText holds the status line.
std::string WebFetch(const FetchRequest& request);

std::string WebFetch(std::string_view url, int method = 0, std::string_view body = "", CookieText* cookies = nullptr,
                     CookieText* responseCookies = nullptr, std::string_view extraHeaders = "",
                     std::string* responseHeaders = nullptr, bool noRedirect = false, std::string_view userName = "",
                     std::string_view password = "", std::string_view proxy = "", std::string_view proxyUser = "",
                     std::string_view proxyPassword = "", int timeoutSeconds = 0, std::string* location = nullptr,
                     std::string* statusText = nullptr, std::string* responseBytes = nullptr);

// The steps after the transport, on the raw header block and the body bytes of an answer: status text,
// Set-Cookie capture and merge, location, the NUL rule and the character-set step, writing the
// out-parameters of `request`. An empty header block gives "" and writes nothing.
std::string readFetchAnswer(std::string_view headerBlock, std::string_view bodyBytes, const FetchRequest& request);

}  // namespace web
