// Arbitrary bytes as the raw answer of a request: the header block up to the first empty line, the
// body after it, through every step that follows the transport.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "web/web_fetch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view answer(reinterpret_cast<const char*>(data), size);
    size_t end = answer.find("\r\n\r\n");
    std::string_view headerBlock = end == std::string_view::npos ? answer : answer.substr(0, end + 4);
    std::string_view body = end == std::string_view::npos ? std::string_view() : answer.substr(end + 4);

    web::CookieText cookies = "sid=1; k=v", responseCookies;
    std::string responseHeaders, location, statusText, responseBytes;
    web::FetchRequest request{.cookies = &cookies,
                              .responseCookies = &responseCookies,
                              .responseHeaders = &responseHeaders,
                              .location = &location,
                              .statusText = &statusText,
                              .responseBytes = &responseBytes};
    std::string text = web::readFetchAnswer(headerBlock, body, request);
    if (text.find('\0') != std::string::npos) __builtin_trap();
    if (!headerBlock.empty() && headerBlock.find('\0') != 0 && responseBytes != body) __builtin_trap();
    return 0;
}
