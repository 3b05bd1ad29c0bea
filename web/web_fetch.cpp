#include "web/web_fetch.h"

#include <algorithm>
#include <climits>

#include "platform/codepage.h"
#include "platform/gbk_literal.h"
#include "platform/http_transport.h"
#include "platform/ui_bridge.h"
#include "web/pattern_matcher.h"
#include "web/text.h"

namespace web {
namespace {

using platform::HttpFailure;

constexpr std::string_view charsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
constexpr size_t charsetSearchBytes = 1024;

struct DefaultHeader {
    std::string_view searched;
    bool ignoreCase;
    std::string_view line;
};

// Checked and appended in this order; each search runs over the header text built so far.
constexpr DefaultHeader defaultHeaders[] = {
    {"User-Agent: ", true, "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)"},
    {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*"},
    {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312"},
    {"Accept-Language: ", true, "Accept-Language: zh-cn"},
    {"Content-Type:", false, "Content-Type: application/x-www-form-urlencoded"},
    {"Cache-Control: ", true, "Cache-Control: no-cache"},
};

std::string message(HttpFailure failure) {
    switch (failure) {
        case HttpFailure::noTransport: return platform::gbk("700 当前系统不支持WinHttp服务!");
        case HttpFailure::badUrl: return platform::gbk("701 解析URL地址失败!");
        case HttpFailure::noSession: return platform::gbk("702 创建WinHttp会话失败!");
        case HttpFailure::noConnection: return platform::gbk("703 创建WinHttp连接失败!");
        case HttpFailure::noRequest: return platform::gbk("704 创建WinHttp请求失败!");
        case HttpFailure::timeoutsRefused: return platform::gbk("705 设置超时时间失败!");
        case HttpFailure::credentialsRefused: return platform::gbk("707 设置代理凭证失败!");
        case HttpFailure::cookieOptionRefused: return platform::gbk("708 禁止自动设置Cookies失败!");
        case HttpFailure::redirectOptionRefused: return platform::gbk("709 重定向设置失败!");
        case HttpFailure::headersRefused: return platform::gbk("710 设置协议头失败!");
        case HttpFailure::notSent: return platform::gbk("711 发送请求失败!");
        case HttpFailure::noAnswer: return platform::gbk("712 服务器未响应!");
        case HttpFailure::readBroken: return platform::gbk("713 读取数据失败!");
        case HttpFailure::none: break;
    }
    return "";
}

std::string_view verbOf(int method) {
    switch (method) {
        case 1: return "POST";
        case 2: return "HEAD";
        case 3: return "PUT";
        default: return "GET";
    }
}

std::string requestHeaderText(const FetchRequest& request) {
    std::string text(request.extraHeaders);
    for (const DefaultHeader& header : defaultHeaders)
        if (textPosition(text, header.searched, 1, header.ignoreCase) == -1) text.append(header.line).append("\r\n");
    if (request.cookies != nullptr && !request.cookies->empty() && textPosition(text, "Cookie: ", 1, true) == -1)
        text.append("Cookie: ").append(*request.cookies).append("\r\n");
    return text;
}

std::string_view untilNul(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

// Without ASCII blanks and full-width (0xA1 0xA1) blanks at either end; two-byte characters are
// stepped over whole, so a trail byte never counts as half a blank.
std::string trimBlanks(std::string_view text) {
    size_t first = std::string_view::npos, end = 0;
    for (size_t at = 0; at < text.size();) {
        bool twoBytes = static_cast<unsigned char>(text[at]) >= 0x81 && at + 1 < text.size();
        size_t width = twoBytes ? 2 : 1;
        bool blank = text[at] == ' ' || (twoBytes && text.substr(at, 2) == "\xA1\xA1");
        if (!blank) {
            if (first == std::string_view::npos) first = at;
            end = at + width;
        }
        at += width;
    }
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first, end - first));
}

// Every occurrence of `searched` in any ASCII case becomes `searched` as written.
void foldSpelling(std::string& text, std::string_view searched) {
    for (int at = textPosition(text, searched, 1, true); at != -1;
         at = textPosition(text, searched, at + static_cast<int>(searched.size()), true))
        text.replace(static_cast<size_t>(at - 1), searched.size(), searched);
}

// The line without any "Set-Cookie:" in any ASCII case.
std::string withoutCookieLabel(std::string_view line) {
    constexpr std::string_view label = "Set-Cookie:";
    std::string rest;
    int from = 1;
    for (int at = textPosition(line, label, from, true); at != -1; at = textPosition(line, label, from, true)) {
        rest.append(line.substr(static_cast<size_t>(from - 1), static_cast<size_t>(at - from)));
        from = at + static_cast<int>(label.size());
    }
    rest.append(line.substr(std::min(line.size(), static_cast<size_t>(from - 1))));
    return rest;
}

std::string cookiePair(std::string_view line) {
    if (textPosition(line, ";") != -1) return trimBlanks(textBetween(line, "Set-Cookie:", ";"));
    return trimBlanks(withoutCookieLabel(line));
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(text[i]) != lower(prefix[i])) return false;
    }
    return true;
}

std::string statusOf(std::string_view headers) {
    int end = textPosition(headers, "\r\n", 10);
    return end == -1 ? std::string() : std::string(headers.substr(9, static_cast<size_t>(end - 10)));
}

// The body up to its first NUL, re-decoded from all of the body when its head declares a character
// set other than GBK. A body that needs neither becomes the text itself, without a copy.
std::string bodyText(std::string body) {
    size_t nul = body.find('\0');
    std::string text = nul == std::string::npos ? std::string() : body.substr(0, nul);
    std::string_view shown = nul == std::string::npos ? std::string_view(body) : std::string_view(text);
    bool changed = nul != std::string::npos;
    PatternMatcher matcher;
    if (matcher.search(charsetPattern, shown.substr(0, charsetSearchBytes))) {
        std::string name = matcher.groupText(1, 1);
        if (!name.empty() && name != "gbk" && name != "gb2312") {
            if (auto decoded = platform::charsetToGbk(body, name)) {
                text = std::string(untilNul(*decoded));
                changed = true;
            }
        }
        platform::letPendingEventsRun();
    }
    platform::letPendingEventsRun();
    if (changed) return text;
    return body;
}

// Takes the body by value, so that a large answer becomes the result without another copy.
std::string answerText(std::string_view headerBlock, std::string body, const FetchRequest& request) {
    std::string headers(untilNul(headerBlock));
    if (headers.empty()) return "";
    if (request.statusText != nullptr) *request.statusText = statusOf(headers);
    foldSpelling(headers, "Set-Cookie");

    CookieText responseCookies;
    std::string location;
    bool sawLocation = false;
    for (const std::string& line : splitOnDelimiter(headers, "\r\n")) {
        if (textPosition(line, "Set-Cookie") != -1) responseCookies.append(cookiePair(line)).append("; ");
        if (startsWithIgnoringCase(line, "Location: ")) {
            location = line.substr(10);
            sawLocation = true;
        }
        platform::letPendingEventsRun();
    }
    if (responseCookies.size() >= 2) responseCookies.resize(responseCookies.size() - 2);
    if (request.cookies != nullptr) mergeCookies(*request.cookies, responseCookies);

    if (request.responseHeaders != nullptr) *request.responseHeaders = std::move(headers);
    if (request.responseCookies != nullptr) *request.responseCookies = std::move(responseCookies);
    if (sawLocation && request.location != nullptr) *request.location = std::move(location);
    if (request.responseBytes != nullptr) *request.responseBytes = body;

    return bodyText(std::move(body));
}

}  // namespace

std::string readFetchAnswer(std::string_view headerBlock, std::string_view bodyBytes, const FetchRequest& request) {
    return answerText(headerBlock, std::string(bodyBytes), request);
}

std::string WebFetch(const FetchRequest& request) {
    std::string headerLines = requestHeaderText(request);
    platform::HttpRequest http;
    http.url = request.url;
    http.verb = verbOf(request.method);
    http.body = request.body;
    http.headerLines = headerLines;
    http.userName = request.userName;
    http.password = request.password;
    http.proxy = request.proxy;
    http.proxyUser = request.proxyUser;
    http.proxyPassword = request.proxyPassword;
    http.timeoutMilliseconds =
        request.timeoutSeconds > 0 ? static_cast<int>(std::min<long long>(request.timeoutSeconds * 1000LL, INT_MAX))
                                   : 30000;
    http.cookieEngine = request.cookies != nullptr;
    http.followRedirects = !request.noRedirect;

    platform::HttpResponse response = platform::sendHttpRequest(http);
    if (response.failure != HttpFailure::none && request.statusText != nullptr)
        *request.statusText = message(response.failure);
    std::string result;
    if (response.failure == HttpFailure::none || response.failure == HttpFailure::readBroken)
        result = answerText(response.headerBlock, std::move(response.body), request);
    platform::letPendingEventsRun();
    return result;
}

std::string WebFetch(std::string_view url, int method, std::string_view body, CookieText* cookies,
                     CookieText* responseCookies, std::string_view extraHeaders, std::string* responseHeaders,
                     bool noRedirect, std::string_view userName, std::string_view password, std::string_view proxy,
                     std::string_view proxyUser, std::string_view proxyPassword, int timeoutSeconds,
                     std::string* location, std::string* statusText, std::string* responseBytes) {
    return WebFetch(FetchRequest{url, method, body, cookies, responseCookies, extraHeaders, responseHeaders,
                                 noRedirect, userName, password, proxy, proxyUser, proxyPassword, timeoutSeconds,
                                 location, statusText, responseBytes});
}

}  // namespace web
