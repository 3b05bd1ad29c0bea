// Input: a byte of option bits, a signed start position, two length bytes, then three texts a, b and c
// cut from the rest by those lengths (any bytes, NUL included). Every text helper and the cookie merge
// run over them; the search and split rules are checked against their literal reading.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "web/cookie_text.h"
#include "web/text.h"

namespace {

void check(bool ok) {
    if (!ok) abort();
}

bool isLead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

char fold(char c, bool ignoreCase) { return ignoreCase && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Candidates stepped one character at a time from the start position, as the search rule reads.
int literalPosition(std::string_view text, std::string_view search, int start, bool ignoreCase) {
    if (start < 1) start = 1;
    if (static_cast<size_t>(start) > text.size()) return -1;
    if (search.empty()) return 1;
    for (size_t i = static_cast<size_t>(start - 1); i < text.size() && text.size() - i >= search.size();) {
        bool equal = true;
        for (size_t k = 0; k < search.size() && equal; ++k) equal = fold(text[i + k], ignoreCase) == fold(search[k], ignoreCase);
        if (equal) return static_cast<int>(i) + 1;
        if (isLead(text[i]) && i + 1 >= text.size()) return -1;
        i += isLead(text[i]) ? 2 : 1;
    }
    return -1;
}

std::string joined(const std::vector<std::string>& pieces, std::string_view separator) {
    std::string out;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) out += separator;
        out += pieces[i];
    }
    return out;
}

constexpr std::array<const char*, 8> kCharsets = {"utf-8",    "big5",        "gbk",   "gb18030",
                                                  "utf-16",   "iso-2022-jp", "utf-7", "shift_jis"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint8_t flags = data[0];
    const int start = static_cast<int8_t>(data[1]);
    std::string_view rest(reinterpret_cast<const char*>(data + 4), size - 4);
    const std::string_view a = rest.substr(0, std::min<size_t>(data[2], rest.size()));
    rest.remove_prefix(a.size());
    const std::string_view b = rest.substr(0, std::min<size_t>(data[3] % 16, rest.size()));
    rest.remove_prefix(b.size());
    const std::string_view c = rest;
    const bool ignoreCase = flags & 1;

    const int position = web::textPosition(c, b, start, ignoreCase);
    check(position == literalPosition(c, b, start, ignoreCase));
    check(web::textPosition(a, b, start, ignoreCase) == literalPosition(a, b, start, ignoreCase));
    const std::vector<bool> starts = web::characterStarts(c);
    check(starts.size() == c.size());
    if (!b.empty() && start <= 1) check(position == -1 || starts[static_cast<size_t>(position - 1)]);

    const std::vector<std::string> pieces = web::splitOnDelimiter(c, b);
    if (c.empty()) {
        check(pieces.empty());
    } else if (!b.empty()) {
        const std::string back = joined(pieces, b);
        check(back == c || back + std::string(b) == c);
    }

    const std::string between = web::textBetween(c, a, b, start, ignoreCase);
    check(between.empty() || c.find(between) != std::string_view::npos);

    const int count = web::countOccurrences(c, b, flags & 2);
    check(count >= 0 && (b.empty() ? count == 0 : static_cast<size_t>(count) <= c.size() / b.size()));

    const std::string encoded = web::urlEncode(c, flags & 4, flags & 8);
    if (!(flags & 8)) check(web::urlDecode(encoded) == c);
    if (!(flags & 4) && !(flags & 8)) check(encoded.size() == 3 * c.size());
    check(web::urlDecode(c, flags & 16).size() <= 3 * c.size() + 3);

    const std::string utf8 = web::gbkToUtf8(c);
    web::utf8ToGbk(c);
    web::utf8ToGbk(utf8);
    const std::string wide = web::codePageToWide(c, flags & 32 ? 936 : 65001);
    check(wide.size() >= 2 && wide.size() % 2 == 0 && wide[wide.size() - 1] == 0 && wide[wide.size() - 2] == 0);
    web::wideToCodePage(c, flags & 64 ? 65001 : 0);
    web::wideToCodePage(wide, 936);
    check(platform::charsetToGbk(c, kCharsets[data[3] >> 5]).has_value());

    web::CookieText older(a);
    web::CookieText newer(c);
    const std::string merged = web::mergeCookies(older, newer);
    check(merged == older);
    web::CookieText again = merged;
    web::mergeCookies(again, older);
    const std::vector<std::string> items = web::splitOnDelimiter(merged, "; ");
    const std::string name = web::cookieName(b);
    web::hasCookieName(items, name);
    const int index = web::indexOfText(items, b);
    check(index == -1 || (index >= 1 && static_cast<size_t>(index) <= items.size() && items[index - 1] == b));
    web::joinDistinct(c, b);
    return 0;
}
