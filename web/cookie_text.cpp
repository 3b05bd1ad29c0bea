#include "web/cookie_text.h"

#include <unordered_set>

#include "web/text.h"

namespace web {
namespace {

// Width of the character at `i`: 2 for a byte >= 0x80 followed by another byte, else 1. Blanks are only
// taken where they are whole characters, never the tail of another (0xB0 0xA1 0xA1 keeps its last byte).
size_t characterWidth(std::string_view text, size_t i) {
    return static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
}

bool isBlank(std::string_view character) { return character == " " || character == "\xA1\xA1"; }

std::string withoutBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0, width = 0; i < text.size(); i += width) {
        width = characterWidth(text, i);
        const std::string_view character = text.substr(i, width);
        if (!isBlank(character)) out += character;
    }
    return out;
}

std::string_view trimBlanks(std::string_view text) {
    size_t begin = text.size();
    size_t end = 0;
    for (size_t i = 0, width = 0; i < text.size(); i += width) {
        width = characterWidth(text, i);
        if (isBlank(text.substr(i, width))) continue;
        if (begin == text.size()) begin = i;
        end = i + width;
    }
    return begin < end ? text.substr(begin, end - begin) : std::string_view();
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
