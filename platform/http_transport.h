#pragma once
// One HTTP/1.1 exchange over libcurl, standing in for the Windows HTTP service. Every call makes its own
// handles and reuses nothing. On the UI thread the wait lets pending window events run about every
// 20 ms, so the windows stay painted; on any other thread it blocks. Thread-safe, never throws.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct HttpUrl {
    std::string scheme;      // "http" or "https", lower case
    std::string host;        // an IPv6 address keeps its brackets
    int port = 0;            // the scheme's default when the address names none
    std::string objectName;  // "/" for an empty path, else path followed by "?" and the query
    bool secure = false;     // https
};

// Splits an absolute http or https address with curl's URL parser; nullopt for anything else.
// splitHttpUrl("https://h") gives port 443 and object "/"; "http://h:81/a?b=1" gives 81 and "/a?b=1".
std::optional<HttpUrl> splitHttpUrl(std::string_view url);

enum class HttpFailure {
    none,
    noTransport,            // libcurl could not be initialised
    badUrl,                 // splitHttpUrl refused the address
    noSession,              // no easy handle
    noConnection,           // no multi handle for the UI-thread wait
    noRequest,              // no request header list
    timeoutsRefused,
    credentialsRefused,
    cookieOptionRefused,
    redirectOptionRefused,
    headersRefused,         // also a header line without a colon or with a bare CR or LF in it
    notSent,                // nothing reached a server: unknown host, refused or timed-out connect
    noAnswer,               // connected, but no complete response header block arrived in time
    readBroken,             // the body broke off or stalled after the header block: body keeps the part
};

struct HttpRequest {
    std::string_view url;
    std::string_view verb = "GET";  // "HEAD" asks for no body; any body is sent whatever the verb
    std::string_view body;
    // "Name: value" lines ended by CR LF. One line per name goes on the wire (names compared without
    // ASCII case, a later line replacing an earlier one). Besides these only Host and Content-Length.
    // The Cookie line follows Host, joined on one line with the cookies of cookieEngine.
    std::string_view headerLines;
    std::string_view userName, password;       // Basic, sent only when both are non-empty
    std::string_view proxy;                    // "host:port"; "" connects directly
    std::string_view proxyUser, proxyPassword; // Basic, sent only when both are non-empty
    // Resolve-and-connect limit and the longest wait for the next bytes afterwards; an answer that
    // keeps flowing is never cut off.
    int timeoutMilliseconds = 30000;
    bool cookieEngine = false;     // curl keeps the cookies that redirects within this call set
    bool followRedirects = true;   // at most 10
};

struct HttpResponse {
    HttpFailure failure = HttpFailure::none;
    // The final response's header block: status line first, every line ended by CR LF, closed by an
    // empty line. Filled when failure is none or readBroken.
    std::string headerBlock;
    std::string body;  // exactly the bytes that arrived (chunking undone, no content decoding)
};

HttpResponse sendHttpRequest(const HttpRequest& request);

}  // namespace platform
