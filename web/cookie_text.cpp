#include "web/cookie_text.h"

#include <unordered_set>

#include "web/text.h"

namespace web {
namespace {

// The text without its blanks, stepping whole characters so that 0xA1 0xA1 is only taken where it is
// a character and not the tail of another.
std::string withoutBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            const size_t width = i + 1 < text.size() ? 2 : 1;
            if (width == 2 && byte == 0xA1 && static_cast<unsigned char>(text[i + 1]) == 0xA1) {
                i += 2;
                continue;
            }
            out.append(text.substr(i, width));
            i += width;
        } else {
            if (text[i] != ' ') out += text[i];
            ++i;
        }
    }
    return out;
}

std::string_view trimBlanks(std::string_view text) {
    while (true) {
        if (!text.empty() && text.front() == ' ') {
            text.remove_prefix(1);
        } else if (text.size() >= 2 && text.substr(0, 2) == "\xA1\xA1") {
            text.remove_prefix(2);
        } else {
            break;
        }
    }
    while (true) {
        if (!text.empty() && text.back() == ' ') {
            text.remove_suffix(1);
        } else if (text.size() >= 2 && text.substr(text.size() - 2) == "\xA1\xA1") {
            // Only a whole character: the byte before must not be the lead of a two-byte character
            // ending in 0xA1. Walk from the start to be sure of the boundary.
            size_t i = 0;
            while (i + 2 < text.size()) i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
            if (i != text.size() - 2) break;
            text.remove_suffix(2);
        } else {
            break;
        }
    }
    return text;
}

bool isDeleted(std::string_view item) {
    constexpr std::string_view kDeleted = "=deleted";
    return item.size() >= kDeleted.size() && item.substr(item.size() - kDeleted.size()) == kDeleted;
}

}  // namespace

std::string cookieName(std::string_view item) {
    const int equals = textPosition(item, "=");
    const std::string_view name = equals == -1 ? item : item.substr(0, static_cast<size_t>(equals - 1));
    return std::string(trimBlanks(name));
}

bool hasCookieName(const std::vector<std::string>& items, std::string_view name) {
    for (const std::string& item : items) {
        if (cookieName(item) == name) return true;
    }
    return false;
}

int indexOfText(const std::vector<std::string>& texts, std::string_view text) {
    for (size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] == text) return static_cast<int>(i) + 1;
    }
    return -1;
}

std::string joinDistinct(std::string_view text, std::string_view separator) {
    std::string out;
    std::unordered_set<std::string> kept;  // the pieces kept so far: the same answers as a linear search
    bool first = true;
    for (std::string& piece : splitOnDelimiter(text, separator)) {
        if (!kept.insert(piece).second) continue;
        if (!first) out += separator;
        out += piece;
        first = false;
    }
    return out;
}

std::string mergeCookies(CookieText& older, CookieText& newer) {
    older = withoutBlanks(older);
    newer = withoutBlanks(newer);
    std::vector<std::string> working = splitOnDelimiter(newer, ";");
    // The names present in the working list; it only grows, so a set answers as hasCookieName would.
    std::unordered_set<std::string> names;
    for (const std::string& item : working) names.insert(cookieName(item));
    for (std::string& item : splitOnDelimiter(older, ";")) {
        std::string name = cookieName(item);
        if (names.insert(name).second) working.push_back(std::move(item));
    }
    std::string merged;
    for (const std::string& item : working) {
        if (isDeleted(item)) continue;
        merged += item;
        merged += "; ";
    }
    if (merged.size() >= 2) merged.resize(merged.size() - 2);
    older = joinDistinct(merged, "; ");
    return older;
}

}  // namespace web
