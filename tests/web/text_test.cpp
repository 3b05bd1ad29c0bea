#include "web/text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using namespace std::string_literals;

// Code page 936 fixtures (sources are UTF-8): 你 C4E3, 好 BAC3, 中 D6D0, 男装 C4D0 D7B0, 引号 D2FD BAC5.
constexpr const char* kNiHao = "\xC4\xE3\xBA\xC3";
constexpr const char* kQuote = "#\xD2\xFD\xBA\xC5";

struct PositionCase {
    const char* label;
    std::string text;
    std::string search;
    int start;
    bool ignoreCase;
    int expected;
};

class TextPositionTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(TextPositionTest, FindsAtCharacterBoundaries) {
    const PositionCase& c = GetParam();
    EXPECT_EQ(web::textPosition(c.text, c.search, c.start, c.ignoreCase), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextPositionTest,
    ::testing::Values(
        PositionCase{"empty search in text", "abc", "", 1, false, 1},
        PositionCase{"empty search in empty text", "", "", 1, false, -1},
        PositionCase{"empty search gives 1, not the start", "abc", "", 3, false, 1},
        PositionCase{"empty search past the end", "abc", "", 4, false, -1},
        PositionCase{"search in empty text", "", "a", 1, false, -1},
        PositionCase{"start below 1 means 1", "abc", "c", 0, false, 3},
        PositionCase{"negative start means 1", "abc", "a", -5, false, 1},
        PositionCase{"start past the end", "abc", "c", 4, false, -1},
        PositionCase{"start on the match", "abcabc", "abc", 4, false, 4},
        PositionCase{"start after the first match", "abcabc", "abc", 2, false, 4},
        PositionCase{"case matters by default", "aBc", "b", 1, false, -1},
        PositionCase{"ignoreCase folds ASCII letters", "aBc", "b", 1, true, 2},
        PositionCase{"ignoreCase whole needle", "xxHeLLo", "hello", 1, true, 3},
        PositionCase{"ignoreCase leaves other bytes", "a[b", "{", 1, true, -1},
        PositionCase{"needle longer than text", "ab", "abc", 1, false, -1},
        PositionCase{"needle at the very end", "xyzab", "ab", 1, false, 4},
        PositionCase{"needle equals text", "abc", "abc", 1, false, 1},
        PositionCase{"two-byte character found", "a" + std::string(kNiHao), "\xBA\xC3", 1, false, 4},
        PositionCase{"no match across the characters", kNiHao, "\xE3\xBA", 1, false, -1},
        PositionCase{"no match on a trail byte", kNiHao, "\xE3", 1, false, -1},
        PositionCase{"ASCII trail byte is not a letter", "\xB0" "ab", "a", 1, false, -1},
        PositionCase{"ASCII trail byte skipped, later match", "\xB0" "aba", "a", 1, false, 4},
        PositionCase{"ASCII trail byte skipped with ignoreCase", "\xB0" "A", "a", 1, true, -1},
        PositionCase{"trail-byte hit then a real one", "\xC4\xE3\xE3\xE3", "\xE3\xE3", 1, false, 3},
        PositionCase{"start inside a character counts as boundary", "\xC4\xE3\xE3", "\xE3", 2, false, 2},
        PositionCase{"a cut-short lead byte is still a candidate", "ab\xC4", "\xC4", 1, false, 3},
        PositionCase{"a cut-short character ends the search", "a\xC4", "x", 1, false, -1},
        PositionCase{"euro byte is a lead byte too", "\x80" "a" "a", "a", 1, false, 3},
        PositionCase{"CR LF found", "a\r\nb", "\r\n", 1, false, 2}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// The search rule read literally: every candidate start stepped one character at a time.
int referencePosition(std::string_view text, std::string_view search, int start, bool ignoreCase) {
    if (start < 1) start = 1;
    if (static_cast<size_t>(start) > text.size()) return -1;
    if (search.empty()) return 1;
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    size_t i = static_cast<size_t>(start - 1);
    while (i < text.size() && text.size() - i >= search.size()) {
        bool equal = true;
        for (size_t k = 0; k < search.size() && equal; ++k) {
            const auto a = static_cast<unsigned char>(text[i + k]);
            const auto b = static_cast<unsigned char>(search[k]);
            equal = ignoreCase ? fold(a) == fold(b) : a == b;
        }
        if (equal) return static_cast<int>(i) + 1;
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            if (i + 1 >= text.size()) return -1;
            i += 2;
        } else {
            ++i;
        }
    }
    return -1;
}

TEST(TextPosition, AgreesWithTheLiteralRuleOnRandomText) {
    // A tiny alphabet of lead and trail bytes makes false candidates on trail bytes common.
    const std::string alphabet = "aAb\xC4\xE3\x80";
    std::mt19937 random(7);
    auto randomText = [&](size_t maxLength) {
        std::string s(random() % (maxLength + 1), ' ');
        for (char& c : s) c = alphabet[random() % alphabet.size()];
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string text = randomText(24);
        const std::string search = randomText(3);
        const int start = static_cast<int>(random() % 28) - 2;
        const bool ignoreCase = random() % 2 == 0;
        ASSERT_EQ(web::textPosition(text, search, start, ignoreCase),
                  referencePosition(text, search, start, ignoreCase))
            << "text '" << text << "' search '" << search << "' start " << start << " ignoreCase " << ignoreCase;
    }
}

TEST(TextPosition, NeverReadsPastTheView) {
    // The view ends inside a character whose second byte lies beyond it.
    const std::string buffer = "ab\xC4\xE3";
    const std::string_view view(buffer.data(), 3);
    EXPECT_EQ(web::textPosition(view, "\xC4\xE3"), -1);
    EXPECT_EQ(web::textPosition(view, "B", 1, true), 2);
    EXPECT_EQ(web::textPosition(std::string_view(buffer.data(), 2), "b\xC4"), -1);
}

TEST(CharacterStarts, MarksFirstBytesOfCharacters) {
    EXPECT_TRUE(web::characterStarts("").empty());
    EXPECT_THAT(web::characterStarts("a\xC4\xE3" "b"), ElementsAre(true, true, false, true));
    EXPECT_THAT(web::characterStarts("\xB0" "a" "\xC4"), ElementsAre(true, false, true));
    EXPECT_THAT(web::characterStarts("\xE3\xE3\xE3"), ElementsAre(true, false, true));
}

TEST(CharacterStarts, MatchesAreOnlyWhereACharacterStarts) {
    const std::string text = "\xC4\xE3\xE3\xE3" "a\xE3";
    const std::vector<bool> starts = web::characterStarts(text);
    for (size_t i = 0; i < text.size(); ++i) {
        const int found = web::textPosition(text, text.substr(i, 1), static_cast<int>(i) + 1);
        if (starts[i]) {
            EXPECT_EQ(found, static_cast<int>(i) + 1) << i;
        }
    }
    EXPECT_EQ(web::textPosition(text, "\xE3"), 3);
}

struct SplitCase {
    const char* label;
    std::string text;
    std::string delimiter;
    std::vector<std::string> expected;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, KeepsEmptyPiecesExceptAfterTheLastDelimiter) {
    const SplitCase& c = GetParam();
    EXPECT_THAT(web::splitOnDelimiter(c.text, c.delimiter), ElementsAreArray(c.expected)) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTest,
    ::testing::Values(
        SplitCase{"empty text", "", "\r\n", {}},
        SplitCase{"CR LF alone", "\r\n", "\r\n", {""}},
        SplitCase{"one line ended", "x\r\n", "\r\n", {"x"}},
        SplitCase{"two lines ended", "a\r\nb\r\n", "\r\n", {"a", "b"}},
        SplitCase{"empty line between", "a\r\n\r\nb", "\r\n", {"a", "", "b"}},
        SplitCase{"last line unended", "a\r\nb", "\r\n", {"a", "b"}},
        SplitCase{"two delimiters at the end", "a\r\n\r\n", "\r\n", {"a", ""}},
        SplitCase{"leading delimiter", ";a", ";", {"", "a"}},
        SplitCase{"no delimiter", "abc", ";", {"abc"}},
        SplitCase{"empty delimiter", "abc", "", {"abc"}},
        SplitCase{"LF alone is no CR LF", "a\nb", "\r\n", {"a\nb"}},
        SplitCase{"delimiter is case-sensitive", "aXbxc", "x", {"aXb", "c"}},
        SplitCase{"delimiter inside a character", "\xC4;a;b", ";", {"\xC4;a", "b"}},
        SplitCase{"two-byte delimiter on a trail", "\xC4\xE3\xBA\xC3", "\xE3\xBA", {"\xC4\xE3\xBA\xC3"}},
        SplitCase{"Chinese lines", std::string(kNiHao) + "\r\n\xD6\xD0", "\r\n", {kNiHao, "\xD6\xD0"}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

struct BetweenCase {
    const char* label;
    std::string text;
    std::string left;
    std::string right;
    int start;
    bool ignoreCase;
    std::string expected;
};

class TextBetweenTest : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenTest, CutsBetweenMarkers) {
    const BetweenCase& c = GetParam();
    EXPECT_EQ(web::textBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetweenTest,
    ::testing::Values(
        BetweenCase{"no right marker after the left", "a=1&b=2", "b=", "&", 1, false, ""},
        BetweenCase{"value between", "gx=1&tz=u&", "tz=", "&", 1, false, "u"},
        BetweenCase{"first left marker counts", "gx=1&tz=u&", "gx=", "&", 1, false, "1"},
        BetweenCase{"markers touch", "k=&", "k=", "&", 1, false, ""},
        BetweenCase{"no left marker", "abc", "x=", "&", 1, false, ""},
        BetweenCase{"left marker at the end", "ab=", "b=", "&", 1, false, ""},
        BetweenCase{"startPosition skips the first pair", "a=1&a=2&", "a=", "&", 2, false, "2"},
        BetweenCase{"ignoreCase for both markers", "X=1END", "x=", "end", 1, true, "1"},
        BetweenCase{"case matters by default", "X=1&", "x=", "&", 1, false, ""},
        BetweenCase{"token answer", "{\"token\":\"t0k\",\"x\":1}", "token\":\"", "\",\"", 1, false, "t0k"},
        BetweenCase{"quote markers", "{\"k\":\"v1\",\"j\":\"v2\"}",
                    std::string(kQuote) + "k" + kQuote + ":" + kQuote, kQuote, 1, false, "v1"},
        BetweenCase{"quote marker not applied to the text", std::string("a") + kQuote + "b\"c\"", kQuote, kQuote,
                    1, false, "c"},
        BetweenCase{"Chinese markers", "\xBD\xF1\xCC\xEC\xB7\xC3\xCE\xCA\xA3\xBA" "12&", "\xB7\xC3\xCE\xCA\xA3\xBA",
                    "&", 1, false, "12"},
        BetweenCase{"empty left marker starts at 1", "abc&", "", "&", 1, false, "abc"},
        BetweenCase{"empty right marker gives nothing", "abc&", "b", "", 1, false, ""},
        BetweenCase{"Set-Cookie line", "Set-Cookie: sid=42; path=/", "Set-Cookie:", ";", 1, false, " sid=42"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

struct CountCase {
    const char* label;
    std::string text;
    std::string search;
    bool caseSensitive;
    int expected;
};

class CountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountTest, CountsWithoutOverlap) {
    const CountCase& c = GetParam();
    EXPECT_EQ(web::countOccurrences(c.text, c.search, c.caseSensitive), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CountTest,
    ::testing::Values(CountCase{"no overlap", "aaaa", "aa", false, 2},
                      CountCase{"odd rest", "aaaaa", "aa", false, 2},
                      CountCase{"case ignored by default", "Word Word", "word", false, 2},
                      CountCase{"case sensitive", "Word Word", "word", true, 0},
                      CountCase{"empty search counts nothing", "abc", "", false, 0},
                      CountCase{"empty text", "", "a", false, 0},
                      CountCase{"report marker", "{\"word\":\"a\"},{\"WORD\":\"b\"}", "word\":\"", false, 2},
                      CountCase{"not on trail bytes", "\xC4\xE3" "x" "\xC4\xE3", "\xE3", true, 0},
                      CountCase{"each search resumes after the last match", "\xC4\xE3\xE3\xE3", "\xE3", true, 2}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

struct EncodeCase {
    const char* label;
    std::string text;
    bool keepSafe;
    bool asUtf8;
    std::string expected;
};

class UrlEncodeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(UrlEncodeTest, EscapesBytes) {
    const EncodeCase& c = GetParam();
    EXPECT_EQ(web::urlEncode(c.text, c.keepSafe, c.asUtf8), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UrlEncodeTest,
    ::testing::Values(EncodeCase{"empty", "", false, true, ""},
                      EncodeCase{"everything escaped", "ab c", false, false, "%61%62%20%63"},
                      EncodeCase{"safe kept, underscore escaped", "a-b_c", true, false, "a-b%5Fc"},
                      EncodeCase{"slash escaped", "/", true, false, "%2F"},
                      EncodeCase{"dot, digits, letters kept", ".09AZaz", true, false, ".09AZaz"},
                      EncodeCase{"tilde and space escaped", "~ ", true, false, "%7E%20"},
                      EncodeCase{"leading zero", "\n", true, false, "%0A"},
                      EncodeCase{"keyword as UTF-8", "\xC4\xD0\xD7\xB0", false, true, "%E7%94%B7%E8%A3%85"},
                      EncodeCase{"keyword as GBK", "\xC4\xD0\xD7\xB0", false, false, "%C4%D0%D7%B0"},
                      EncodeCase{"mixed UTF-8 with safe", "a\xC4\xD0", true, true, "a%E7%94%B7"},
                      EncodeCase{"high bytes uppercase", "\xFF\xAB", false, false, "%FF%AB"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

struct DecodeCase {
    const char* label;
    std::string text;
    bool toGbk;
    std::string expected;
};

class UrlDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(UrlDecodeTest, DecodesEscapes) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(web::urlDecode(c.text, c.toGbk), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UrlDecodeTest,
    ::testing::Values(DecodeCase{"empty", "", true, ""},
                      DecodeCase{"plus stays", "a+b", false, "a+b"},
                      DecodeCase{"lower-case UTF-8 to GBK", "%e4%b8%ad", true, "\xD6\xD0"},
                      DecodeCase{"upper-case UTF-8 to GBK", "%E4%B8%AD", true, "\xD6\xD0"},
                      DecodeCase{"without toGbk the bytes", "%E4%B8%AD", false, "\xE4\xB8\xAD"},
                      DecodeCase{"mixed case digits", "%4a%4B", false, "JK"},
                      DecodeCase{"percent at the end", "100%", false, "100%"},
                      DecodeCase{"percent among the last two bytes", "ab%4", false, "ab%4"},
                      DecodeCase{"percent with no hex", "a%zzb", false, "a%zzb"},
                      DecodeCase{"percent with one hex", "a%4gb", false, "a%4gb"},
                      DecodeCase{"percent before an escape", "%%41", false, "%A"},
                      DecodeCase{"NUL escape keeps the rest", "a%00b", true, "a\0b"s},
                      DecodeCase{"malformed UTF-8 replaced", "a%FFb", true, "a?b"},
                      DecodeCase{"cut-short UTF-8 replaced", "a%E4%B8", true, "a??"},
                      DecodeCase{"plain GBK bytes without toGbk", "\xC4\xE3%20", false, "\xC4\xE3 "}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(UrlDecode, NeverReadsPastTheView) {
    const std::string buffer = "x%41";
    EXPECT_EQ(web::urlDecode(std::string_view(buffer.data(), 3)), "x%4");
    EXPECT_EQ(web::urlDecode(std::string_view(buffer.data(), 2)), "x%");
}

struct ConversionCase {
    const char* label;
    std::string gbk;
    std::string utf8;
};

class CodePageTextTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(CodePageTextTest, ConvertsBothWays) {
    const ConversionCase& c = GetParam();
    EXPECT_EQ(web::gbkToUtf8(c.gbk), c.utf8) << c.label;
    EXPECT_EQ(web::utf8ToGbk(c.utf8), c.gbk) << c.label;
}

INSTANTIATE_TEST_SUITE_P(Cases, CodePageTextTest,
                         ::testing::Values(ConversionCase{"empty", "", ""},
                                           ConversionCase{"ASCII", "abc 123", "abc 123"},
                                           ConversionCase{"Chinese", kNiHao, "你好"},
                                           ConversionCase{"euro", "\x80", "€"},
                                           ConversionCase{"full-width space", "\xA1\xA1", "\u3000"},
                                           ConversionCase{"accented letter", "\xA8\xA6", "é"}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(CodePageText, ReplacesWhatCannotBeConverted) {
    EXPECT_EQ(web::utf8ToGbk("a😀b"), "a?b");  // no GBK form; one "?" for the whole character
    EXPECT_EQ(web::utf8ToGbk("\xE0\xB8\x81"), "?");  // Thai
    EXPECT_EQ(web::utf8ToGbk("a\xFF" "b"), "a?b");
    EXPECT_EQ(web::gbkToUtf8("a\xFF"), "a\xEF\xBF\xBD");
    EXPECT_EQ(web::gbkToUtf8("a\xC4"), "a\xEF\xBF\xBD");  // cut-short character
    EXPECT_EQ(web::gbkToUtf8("a\0b"s), "a\0b"s);  // nothing after a NUL is lost
}

TEST(WideText, CarriesItsTerminator) {
    EXPECT_EQ(web::codePageToWide(""), "\0\0"s);
    EXPECT_EQ(web::codePageToWide("a"), "a\0\0\0"s);
    EXPECT_EQ(web::codePageToWide("你"), "\x60\x4F\0\0"s);
    EXPECT_EQ(web::codePageToWide("\xC4\xE3", 936), "\x60\x4F\0\0"s);
    EXPECT_EQ(web::codePageToWide("\xC4\xE3", 0), "\x60\x4F\0\0"s);
}

TEST(WideText, StopsAtTheFirstNulCharacter) {
    EXPECT_EQ(web::wideToCodePage("\x60\x4F\0\0"s), "\xC4\xE3");  // default: the ANSI code page, 936
    EXPECT_EQ(web::wideToCodePage("\x60\x4F\0\0"s, 65001), "你");
    EXPECT_EQ(web::wideToCodePage("a\0\0\0b\0"s, 936), "a");
    EXPECT_EQ(web::wideToCodePage("a\0b"s, 936), "a");  // a half unit at the end is no character
    EXPECT_EQ(web::wideToCodePage(""), "");
    // A NUL byte that is half of a character does not end the text: U+4E00 is 00 4E.
    EXPECT_EQ(web::wideToCodePage("\x00\x4E\0\0"s, 65001), "一");
}

TEST(WideText, RoundTrips) {
    for (const std::string text : {"", "abc", "\xC4\xE3\xBA\xC3", "\x80\xA1\xA1"}) {
        EXPECT_EQ(web::wideToCodePage(web::codePageToWide(text, 936), 936), text);
    }
}

}  // namespace
