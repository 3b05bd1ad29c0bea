// The pure steps of the keyword query: the report day, the request, the figures and the rows of an
// answer. The whole run against the simulator is in tests/app/query_test.cpp.

#include "research/keyword_query.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>

#include "platform/gbk_literal.h"

namespace {

using namespace std::chrono;
using platform::gbk;
using testing::ElementsAre;

TEST(ReportDate, CountsBackOnTheCalendar) {
    struct Case {
        int item;
        year_month_day today;
        const char* expected;
    };
    const Case cases[] = {
        {0, 2016y / March / 1, "2016-2-29"},   // leap day
        {1, 2017y / January / 1, "2016-12-30"},  // year end
        {2, 2017y / April / 19, "2017-4-12"},    // one day, seven back
        {0, 2017y / April / 10, "2017-4-9"},     // no leading zeros
        {0, 2015y / March / 1, "2015-2-28"},
        {2, 2024y / March / 3, "2024-2-25"},     // month end in a leap year
        {-1, 2017y / April / 19, ""},            // no item selected
        {3, 2017y / April / 19, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(research::reportDate(c.item, c.today), c.expected) << c.item;
}

TEST(ReportRequest, EncodesTheKeywordAsUtf8AndSendsTheFixedBody) {
    EXPECT_EQ(research::reportAddress("h:1", gbk("男装"), "2017-4-9"),
              "http://h:1/report/getRelatedBidwordList.htm?bidwordstr=%E7%94%B7%E8%A3%85&theDate=2017-4-9");
    EXPECT_EQ(research::reportAddress("h", "ab", "d"),
              "http://h/report/getRelatedBidwordList.htm?bidwordstr=%61%62&theDate=d");
    EXPECT_EQ(research::reportAddress("h", "", "d"), "http://h/report/getRelatedBidwordList.htm?bidwordstr=&theDate=d");
    EXPECT_EQ(research::reportBody("T1"),
              "sla=json&isAjaxRequest=true&token=T1&_referer=%2Ftools%2Finsight%2Fqueryresult%3Fkws%3D%25E7%"
              "2594%25B7%25E8%25A3%2585%26tab%3Dtabs-category%26start%3D%26end%3D");
}

TEST(ScaledFigure, ReadsTheLongestLeadingNumberAndScalesIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"523", "5.23"}, {"7", "0.07"},     {"100", "1"},      {"", "0"},         {"  292", "2.92"},
        {"150", "1.5"},  {"87", "0.87"},    {"12abc", "0.12"}, {"abc", "0"},      {"-5", "-0.05"},
        {"+5", "0.05"},  {"1e3", "10"},     {"1e", "0.01"},    {".5", "0.005"},   {"5.", "0.05"},
        {".", "0"},      {"0x10", "0"},     {"inf", "0"},      {"1234567890123456", "1.234567890123e+13"},
        {"3.14159265358979", "0.0314159265359"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(research::scaledFigure(text), expected) << text;
}

TEST(ScaledFigure, IgnoresTheUsersLocale) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    EXPECT_EQ(research::scaledFigure("292"), "2.92");
    EXPECT_EQ(research::scaledFigure("2,5"), "0.02");
    std::setlocale(LC_ALL, "C");
}

std::string record(const char* word, const char* impression, const char* click, const char* ctr, const char* cvr,
                   const char* price, const char* competition) {
    return std::string("{\"word\":\"") + word + "\",\"impression\":\"" + impression + "\",\"click\":\"" + click +
           "\",\"ctr\":\"" + ctr + "\",\"cvr\":\"" + cvr + "\",\"avgPrice\":\"" + price + "\",\"competition\":\"" +
           competition + "\"}";
}

TEST(RowsFromAnswer, CleansTheSevenFieldsOfEachRecord) {
    const std::string answer = gbk("{\"result\":[" + record("<b>男装<\\/b>春款", "1200", "35", "292", "150", "87", "410") +
                                   "," + record("a<b>b</b>", "1", "2", "3", "", "x", "9") + "]}");
    EXPECT_THAT(research::rowsFromAnswer(answer),
                ElementsAre(ElementsAre("", gbk("男装春款"), "1200", "35", "2.92%", "1.5%", "0.87", "410"),
                            ElementsAre("", "ab</b>", "1", "2", "0.03%", "0%", "0", "9")));
}

TEST(RowsFromAnswer, TakesTheJthMatchOfEachFieldOnItsOwn) {
    // The second record lacks its ctr: the first ctr serves row 1, and row 2 has none.
    const std::string answer = "\"word\":\"a\",\"ctr\":\"100\",\"WORD\":\"b\",\"CTR\":\"200\"";
    const auto rows = research::rowsFromAnswer(answer);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], "a");
    EXPECT_EQ(rows[0][4], "1%");
    // The search ignores case but the prefix removal does not, so the cell keeps the key.
    EXPECT_EQ(rows[1][1], "WORD\":\"b");
    EXPECT_EQ(rows[1][4], "0%");
}

TEST(RowsFromAnswer, AnAnswerWithoutBidWordsGivesNoRows) {
    EXPECT_TRUE(research::rowsFromAnswer("").empty());
    EXPECT_TRUE(research::rowsFromAnswer("{\"error\":\"invalid token\"}").empty());
}

}  // namespace
