#include "platform/regex_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Spans = std::vector<std::pair<int, int>>;

struct Case {
    const char* name;
    std::u16string pattern;
    std::u16string subject;
    platform::RegexOptions options;
    bool global;
    Spans expected;  // whole matches as [start, end) in UTF-16 units
};

const Case kCases[] = {
    {"EmptyMatchesStepOneCharacter", u"x*", u"abc", {}, true, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
    {"MatchAfterEmptyMatch", u"b*", u"abc", {}, true, {{0, 0}, {1, 2}, {2, 2}, {3, 3}}},
    {"EmptyMatchStepsOverSurrogatePair", u"", u"a\U0001F600b", {}, true, {{0, 0}, {1, 1}, {3, 3}, {4, 4}}},
    {"DotTakesSurrogatePairWhole", u".", u"\U0001F600", {}, true, {{0, 2}}},
    {"LoneSurrogateDoesNotStopTheRun",
     u"a",
     u"\xD800"
     u"a",
     {},
     true,
     {{1, 2}}},
    {"NoOverlap", u"aa", u"aaaaa", {}, true, {{0, 2}, {2, 4}}},
    {"FirstOnlyWithoutGlobal", u"a", u"aaa", {}, false, {{0, 1}}},
    {"DotMatchesCarriageReturn", u"a.b", u"a\rb", {}, true, {{0, 3}}},
    {"DotStopsAtLineFeed", u"a.b", u"a\nb", {}, true, {}},
    {"LazyStaysOnItsLine", u"a.+?b", u"ab\naxb", {}, true, {{3, 6}}},
    {"CaretAtLineStartInMultiline", u"^b", u"a\nb", {.multiline = true}, true, {{2, 3}}},
    {"CaretAtTextStartOnly", u"^b", u"a\nb", {}, true, {}},
    {"DollarBeforeLineFeedInMultiline", u"a$", u"a\nb", {.multiline = true}, true, {{0, 1}}},
    {"DollarAtVeryEndOnly", u"a$", u"a\n", {}, true, {}},
    {"CarriageReturnIsNoLineEnd", u"a$", u"a\r\nb", {.multiline = true}, true, {}},
    {"WordIsAsciiOnly", u"\\w+", u"ab\u4E2Dc_1", {}, true, {{0, 2}, {3, 6}}},
    {"LeadingHyphenIsLiteral", u"[-\\w]+", u"utf-8;", {}, true, {{0, 5}}},
    {"NegatedWordClass", u"[^\\w]", u"a=b", {}, true, {{1, 2}}},
    {"CaseSensitiveByDefault", u"ABC", u"xabc", {}, true, {}},
    {"Caseless", u"ABC", u"xabc", {.caseless = true}, true, {{1, 4}}},
    {"LazyQuantifier", u"a.*?b", u"aXbYb", {}, true, {{0, 3}}},
    {"UnicodeEscape", u"\\u4e2d", u"\u6587\u4E2D", {}, true, {{1, 2}}},
    {"EmptyClassMatchesNothing", u"a[]", u"a", {}, true, {}},
    {"NegatedEmptyClassMatchesAnything", u"[^]", u"\n", {}, true, {{0, 1}}},
    {"UnknownEscapeIsTheLetter", u"\\q", u"q", {}, true, {{0, 1}}},
    {"NulInSubject", u"b", std::u16string(u"a\0b", 3), {}, true, {{2, 3}}},
};

class RegexCases : public testing::TestWithParam<std::tuple<Case, bool>> {};

TEST_P(RegexCases, FindsTheExpectedMatches) {
    const auto& [c, jit] = GetParam();
    platform::RegexOptions options = c.options;
    options.jit = jit;
    auto regex = platform::Regex::compile(c.pattern, options);
    ASSERT_TRUE(regex);
    if (!jit) {
        EXPECT_FALSE(regex->usesJit());
    }
    auto matches = regex->find(c.subject, c.global);
    ASSERT_TRUE(matches);
    Spans found;
    for (int i = 0; i < matches->count(); ++i)
        found.emplace_back(matches->span(i, 0).start, matches->span(i, 0).end);
    EXPECT_EQ(found, c.expected);
}

INSTANTIATE_TEST_SUITE_P(All, RegexCases, testing::Combine(testing::ValuesIn(kCases), testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_Jit" : "_Interpreter");
                         });

TEST(Regex, UsesTheJitWhereAvailable) {
    auto regex = platform::Regex::compile(u"a+");
    ASSERT_TRUE(regex);
    EXPECT_TRUE(regex->usesJit());
}

TEST(Regex, RejectsMalformedPatterns) {
    for (const char16_t* pattern : {u"a(b", u"a)b", u"[a", u"*a", u"a{2,1}"}) {
        EXPECT_FALSE(platform::Regex::compile(pattern)) << std::u16string_view(pattern).size();
    }
}

TEST(Regex, GroupsThatTookNoPartAreUnset) {
    auto regex = platform::Regex::compile(u"(a)|(b)");
    ASSERT_TRUE(regex);
    EXPECT_EQ(regex->groupCount(), 2);
    auto matches = regex->find(u"ba", true);
    ASSERT_TRUE(matches);
    ASSERT_EQ(matches->count(), 2);
    EXPECT_FALSE(matches->span(0, 1).matched());
    EXPECT_EQ(matches->span(0, 2).in(u"ba"), u"b");
    EXPECT_EQ(matches->span(1, 1).in(u"ba"), u"a");
    EXPECT_FALSE(matches->span(1, 2).matched());
    EXPECT_EQ(matches->span(1, 2).in(u"ba"), u"");
}

TEST(Regex, CatastrophicBacktrackingFailsTheRun) {
    for (bool jit : {true, false}) {
        auto regex = platform::Regex::compile(u"(a+)+$", {.jit = jit});
        ASSERT_TRUE(regex);
        EXPECT_FALSE(regex->find(std::u16string(40, u'a') + u"!", true)) << jit;
    }
}

TEST(Regex, DeepRunOutgrowsTheFirstJitStack) {
    std::u16string subject(20'000, u'a');
    subject += u"c";
    for (bool jit : {true, false}) {
        auto regex = platform::Regex::compile(u"(a|b)*c", {.jit = jit});
        ASSERT_TRUE(regex);
        auto matches = regex->find(subject, true);
        ASSERT_TRUE(matches) << jit;
        ASSERT_EQ(matches->count(), 1);
        EXPECT_EQ(matches->span(0, 0).end, 20'001);
        EXPECT_EQ(matches->span(0, 1).start, 19'999);
    }
}

TEST(Regex, MovedFromRegexLeavesTheNewOwnerWorking) {
    auto regex = platform::Regex::compile(u"b");
    ASSERT_TRUE(regex);
    platform::Regex moved = std::move(*regex);
    auto matches = moved.find(u"abc", true);
    ASSERT_TRUE(matches);
    EXPECT_EQ(matches->count(), 1);
}

}  // namespace
