#include "web/text.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"

namespace web {
namespace {

bool isLead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalAt(std::string_view text, size_t at, std::string_view search, bool ignoreCase) {
    if (!ignoreCase) return std::memcmp(text.data() + at, search.data(), search.size()) == 0;
    for (size_t k = 0; k < search.size(); ++k) {
        if (lowerAscii(text[at + k]) != lowerAscii(search[k])) return false;
    }
    return true;
}

// The next byte at or after a place that equals `first` in either ASCII case: one memchr per case,
// each answer kept until the search passes it, so every byte is looked at about once per case.
class FirstByteFinder {
public:
    FirstByteFinder(std::string_view text, char first) : text_(text), bytes_{lowerAscii(first), upperAscii(first)} {}

    size_t next(size_t from) {
        size_t nearest = std::string_view::npos;
        for (size_t k = 0; k < 2; ++k) {
            if (k == 1 && bytes_[1] == bytes_[0]) break;
            if (found_[k] != std::string_view::npos && (found_[k] == kNotYet || found_[k] < from)) {
                const void* hit = from < text_.size()
                                      ? std::memchr(text_.data() + from, bytes_[k], text_.size() - from)
                                      : nullptr;
                found_[k] = hit ? static_cast<size_t>(static_cast<const char*>(hit) - text_.data())
                                : std::string_view::npos;
            }
            nearest = std::min(nearest, found_[k]);
        }
        return nearest;
    }

private:
    static constexpr size_t kNotYet = std::string_view::npos - 1;
    std::string_view text_;
    char bytes_[2];
    size_t found_[2] = {kNotYet, kNotYet};
};

// 0-based index of the first match at or after `from` (a character boundary), or npos. Candidates
// are found with a fast byte search and then checked to start a character. The byte after one below
// 0x80 always starts a character (that byte is a character or the end of one), so only the run of
// bytes >= 0x80 just before a candidate, back to the last known boundary, decides: an even run means
// the candidate starts a character. Runs never overlap, so the whole search stays linear.
size_t find(std::string_view text, std::string_view search, size_t from, bool ignoreCase) {
    const size_t n = text.size();
    FirstByteFinder firstByte(text, search[0]);
    size_t boundary = from;  // a character boundary at or before every candidate still to come
    size_t candidate = from;
    while (true) {
        candidate = ignoreCase ? firstByte.next(candidate) : text.find(search, candidate);
        if (candidate == std::string_view::npos) return std::string_view::npos;
        size_t runStart = candidate;
        while (runStart > boundary && isLead(text[runStart - 1])) --runStart;
        boundary = (candidate - runStart) % 2 == 0 ? candidate : candidate + 1;
        if (boundary == candidate) {
            if (n - candidate < search.size()) return std::string_view::npos;
            if (equalAt(text, candidate, search, ignoreCase)) return candidate;
        }
        // boundary is past the candidate (it fell on a trail byte) or the bytes differ: go on.
        candidate = std::max(candidate + 1, boundary);
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The text with every "#引号" (in code page 936) replaced by a double quote.
std::string withQuotes(std::string_view marker) {
    static constexpr std::string_view kQuoteMarker = "#\xD2\xFD\xBA\xC5";
    std::string out;
    out.reserve(marker.size());
    size_t i = 0;
    while (i < marker.size()) {
        if (marker.substr(i, kQuoteMarker.size()) == kQuoteMarker) {
            out += '"';
            i += kQuoteMarker.size();
        } else {
            out += marker[i++];
        }
    }
    return out;
}

std::u16string wideFromBytes(std::string_view wide) {
    std::u16string out;
    out.reserve(wide.size() / 2);
    for (size_t i = 0; i + 1 < wide.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(wide[i]) |
                                                    (static_cast<unsigned char>(wide[i + 1]) << 8));
        if (unit == 0) break;
        out.push_back(unit);
    }
    return out;
}

}  // namespace

int textPosition(std::string_view text, std::string_view searchText, int startPosition, bool ignoreCase) {
    if (startPosition < 1) startPosition = 1;
    if (static_cast<size_t>(startPosition) > text.size()) return -1;
    if (searchText.empty()) return 1;
    const size_t at = find(text, searchText, static_cast<size_t>(startPosition - 1), ignoreCase);
    return at == std::string_view::npos ? -1 : static_cast<int>(at) + 1;
}

std::vector<bool> characterStarts(std::string_view text) {
    std::vector<bool> starts(text.size(), false);
    for (size_t i = 0; i < text.size(); i += isLead(text[i]) ? 2 : 1) starts[i] = true;
    return starts;
}

std::vector<std::string> splitOnDelimiter(std::string_view text, std::string_view delimiter) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    if (delimiter.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    size_t segmentStart = 0;
    size_t from = 0;
    while (from < text.size()) {
        const size_t at = find(text, delimiter, from, false);
        if (at == std::string_view::npos) break;
        pieces.emplace_back(text.substr(segmentStart, at - segmentStart));
        segmentStart = from = at + delimiter.size();
    }
    if (segmentStart < text.size()) pieces.emplace_back(text.substr(segmentStart));
    return pieces;
}

std::string textBetween(std::string_view text, std::string_view leftMarker, std::string_view rightMarker,
                        int startPosition, bool ignoreCase) {
    const std::string left = withQuotes(leftMarker);
    const std::string right = withQuotes(rightMarker);
    int leftPos = textPosition(text, left, startPosition, ignoreCase);
    if (leftPos == -1) return {};
    leftPos += static_cast<int>(left.size());
    const int rightPos = textPosition(text, right, leftPos, ignoreCase);
    // An empty right marker is found at 1, before the left one: nothing lies between them.
    if (rightPos == -1 || rightPos < leftPos) return {};
    return std::string(text.substr(static_cast<size_t>(leftPos - 1), static_cast<size_t>(rightPos - leftPos)));
}

int countOccurrences(std::string_view text, std::string_view searchText, bool caseSensitive) {
    // An empty search text would be found at 1 forever; it counts nothing.
    if (searchText.empty()) return 0;
    if (!caseSensitive) {
        // Folding the ASCII letters of both texts gives the same matches as ignoring their case (no
        // byte of 0x80 or above changes, so the character boundaries stay), and lets every search go
        // on from the last one instead of scanning for the other case afresh each time.
        auto fold = [](std::string_view in) {
            std::string out(in);
            for (char& c : out) c = lowerAscii(c);
            return out;
        };
        return countOccurrences(fold(text), fold(searchText), true);
    }
    int count = 0;
    int pos = textPosition(text, searchText, 1, false);
    while (pos != -1) {
        ++count;
        pos = textPosition(text, searchText, pos + static_cast<int>(searchText.size()), false);
    }
    return count;
}

std::string urlEncode(std::string_view text, bool keepSafeCharacters, bool asUtf8) {
    if (text.empty()) return {};
    const std::string utf8 = asUtf8 ? gbkToUtf8(text) : std::string();
    const std::string_view bytes = asUtf8 ? std::string_view(utf8) : text;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const bool safe = c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                          (c >= 'a' && c <= 'z');
        if (keepSafeCharacters && safe) {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

std::string urlDecode(std::string_view text, bool toGbk) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return toGbk ? utf8ToGbk(out) : out;
}

std::string gbkToUtf8(std::string_view text) { return platform::convertText(text, 936, 65001); }

std::string utf8ToGbk(std::string_view text) { return platform::convertText(text, 65001, 936); }

std::string codePageToWide(std::string_view text, int codePage) {
    const std::u16string wide = platform::toUtf16(text, codePage);
    std::string out;
    out.reserve(wide.size() * 2 + 2);
    for (char16_t unit : wide) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    out += '\0';
    out += '\0';
    return out;
}

std::string wideToCodePage(std::string_view wide, int codePage) {
    return platform::fromUtf16(wideFromBytes(wide), codePage);
}

}  // namespace web
