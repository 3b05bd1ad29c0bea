// Input: one byte of option bits, then the pattern, a NUL and the subject (no NUL: all pattern).
// Every read operation must stay within the matches and answer its empty result outside them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "web/pattern_matcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    size_t nul = rest.find('\0');
    std::string_view pattern = rest.substr(0, nul);
    std::string_view subject = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);

    web::PatternMatcher matcher;
    bool found = matcher.search(pattern, subject, flags & 1, flags & 2, flags & 4, flags & 8);
    int count = matcher.matchCount();
    int groups = matcher.groupCount();
    if (count < 0 || groups < 0 || (!found && (count != 0 || groups != 0))) abort();

    web::PatternMatcher copy = matcher;
    matcher.search("x", "y");
    int position = 0;
    for (int i = 0; i <= count + 1 && i <= 64; ++i) {
        std::string text = copy.matchText(i, &position);
        if ((i == 0 || i > count) && !text.empty()) abort();
        for (int g = 0; g <= groups + 1 && g <= 8; ++g) {
            std::string group = copy.groupText(i, g, &position);
            if ((g == 0 || g > groups) && !group.empty()) abort();
        }
    }
    copy.matchText(count, &position);
    copy.pattern();
    copy.replace("[#]");
    return 0;
}
