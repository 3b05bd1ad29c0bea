#include "web/pattern_matcher.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "platform/gbk_literal.h"

namespace {

using platform::gbk;

// Patterns, subjects and texts are written as UTF-8 and handed over in code page 936.
struct SearchCase {
    const char* name;
    const char* pattern;
    const char* subject;
    bool found;
    int count;
    int matchIndex;
    int groupIndex;  // 0 reads matchText(matchIndex), else groupText(matchIndex, groupIndex)
    const char* text;
    bool caseSensitive = false;
    bool multiline = true;
    bool global = true;
    bool quoteMarker = false;
};

const SearchCase kSearchCases[] = {
    {"NoMatch", "xyz", "abc", true, 0, 1, 0, ""},
    {"UnbalancedParenthesis", "a(b", "a(b", false, 0, 1, 0, ""},
    {"UnbalancedParenthesisGroup", "a(b", "a(b", false, 0, 1, 1, ""},
    {"IndexZero", "a", "aaa", true, 3, 0, 0, ""},
    {"IndexNegative", "a", "aaa", true, 3, -1, 0, ""},
    {"IndexAboveCount", "a", "aaa", true, 3, 4, 0, ""},
    {"LastIndex", "a.", "a1a2a3", true, 3, 3, 0, "a3"},
    {"GlobalOffHasNoSecondMatch", "a", "aaa", true, 1, 2, 0, "", false, true, false},
    {"GlobalOffFirstMatch", "a.", "a1a2", true, 1, 1, 0, "a1", false, true, false},
    {"CaseIgnoredByDefault", "word", "a WORD", true, 1, 1, 0, "WORD"},
    {"CaseSensitive", "word", "a WORD", true, 0, 1, 0, "", true},
    {"LazyDoesNotCrossLineFeed", "<b>.+?</b>", "<b>one\ntwo</b> <b>three</b>", true, 1, 1, 0, "<b>three</b>"},
    {"DotMatchesCarriageReturn", "a.b", "a\rb", true, 1, 1, 0, "a\rb"},
    {"ThreeDotsOverThreeChineseCharacters", "...", "男装春", true, 1, 1, 0, "男装春"},
    {"ChineseInPatternAndSubject", "春.", "男装春款", true, 1, 1, 0, "春款"},
    {"CaretAtLineStart", "^b.", "a\nbc", true, 1, 1, 0, "bc"},
    {"CaretAtTextStartWithoutMultiline", "^b", "a\nb", true, 0, 1, 0, "", false, false},
    {"QuoteMarkerStandsForQuote", "#引号(.*?)#引号", "say \"hi\" now", true, 1, 1, 0, "\"hi\"", false, true,
     true, true},
    {"QuoteMarkerGroup", "#引号(.*?)#引号", "say \"hi\" now", true, 1, 1, 1, "hi", false, true, true, true},
    {"QuoteMarkerOffIsLiteral", "#引号(.*?)#引号", "say \"hi\" now", true, 0, 1, 0, ""},
    {"QuoteMarkerOffMatchesMarkerText", "#引号(.*?)#引号", "#引号hi#引号", true, 1, 1, 1, "hi"},
    {"CharsetOfMetaTag", "<meta.+?charset=[^\\w]?([-\\w]+)",
     "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">", true, 1, 1, 1, "utf-8"},
    {"CharsetOfShortMetaTag", "<meta.+?charset=[^\\w]?([-\\w]+)", "<META charset=\"GBK\">", true, 1, 1, 1,
     "GBK"},
    {"GroupZero", "a(b)", "ab", true, 1, 1, 0, "ab"},
    {"GroupIndexNegative", "a(b)", "ab", true, 1, 1, -1, ""},
    {"GroupIndexAboveCount", "a(b)", "ab", true, 1, 1, 2, ""},
    {"GroupThatTookNoPart", "(a)|(b)", "b", true, 1, 1, 1, ""},
    {"GroupThatTookPart", "(a)|(b)", "b", true, 1, 1, 2, "b"},
    {"EmptyPatternOverEmptySubject", "", "", true, 1, 1, 0, ""},
    {"WordField", "word\":\".*?\",", "{\"word\":\"<b>男装<\\/b>春款\",\"impression\":\"1200\"}", true, 1, 1,
     0, "word\":\"<b>男装<\\/b>春款\","},
    {"FieldKeyInCapitals", "ctr\":\".*?\"", "{\"CTR\":\"292\"}", true, 1, 1, 0, "CTR\":\"292\""},
};

class SearchCases : public testing::TestWithParam<SearchCase> {};

TEST_P(SearchCases, GiveTheExpectedText) {
    const SearchCase& c = GetParam();
    web::PatternMatcher matcher;
    EXPECT_EQ(
        matcher.search(gbk(c.pattern), gbk(c.subject), c.caseSensitive, c.multiline, c.global, c.quoteMarker),
        c.found);
    EXPECT_EQ(matcher.matchCount(), c.count);
    std::string text =
        c.groupIndex == 0 ? matcher.matchText(c.matchIndex) : matcher.groupText(c.matchIndex, c.groupIndex);
    EXPECT_EQ(text, gbk(c.text));
}

INSTANTIATE_TEST_SUITE_P(All, SearchCases, testing::ValuesIn(kSearchCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct PositionCase {
    const char* name;
    const char* pattern;
    const char* subject;
    int matchIndex;
    int groupIndex;  // 0 for the whole match
    const char* text;
    int position;
    bool caseSensitive = false;
};

// The match's start in characters is used as a byte position one byte early, so Chinese text before
// a match moves the search to an earlier occurrence of the same text.
const PositionCase kPositionCases[] = {
    {"MissingMatch", "xyz", "abc", 1, 0, "", 0},
    {"MissingMatchInEmptySubject", "xyz", "", 1, 0, "", -2},
    {"MissingGroup", "a(b)", "ab", 1, 2, "", 0},
    {"MatchAtStart", "ab", "abc", 1, 0, "ab", 0},
    {"AsciiBefore", "abc", "xxabc", 1, 0, "abc", 2},
    {"ChineseBeforeFirstMatch", "abc", "男abc abc", 1, 0, "abc", 2},
    {"ChineseBeforeSecondMatch", "abc", "男abc abc", 2, 0, "abc", 6},
    {"StartInsideTwoByteCharacterMissesTheMatch", "abc", "男装abc", 1, 0, "abc", -2},
    {"ChineseBeforeFindsEarlierOccurrence", "ab", "男男男男ab ab", 2, 0, "ab", 8},
    {"GroupSearchedFromMatchStart", "a(b)", "xab", 1, 1, "b", 2},
    {"IgnoredCaseFindsOtherCase", "[aA][bB]", "男男男男Ab aB", 2, 0, "aB", 8},
    {"ExactCaseWhenCaseSensitive", "[aA][bB]", "男男男男Ab aB", 2, 0, "aB", 11, true},
};

class PositionCases : public testing::TestWithParam<PositionCase> {};

TEST_P(PositionCases, FollowTheByteSearchRule) {
    const PositionCase& c = GetParam();
    web::PatternMatcher matcher;
    matcher.search(gbk(c.pattern), gbk(c.subject), c.caseSensitive);
    int position = 12345;
    std::string text = c.groupIndex == 0 ? matcher.matchText(c.matchIndex, &position)
                                         : matcher.groupText(c.matchIndex, c.groupIndex, &position);
    EXPECT_EQ(text, gbk(c.text));
    EXPECT_EQ(position, c.position);
}

INSTANTIATE_TEST_SUITE_P(All, PositionCases, testing::ValuesIn(kPositionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PatternMatcher, BeforeAnySearchEverythingIsEmpty) {
    web::PatternMatcher matcher;
    EXPECT_EQ(matcher.pattern(), "");
    EXPECT_EQ(matcher.replace("x"), "");
    EXPECT_EQ(matcher.matchCount(), 0);
    EXPECT_EQ(matcher.groupCount(), 0);
    int position = 0;
    EXPECT_EQ(matcher.matchText(1, &position), "");
    EXPECT_EQ(position, -2);
    EXPECT_EQ(matcher.groupText(1, 1), "");
}

TEST(PatternMatcher, SecondSearchDiscardsTheFirst) {
    web::PatternMatcher matcher;
    ASSERT_TRUE(matcher.search("a.", "a1 a2 a3"));
    ASSERT_TRUE(matcher.search("b.", "b9"));
    EXPECT_EQ(matcher.matchCount(), 1);
    EXPECT_EQ(matcher.matchText(1), "b9");
    EXPECT_EQ(matcher.matchText(2), "");
    EXPECT_EQ(matcher.pattern(), "b.");
}

TEST(PatternMatcher, FailedSearchDropsTheEarlierResult) {
    web::PatternMatcher matcher;
    ASSERT_TRUE(matcher.search("(a)", "a"));
    EXPECT_FALSE(matcher.search("(a", "a"));
    EXPECT_EQ(matcher.matchCount(), 0);
    EXPECT_EQ(matcher.groupCount(), 0);
    EXPECT_EQ(matcher.matchText(1), "");
    EXPECT_EQ(matcher.groupText(1, 1), "");
    EXPECT_EQ(matcher.replace("x"), "");
    EXPECT_EQ(matcher.pattern(), "(a");  // the engine holds the pattern it refused
}

TEST(PatternMatcher, HostilePatternFailsInsteadOfHanging) {
    web::PatternMatcher matcher;
    EXPECT_FALSE(matcher.search("(a+)+$", std::string(40, 'a') + "!"));
    EXPECT_EQ(matcher.matchCount(), 0);
}

TEST(PatternMatcher, CopySurvivesALaterSearchOfItsOriginal) {
    web::PatternMatcher original;
    ASSERT_TRUE(original.search(gbk("(男)(装)"), gbk("ab男装")));
    web::PatternMatcher copy = original;
    ASSERT_TRUE(original.search("x", "xx"));

    EXPECT_EQ(copy.pattern(), gbk("(男)(装)"));
    EXPECT_EQ(copy.matchCount(), 1);
    EXPECT_EQ(copy.groupCount(), 2);
    EXPECT_EQ(copy.groupText(1, 2), gbk("装"));
    int position = 0;
    EXPECT_EQ(copy.matchText(1, &position), gbk("男装"));
    EXPECT_EQ(position, 2);
    EXPECT_EQ(original.matchCount(), 2);

    ASSERT_TRUE(copy.search("y", "y"));
    EXPECT_EQ(original.matchText(2), "x");
}

TEST(PatternMatcher, GroupCountIsThatOfTheFirstMatch) {
    web::PatternMatcher matcher;
    ASSERT_TRUE(matcher.search("(a)(b)?", "a a"));
    EXPECT_EQ(matcher.groupCount(), 2);
    ASSERT_TRUE(matcher.search("(a)(b)?", "c"));
    EXPECT_EQ(matcher.groupCount(), 0);
}

TEST(PatternMatcher, ReplaceTakesTheReplacementLiterally) {
    web::PatternMatcher matcher;
    ASSERT_TRUE(matcher.search("a", gbk("香蕉banana")));
    EXPECT_EQ(matcher.replace(gbk("啊")), gbk("香蕉b啊n啊n啊"));
    EXPECT_EQ(matcher.replace(), gbk("香蕉bnn"));
    ASSERT_TRUE(matcher.search("(a)", "banana", false, true, false));
    EXPECT_EQ(matcher.replace("$1"), "b$1nana");
    ASSERT_TRUE(matcher.search("x", "banana"));
    EXPECT_EQ(matcher.replace("y"), "banana");
}

// Match texts are converted back all at once; every character of the code page, and the U+FFFD of a
// malformed byte, must come back as it would alone.
TEST(PatternMatcher, EveryCharacterComesBackWhole) {
    std::string subject;
    for (int byte = 0x01; byte <= 0x80; ++byte) subject += static_cast<char>(byte);
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            subject += static_cast<char>(lead);
            subject += static_cast<char>(trail);
        }
    }
    subject += "\x81 \xFF";
    std::u16string wide = platform::toUtf16(subject, 936);

    web::PatternMatcher matcher;
    ASSERT_TRUE(matcher.search("[^]", subject));
    ASSERT_EQ(matcher.matchCount(), static_cast<int>(wide.size()));
    for (int i = 1; i <= matcher.matchCount(); ++i) {
        ASSERT_EQ(matcher.matchText(i), platform::fromUtf16(wide.substr(i - 1, 1), 936)) << i;
    }
}

// The keyword query reads field j of row j from each field's own matcher.
TEST(PatternMatcher, ReportFieldsRowByRow) {
    std::string answer =
        gbk("{\"result\":[{\"word\":\"<b>男装<\\/b>春款\",\"impression\":\"1200\",\"ctr\":\"292\"},\n"
            "{\"word\":\"男装<b>外套<\\/b>\",\"impression\":\"88\",\"ctr\":\"7\"}]}");
    web::PatternMatcher word;
    web::PatternMatcher impression;
    web::PatternMatcher ctr;
    ASSERT_TRUE(word.search("word\":\".*?\",", answer));
    ASSERT_TRUE(impression.search("impression\":\".*?\"", answer));
    ASSERT_TRUE(ctr.search("ctr\":\".*?\"", answer));
    EXPECT_EQ(word.matchCount(), 2);
    EXPECT_EQ(word.matchText(2), gbk("word\":\"男装<b>外套<\\/b>\","));
    EXPECT_EQ(impression.matchText(1), "impression\":\"1200\"");
    EXPECT_EQ(ctr.matchText(2), "ctr\":\"7\"");
    EXPECT_EQ(ctr.matchText(3), "");
}

}  // namespace
