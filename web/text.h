#pragma once
// The program's text operations. Texts are code page 936 byte strings; positions are 1-based bytes and
// -1 means not found. Two-byte rule: a byte >= 0x80 starts a two-byte character (applied blindly), so
// no match ever starts on the second byte of a character. No function keeps state or reads past its input.

#include <string>
#include <string_view>
#include <vector>

namespace web {

// Position of the first searchText starting on a character boundary at or after startPosition (below 1
// means 1; startPosition itself counts as a boundary), or -1. An empty searchText gives 1 (not
// startPosition) when the searched region is non-empty. ignoreCase folds ASCII letters only.
// textPosition("aBc", "b", 1, true) == 2; textPosition("abc", "", 3) == 1; textPosition("abc", "", 4) == -1.
int textPosition(std::string_view text, std::string_view searchText, int startPosition = 1, bool ignoreCase = false);

// For each byte of text, whether a character starts there when the characters are read from the
// first byte. textPosition only matches where this is true (for startPosition 1).
// characterStarts("a\xC4\xE3" "b") == {true, true, false, true}.
std::vector<bool> characterStarts(std::string_view text);

// The pieces between delimiters found at character boundaries; empty pieces stay, except one after the
// last delimiter. An empty text gives {}, an empty delimiter {text}.
// splitOnDelimiter("a\r\n\r\nb", "\r\n") == {"a", "", "b"}; splitOnDelimiter("\r\n", "\r\n") == {""}.
std::vector<std::string> splitOnDelimiter(std::string_view text, std::string_view delimiter);

// The text after the first leftMarker at or after startPosition up to the next rightMarker, "" when
// either is missing. In both markers "#引号" (code page 936 bytes) stands for a double quote.
// textBetween("gx=1&tz=u&", "tz=", "&") == "u"; textBetween("a=1&b=2", "b=", "&") == "".
std::string textBetween(std::string_view text, std::string_view leftMarker, std::string_view rightMarker,
                        int startPosition = 1, bool ignoreCase = false);

// How many times searchText occurs without overlapping, found as textPosition finds it; 0 for an empty
// searchText. Note the sense of the flag: false ignores ASCII case.
// countOccurrences("aaaa", "aa") == 2; countOccurrences("Word Word", "word") == 2.
int countOccurrences(std::string_view text, std::string_view searchText, bool caseSensitive = false);

// "%XX" (uppercase hex) for every byte of text, or of its UTF-8 form with asUtf8; with
// keepSafeCharacters '-', '.', digits and ASCII letters stay as they are. Space is "%20", never "+".
// urlEncode("ab c") == "%61%62%20%63"; urlEncode("a-b_c", true) == "a-b%5Fc".
std::string urlEncode(std::string_view text, bool keepSafeCharacters = false, bool asUtf8 = false);

// Decodes every "%" followed by two hex digits (either case); any other "%" and "+" stay as they are.
// With toGbk the decoded bytes are read as UTF-8 and given in code page 936.
// urlDecode("%e4%b8%ad", true) == "\xD6\xD0" (中); urlDecode("100%") == "100%".
std::string urlDecode(std::string_view text, bool toGbk = false);

// Code page 936 to UTF-8 and back; a character without a form in the target becomes "?", malformed
// input a replacement character. "" gives "". gbkToUtf8("\xC4\xE3") == "你" (UTF-8).
std::string gbkToUtf8(std::string_view text);
std::string utf8ToGbk(std::string_view text);

// Text in codePage (65001, 936, 0 = ANSI = 936) to UTF-16LE bytes ending with one NUL character, and
// UTF-16LE bytes up to their first NUL character back to codePage.
// codePageToWide("a") == std::string("a\0\0\0", 4); wideToCodePage(codePageToWide("a")) == "a".
std::string codePageToWide(std::string_view text, int codePage = 65001);
std::string wideToCodePage(std::string_view wide, int codePage = 0);

}  // namespace web
