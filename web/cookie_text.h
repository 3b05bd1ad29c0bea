#pragma once
// The cookie text of a session: exactly what follows "Cookie: " in a request, items
// "name1=value1; name2=value2", "" for none. Blanks are the ASCII space and the code page 936
// full-width space (0xA1 0xA1) only.

#include <string>
#include <string_view>
#include <vector>

namespace web {

using CookieText = std::string;

// Folds newer cookies into older ones: afterwards `older` holds the new items in their order, then
// the old items whose names the new text lacks, without deleted cookies (ending in "=deleted") and
// exact repeats; `newer` holds itself without blanks. Returns a copy of the merged text.
// older "a=1; b=2", newer "b=3; c=4" give "b=3; c=4; a=1".
std::string mergeCookies(CookieText& older, CookieText& newer);

// The part of an item before its first "=", blanks trimmed at both ends; the whole item without "=".
std::string cookieName(std::string_view item);

// True when some item of `items` has exactly the cookie name `name`.
bool hasCookieName(const std::vector<std::string>& items, std::string_view name);

// The 1-based index of the first text byte-equal to `text`, -1 when none.
int indexOfText(const std::vector<std::string>& texts, std::string_view text);

// `text` split at `separator`, each piece kept at its first occurrence only, joined again.
// joinDistinct("a; b; a", "; ") == "a; b".
std::string joinDistinct(std::string_view text, std::string_view separator);

}  // namespace web
