#pragma once
// Code-page conversion over glibc iconv, standing in for the Windows conversions.
// Code pages are Windows numbers: 936 (GBK as Windows has it, 0x80 = euro sign), 65001 (UTF-8) and
// 0, the ANSI code page, which is 936 here; any other number n is iconv's "CPn" (empty results when
// iconv has none). Every function is thread-safe, never throws and never cuts a text short.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Bytes in `codePage` to UTF-16. A malformed or cut-short sequence becomes U+FFFD (one per byte that
// cannot start a character) and the conversion goes on. toUtf16("\xC4\xE3", 936) == u"你".
std::u16string toUtf16(std::string_view bytes, int codePage);

// UTF-16 to bytes in `codePage`. A character the code page cannot represent (a surrogate pair counts
// as one) or a lone surrogate becomes "?". fromUtf16(u"€", 936) == "\x80".
std::string fromUtf16(std::u16string_view text, int codePage);

// Bytes in one code page to another in one step, with the same results as fromUtf16(toUtf16(...)):
// malformed input as the replacement character's form in the target, characters the target lacks as
// "?". convertText("\xE4\xBD\xA0", 65001, 936) == "\xC4\xE3".
std::string convertText(std::string_view bytes, int fromCodePage, int toCodePage);

// Bytes in the character set a web page names ("utf-8", "big5", ...) to code page 936 text.
// nullopt when iconv does not know the name; characters without a GBK form become "?".
std::optional<std::string> charsetToGbk(std::string_view bytes, std::string_view charsetName);

}  // namespace platform
