#include "platform/http_transport.h"

#include <curl/curl.h>
#include <sys/mman.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/ui_bridge.h"

namespace platform {
namespace {

// Move-only owners of the curl handles.
template <class Handle, void (*release)(Handle*)>
class CurlOwner {
public:
    CurlOwner() = default;
    explicit CurlOwner(Handle* handle) : handle_(handle) {}
    CurlOwner(CurlOwner&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    CurlOwner& operator=(CurlOwner&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    CurlOwner(const CurlOwner&) = delete;
    CurlOwner& operator=(const CurlOwner&) = delete;
    ~CurlOwner() {
        if (handle_ != nullptr) release(handle_);
    }
    Handle* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle* handle_ = nullptr;
};

void releaseEasy(CURL* handle) { curl_easy_cleanup(handle); }
void releaseUrl(CURLU* handle) { curl_url_cleanup(handle); }
void releaseList(curl_slist* list) { curl_slist_free_all(list); }
void releaseMulti(CURLM* handle) { curl_multi_cleanup(handle); }
void releasePart(char* text) { curl_free(text); }

using CurlEasy = CurlOwner<CURL, releaseEasy>;
using CurlUrl = CurlOwner<CURLU, releaseUrl>;
using CurlMulti = CurlOwner<CURLM, releaseMulti>;
using CurlText = CurlOwner<char, releasePart>;

// A header list grows by appending; curl_slist_append gives a new head only for the first item.
class CurlHeaderList {
public:
    bool append(const std::string& line) {
        curl_slist* head = curl_slist_append(list_.get(), line.c_str());
        if (head == nullptr) return false;
        if (!list_) list_ = CurlOwner<curl_slist, releaseList>(head);
        return true;
    }
    curl_slist* get() const { return list_.get(); }

private:
    CurlOwner<curl_slist, releaseList> list_;
};

// The easy handle stays in the multi handle only while the multi wait runs.
class MultiAttachment {
public:
    MultiAttachment(CURLM* multi, CURL* easy) : multi_(multi), easy_(easy) {
        attached_ = curl_multi_add_handle(multi, easy) == CURLM_OK;
    }
    MultiAttachment(const MultiAttachment&) = delete;
    MultiAttachment& operator=(const MultiAttachment&) = delete;
    ~MultiAttachment() {
        if (attached_) curl_multi_remove_handle(multi_, easy_);
    }
    bool attached() const { return attached_; }

private:
    CURLM* multi_;
    CURL* easy_;
    bool attached_ = false;
};

bool curlReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return asciiLower(c); });
    return lower;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && asciiLower(text.substr(0, prefix.size())) == prefix;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

struct HeaderLine {
    std::string name;  // lower case
    std::string line;
};

// The caller's lines folded to one line per name; nullopt when a line is not a header line.
std::optional<std::vector<HeaderLine>> foldHeaderLines(std::string_view text) {
    std::vector<HeaderLine> lines;
    while (!text.empty()) {
        size_t end = text.find("\r\n");
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
        if (line.empty()) continue;
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || line.find_first_of("\r\n") != std::string_view::npos ||
            line.find('\0') != std::string_view::npos)
            return std::nullopt;
        std::string name = asciiLower(trimmed(line.substr(0, colon)));
        if (name.empty()) return std::nullopt;
        // curl drops a header written "Name:" with nothing after it; "Name;" sends it empty.
        std::string wire = trimmed(line.substr(colon + 1)).empty()
                               ? std::string(trimmed(line.substr(0, colon))) + ";"
                               : std::string(line);
        auto same = std::find_if(lines.begin(), lines.end(),
                                 [&](const HeaderLine& known) { return known.name == name; });
        if (same != lines.end())
            same->line = std::move(wire);
        else
            lines.push_back({std::move(name), std::move(wire)});
    }
    return lines;
}

using Clock = std::chrono::steady_clock;

// Large enough that a big answer arrives in few callbacks, small enough to cost nothing for a small one.
constexpr long receiveBufferBytes = 256 * 1024;

// What the callbacks learn while the exchange runs.
struct Exchange {
    HttpResponse response;
    bool connected = false;       // a request went out on an established connection
    bool headersComplete = false; // the current response's header block is whole
    bool stalled = false;         // nothing arrived within the time-out
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastUploaded = 0;
    curl_off_t lastDownloaded = 0;
    Clock::duration stallLimit{};
    long long contentLength = -1;
};

// Room for `bytes` in the body. A large body asks for transparent huge pages: filling fresh memory
// page by page costs more than the transfer itself (about 270 ms against 11 ms for 50 MB here).
void reserveBody(std::string& body, size_t bytes) {
    if (bytes <= body.capacity()) return;
    body.reserve(bytes);
    constexpr uintptr_t hugePage = 2u << 20;
    if (bytes < 2 * hugePage) return;
    auto start = reinterpret_cast<uintptr_t>(body.data());
    uintptr_t first = (start + hugePage - 1) & ~(hugePage - 1);
    uintptr_t last = (start + body.capacity()) & ~(hugePage - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

size_t onHeader(char* data, size_t size, size_t count, void* context) {
    auto& exchange = *static_cast<Exchange*>(context);
    std::string_view line(data, size * count);
    exchange.lastActivity = Clock::now();
    if (line.substr(0, 5) == "HTTP/") {
        // A new response (after a 1xx or a followed redirect) replaces what came before.
        exchange.response.headerBlock.clear();
        exchange.headersComplete = false;
        exchange.contentLength = -1;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    exchange.response.headerBlock.append(line).append("\r\n");
    if (line.empty()) {
        exchange.headersComplete = true;
        constexpr long long reserveLimit = 1LL << 28;
        if (exchange.contentLength > 0)
            reserveBody(exchange.response.body, static_cast<size_t>(std::min(exchange.contentLength, reserveLimit)));
    } else if (startsWithIgnoringCase(line, "content-length:")) {
        std::string digits(trimmed(line.substr(15)));
        if (!digits.empty() && digits.size() < 19 &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            exchange.contentLength = std::stoll(digits);
    }
    return size * count;
}

size_t onBody(char* data, size_t size, size_t count, void* context) {
    auto& exchange = *static_cast<Exchange*>(context);
    exchange.lastActivity = Clock::now();
    std::string& body = exchange.response.body;
    if (body.size() + size * count > body.capacity())
        reserveBody(body, std::max(body.capacity() * 2, body.size() + size * count));
    body.append(data, size * count);
    return size * count;
}

int onConnected(void* context, char*, char*, int, int) {
    auto& exchange = *static_cast<Exchange*>(context);
    exchange.connected = true;
    exchange.lastActivity = Clock::now();
    return CURL_PREREQFUNC_OK;
}

// Aborts when neither direction moved a byte for the time-out, once connected (the connect phase has
// its own limit).
int onProgress(void* context, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
    auto& exchange = *static_cast<Exchange*>(context);
    Clock::time_point now = Clock::now();
    if (downloaded != exchange.lastDownloaded || uploaded != exchange.lastUploaded) {
        exchange.lastDownloaded = downloaded;
        exchange.lastUploaded = uploaded;
        exchange.lastActivity = now;
    }
    if (exchange.connected && now - exchange.lastActivity > exchange.stallLimit) {
        exchange.stalled = true;
        return 1;
    }
    return 0;
}

CURLcode waitOnUiThread(CURL* easy, HttpFailure& failure) {
    CurlMulti multi(curl_multi_init());
    if (!multi) {
        failure = HttpFailure::noConnection;
        return CURLE_FAILED_INIT;
    }
    MultiAttachment attachment(multi.get(), easy);
    if (!attachment.attached()) {
        failure = HttpFailure::noConnection;
        return CURLE_FAILED_INIT;
    }
    int running = 1;
    while (running > 0) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) return CURLE_FAILED_INIT;
        if (running == 0) break;
        curl_multi_poll(multi.get(), nullptr, 0, 20, nullptr);
        letPendingEventsRun();
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &left))
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy) return message->data.result;
    return CURLE_FAILED_INIT;
}

HttpFailure failureOf(CURLcode code, const Exchange& exchange) {
    if (code == CURLE_OK) return HttpFailure::none;
    if (code == CURLE_TOO_MANY_REDIRECTS) return HttpFailure::noAnswer;
    if (exchange.headersComplete) return HttpFailure::readBroken;
    return exchange.connected ? HttpFailure::noAnswer : HttpFailure::notSent;
}

}  // namespace

std::optional<HttpUrl> splitHttpUrl(std::string_view url) {
    if (!curlReady() || url.find('\0') != std::string_view::npos) return std::nullopt;
    CurlUrl handle(curl_url());
    if (!handle) return std::nullopt;
    std::string text(url);
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), CURLU_URLENCODE) != CURLUE_OK)
        return std::nullopt;
    auto part = [&](CURLUPart which, unsigned flags) -> std::optional<std::string> {
        char* raw = nullptr;
        if (curl_url_get(handle.get(), which, &raw, flags) != CURLUE_OK) return std::nullopt;
        CurlText owned(raw);
        return std::string(raw);
    };
    HttpUrl parts;
    auto scheme = part(CURLUPART_SCHEME, 0);
    auto host = part(CURLUPART_HOST, 0);
    auto port = part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (!scheme || !host || !port || host->empty()) return std::nullopt;
    parts.scheme = asciiLower(*scheme);
    if (parts.scheme != "http" && parts.scheme != "https") return std::nullopt;
    parts.secure = parts.scheme == "https";
    parts.host = *host;
    parts.port = std::atoi(port->c_str());
    parts.objectName = part(CURLUPART_PATH, 0).value_or("/");
    if (parts.objectName.empty()) parts.objectName = "/";
    if (auto query = part(CURLUPART_QUERY, 0)) parts.objectName += "?" + *query;
    return parts;
}

HttpResponse sendHttpRequest(const HttpRequest& request) {
    HttpResponse failed;
    auto fail = [&failed](HttpFailure failure) {
        failed.failure = failure;
        return std::move(failed);
    };
    if (!curlReady()) return fail(HttpFailure::noTransport);
    std::optional<HttpUrl> url = splitHttpUrl(request.url);
    if (!url) return fail(HttpFailure::badUrl);
    CurlEasy easy(curl_easy_init());
    if (!easy) return fail(HttpFailure::noSession);
    CURL* handle = easy.get();
    auto set = [handle](CURLoption option, auto value) { return curl_easy_setopt(handle, option, value) == CURLE_OK; };

    const bool defaultPort = url->port == (url->secure ? 443 : 80);
    std::string address = url->scheme + "://" + url->host + (defaultPort ? "" : ":" + std::to_string(url->port)) +
                          url->objectName;
    std::string verb(request.verb);
    const bool head = verb == "HEAD";
    Exchange exchange;
    exchange.stallLimit = std::chrono::milliseconds(std::max(request.timeoutMilliseconds, 1));

    bool plain = set(CURLOPT_URL, address.c_str()) && set(CURLOPT_NOSIGNAL, 1L) &&
                 set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) &&
                 set(CURLOPT_HTTP_CONTENT_DECODING, 0L) &&
                 set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) &&
                 set(CURLOPT_BUFFERSIZE, receiveBufferBytes) &&
                 set(CURLOPT_HEADERFUNCTION, onHeader) && set(CURLOPT_HEADERDATA, &exchange) &&
                 set(CURLOPT_WRITEFUNCTION, onBody) && set(CURLOPT_WRITEDATA, &exchange) &&
                 set(CURLOPT_PREREQFUNCTION, onConnected) && set(CURLOPT_PREREQDATA, &exchange) &&
                 set(CURLOPT_XFERINFOFUNCTION, onProgress) && set(CURLOPT_XFERINFODATA, &exchange) &&
                 set(CURLOPT_NOPROGRESS, 0L);
    // POST goes through curl's own POST, so a followed 301-303 turns it into a GET as browsers do.
    static const char noBody[] = "";
    const char* bodyBytes = request.body.empty() ? noBody : request.body.data();
    const bool sendsBody = verb == "POST" || verb == "PUT" || !request.body.empty();
    if (head)
        plain = plain && set(CURLOPT_NOBODY, 1L);
    else if (sendsBody)
        plain = plain && set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size())) &&
                set(CURLOPT_POSTFIELDS, bodyBytes) &&
                (verb == "POST" || set(CURLOPT_CUSTOMREQUEST, verb.c_str()));
    if (!plain) return fail(HttpFailure::noRequest);

    std::string proxy;
    if (!request.proxy.empty()) {
        proxy = request.proxy.find("://") == std::string_view::npos ? "http://" + std::string(request.proxy)
                                                                    : std::string(request.proxy);
        if (!set(CURLOPT_PROXY, proxy.c_str())) return fail(HttpFailure::noSession);
    }

    if (!set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max(request.timeoutMilliseconds, 1))))
        return fail(HttpFailure::timeoutsRefused);

    std::string userName(request.userName), password(request.password);
    if (!userName.empty() && !password.empty() &&
        !(set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC)) && set(CURLOPT_USERNAME, userName.c_str()) &&
          set(CURLOPT_PASSWORD, password.c_str())))
        return fail(HttpFailure::credentialsRefused);
    std::string proxyUser(request.proxyUser), proxyPassword(request.proxyPassword);
    if (!proxyUser.empty() && !proxyPassword.empty() &&
        !(set(CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC)) &&
          set(CURLOPT_PROXYUSERNAME, proxyUser.c_str()) && set(CURLOPT_PROXYPASSWORD, proxyPassword.c_str())))
        return fail(HttpFailure::credentialsRefused);

    if (request.cookieEngine && !set(CURLOPT_COOKIEFILE, "")) return fail(HttpFailure::cookieOptionRefused);
    if (!set(CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L) || !set(CURLOPT_MAXREDIRS, 10L))
        return fail(HttpFailure::redirectOptionRefused);

    auto lines = foldHeaderLines(request.headerLines);
    if (!lines) return fail(HttpFailure::headersRefused);
    CurlHeaderList headers;
    auto has = [&](std::string_view name) {
        return std::any_of(lines->begin(), lines->end(), [&](const HeaderLine& line) { return line.name == name; });
    };
    // Headers curl would add of its own are switched off unless the caller sent them.
    // The Cookie line goes through curl's cookie option, so that cookies curl's engine keeps from a
    // redirect of this call join it on one line instead of a second Cookie header.
    std::vector<std::string> wire;
    std::string cookieLine;
    for (const HeaderLine& line : *lines) {
        if (line.name == "cookie")
            cookieLine = trimmed(std::string_view(line.line).substr(line.line.find_first_of(":;") + 1));
        else
            wire.push_back(line.line);
    }
    if (!cookieLine.empty() && !set(CURLOPT_COOKIE, cookieLine.c_str())) return fail(HttpFailure::headersRefused);
    if (!has("expect")) wire.push_back("Expect:");
    if (!has("accept")) wire.push_back("Accept:");
    if (!has("content-type")) wire.push_back("Content-Type:");
    for (const std::string& line : wire)
        if (!headers.append(line)) return fail(HttpFailure::noRequest);
    if (!set(CURLOPT_HTTPHEADER, headers.get())) return fail(HttpFailure::headersRefused);

    HttpFailure setupFailure = HttpFailure::none;
    CURLcode code = isUiThread() ? waitOnUiThread(handle, setupFailure) : curl_easy_perform(handle);
    if (setupFailure != HttpFailure::none) return fail(setupFailure);
    exchange.response.failure = failureOf(code, exchange);
    if (exchange.response.failure != HttpFailure::none && exchange.response.failure != HttpFailure::readBroken) {
        exchange.response.headerBlock.clear();
        exchange.response.body.clear();
    }
    return std::move(exchange.response);
}

}  // namespace platform
