#include "web/cookie_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Code page 936 blanks and fixtures: full-width space A1A1, 啊 B0A1.
constexpr const char* kWideSpace = "\xA1\xA1";

struct MergeCase {
    const char* label;
    std::string older;
    std::string newer;
    std::string merged;
    std::string newerAfter;
};

class MergeCookiesTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesTest, FoldsNewerIntoOlder) {
    const MergeCase& c = GetParam();
    web::CookieText older = c.older;
    web::CookieText newer = c.newer;
    const std::string result = web::mergeCookies(older, newer);
    EXPECT_EQ(older, c.merged) << c.label;
    EXPECT_EQ(result, c.merged) << c.label;
    EXPECT_EQ(newer, c.newerAfter) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeCookiesTest,
    ::testing::Values(
        MergeCase{"new replaces old of the same name", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3;c=4"},
        MergeCase{"new deleted drops the old one", "a=1; b=2", "b=deleted", "a=1", "b=deleted"},
        MergeCase{"old deleted drops out", "x=deleted; y=1", "", "y=1", ""},
        MergeCase{"exact repeats of new items", "", "a=1; a=1", "a=1", "a=1;a=1"},
        MergeCase{"same name, two new items", "", "a=1; a=2", "a=1; a=2", "a=1;a=2"},
        MergeCase{"first of two old items survives", "a=1; a=2", "", "a=1", ""},
        MergeCase{"blank inside a value", "k=x y", "", "k=xy", ""},
        MergeCase{"blank inside a name", "", "my key=1", "mykey=1", "mykey=1"},
        MergeCase{"full-width blank removed", std::string("k=x") + kWideSpace + "y", "", "k=xy", ""},
        MergeCase{"item without equals", "flag; a=1", "flag=1", "flag=1; a=1", "flag=1"},
        MergeCase{"names differ in case", "SID=1", "sid=2", "sid=2; SID=1", "sid=2"},
        MergeCase{"two empty texts", "", "", "", ""},
        MergeCase{"empty item between separators", "a=1;;b=2", "", "a=1; ; b=2", ""},
        MergeCase{"value merely ending in deleted", "k=undeleted", "", "k=undeleted", ""},
        MergeCase{"deleted is case-sensitive", "k=DELETED", "", "k=DELETED", ""},
        MergeCase{"a bare =deleted item", "=deleted; a=1", "", "a=1", ""},
        MergeCase{"trailing separator", "a=1;", "b=2;", "b=2; a=1", "b=2;"},
        MergeCase{"old item repeating a new one exactly", "a=1; b=2", "b=2", "b=2; a=1", "b=2"},
        MergeCase{"tab, CR and LF are no blanks", "a=1\t2", "", "a=1\t2", ""},
        // 啊 (B0 A1) followed by A1: the A1 A1 straddling two characters is no blank.
        MergeCase{"no blank across characters", "k=\xB0\xA1\xA1\xA1", "", "k=\xB0\xA1", ""},
        MergeCase{"tail byte then blank", "k=\xB0\xA1\xA1", "", "k=\xB0\xA1\xA1", ""},
        MergeCase{"Chinese values", "n=\xC4\xE3", "m=\xBA\xC3", "m=\xBA\xC3; n=\xC4\xE3", "m=\xBA\xC3"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

struct NameCase {
    const char* label;
    std::string item;
    std::string name;
};

class CookieNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CookieNameTest, IsThePartBeforeTheFirstEquals) {
    const NameCase& c = GetParam();
    EXPECT_EQ(web::cookieName(c.item), c.name) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CookieNameTest,
    ::testing::Values(NameCase{"plain", "sid=42", "sid"},
                      NameCase{"first equals", "a=b=c", "a"},
                      NameCase{"no equals", "flag", "flag"},
                      NameCase{"empty item", "", ""},
                      NameCase{"empty name", "=v", ""},
                      NameCase{"blanks trimmed", "  sid =1", "sid"},
                      NameCase{"full-width blanks trimmed", std::string(kWideSpace) + "sid" + kWideSpace + "=1", "sid"},
                      NameCase{"inner blank kept", "my key=1", "my key"},
                      NameCase{"only blanks", " \xA1\xA1 =1", ""},
                      NameCase{"whole A1 A1 after a character trimmed", "\xB0\xA1\xA1\xA1=1", "\xB0\xA1"},
                      NameCase{"A1 A1 across characters is no blank", "\xB0\xA1\xA1", "\xB0\xA1\xA1"},
                      NameCase{"equals inside a character", "\xC4=x=1", "\xC4=x"},
                      NameCase{"tab is no blank", "\tsid=1", "\tsid"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(CookieHelpers, HasCookieNameComparesWholeNames) {
    const std::vector<std::string> items = {"a=1", "flag", " b =2"};
    EXPECT_TRUE(web::hasCookieName(items, "a"));
    EXPECT_TRUE(web::hasCookieName(items, "flag"));
    EXPECT_TRUE(web::hasCookieName(items, "b"));
    EXPECT_FALSE(web::hasCookieName(items, "A"));
    EXPECT_FALSE(web::hasCookieName(items, "fla"));
    EXPECT_FALSE(web::hasCookieName({}, ""));
    EXPECT_TRUE(web::hasCookieName({""}, ""));
}

TEST(CookieHelpers, IndexOfTextIsOneBased) {
    const std::vector<std::string> texts = {"x", "y", "x", ""};
    EXPECT_EQ(web::indexOfText(texts, "x"), 1);
    EXPECT_EQ(web::indexOfText(texts, "y"), 2);
    EXPECT_EQ(web::indexOfText(texts, ""), 4);
    EXPECT_EQ(web::indexOfText(texts, "X"), -1);
    EXPECT_EQ(web::indexOfText({}, "x"), -1);
}

struct DistinctCase {
    const char* label;
    std::string text;
    std::string separator;
    std::string expected;
};

class JoinDistinctTest : public ::testing::TestWithParam<DistinctCase> {};

TEST_P(JoinDistinctTest, KeepsFirstOccurrences) {
    const DistinctCase& c = GetParam();
    EXPECT_EQ(web::joinDistinct(c.text, c.separator), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(Cases, JoinDistinctTest,
                         ::testing::Values(DistinctCase{"repeat dropped", "a; b; a", "; ", "a; b"},
                                           DistinctCase{"empty text", "", "; ", ""},
                                           DistinctCase{"separator at the end dropped", "a; b; ", "; ", "a; b"},
                                           DistinctCase{"empty pieces once", "a; ; ; b", "; ", "a; ; b"},
                                           DistinctCase{"case-sensitive", "a; A", "; ", "a; A"},
                                           DistinctCase{"separator alone", "; ", "; ", ""},
                                           DistinctCase{"other separator", "x|y|x|z", "|", "x|y|z"}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(MergeCookies, ManyCookiesKeepTheirOrder) {
    web::CookieText older;
    web::CookieText newer;
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        older += (i ? "; " : "") + ("c" + std::to_string(i)) + "=old";
        if (i % 2 == 0) newer += (i ? "; " : "") + ("c" + std::to_string(i)) + "=new";
    }
    for (int i = 0; i < 1000; i += 2) expected += (i ? "; " : "") + ("c" + std::to_string(i)) + "=new";
    for (int i = 1; i < 1000; i += 2) expected += "; c" + std::to_string(i) + "=old";
    EXPECT_EQ(web::mergeCookies(older, newer), expected);
}

}  // namespace
