// The word-list passes on a real list control: de-duplication, the delete-word filter, renumbering,
// and the passes beside each other and beside rows being appended.

#include "research/word_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <atomic>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/controls.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "research/shared_state.h"
#include "research/word_list_logic.h"
#include "tests/support/wait.h"
#include "web/text.h"

namespace {

using platform::gbk;
using testing::ElementsAre;
using testing::ElementsAreArray;

std::vector<platform::ListControl::Column> eightColumns() {
    std::vector<platform::ListControl::Column> columns;
    for (const char* title : {"编号", "关键词", "展现指数", "点击指数", "点击率", "点击转化率", "市场均价", "竞争度"}) {
        columns.push_back({gbk(title), 100});
    }
    return columns;
}

// A row whose every cell can be told from its keyword, so that a row mixed from two shows.
platform::ListRow rowFor(const std::string& keyword) {
    platform::ListRow row{"", keyword};
    for (int c = 2; c < 8; ++c) row.push_back(keyword + "#" + std::to_string(c));
    return row;
}

// Runs a pass on a worker, as its button does, while this (the UI) thread serves its list calls.
void runOnWorker(void (*pass)()) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        pass();
        done = true;
    });
    EXPECT_TRUE(testing_support::waitFor([&] { return done.load(); }));
    worker.join();
}

class WordListTest : public testing::Test {
protected:
    void SetUp() override {
        research::MainControls& c = research::mainControls();
        c.resultList = &list_;
        c.deleteWordsBox = &deleteWordsBox_;
        c.statusLabel = &statusLabel_;
    }
    void TearDown() override { research::mainControls() = {}; }

    void clearList() {
        std::vector<int> all(static_cast<size_t>(list_.rowCount()));
        for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
        list_.deleteRows(all);
    }
    void setKeywords(const std::vector<std::string>& keywords) {
        std::vector<platform::ListRow> rows;
        for (const std::string& k : keywords) rows.push_back(rowFor(k));
        list_.appendRows(std::move(rows), 0);
    }
    std::vector<std::string> keywords() const { return list_.columnTexts(1); }
    std::string status() const { return platform::controlText(&statusLabel_); }

    // Every row's cells belong to its keyword, and the numbers run 1 to n.
    void expectWholeNumberedRows() const {
        const std::vector<platform::ListRow> rows = list_.snapshot();
        for (size_t r = 0; r < rows.size(); ++r) {
            EXPECT_EQ(rows[r][0], std::to_string(r + 1));
            platform::ListRow expected = rowFor(rows[r][1]);
            expected[0] = rows[r][0];
            EXPECT_EQ(rows[r], expected);
        }
    }

    platform::ListControl list_{eightColumns()};
    QPlainTextEdit deleteWordsBox_;
    QLabel statusLabel_;
};

struct DedupeCase {
    std::vector<const char*> rows;  // UTF-8, one keyword per row
    std::vector<const char*> kept;
    const char* status;
};

std::vector<std::string> inGbk(const std::vector<const char*>& texts) {
    std::vector<std::string> out;
    for (const char* t : texts) out.push_back(gbk(t));
    return out;
}

TEST_F(WordListTest, DedupeKeepsWhatNoKeptKeywordContains) {
    const DedupeCase cases[] = {
        {{"a", "b", "a", "ab", "c", "b"}, {"a", "b", "ab", "c"}, "提示:共4/去除2"},
        {{"长款", "连衣裙长款", "连衣裙", "长款"}, {"长款", "连衣裙长款"}, "提示:共2/去除2"},
        {{"连衣裙", "连衣裙长款"}, {"连衣裙", "连衣裙长款"}, "提示:共2/去除0"},
        {{"", "a", "", "b", ""}, {"", "a", "b"}, "提示:共3/去除2"},
        {{"a", ""}, {"a"}, "提示:共1/去除1"},
        {{"ABC", "abc", "b"}, {"ABC", "abc"}, "提示:共2/去除1"},
        {{"x"}, {"x"}, "提示:共1/去除0"},
    };
    for (const DedupeCase& c : cases) {
        clearList();
        setKeywords(inGbk(c.rows));
        runOnWorker(&research::dedupeWordList);
        EXPECT_THAT(keywords(), ElementsAreArray(inGbk(c.kept))) << c.rows.size();
        EXPECT_EQ(status(), gbk(c.status));
        expectWholeNumberedRows();
        std::string seen;
        for (const std::string& k : keywords()) seen += k + "\r\n";
        EXPECT_EQ(research::seenKeywords(), seen);
    }
}

TEST_F(WordListTest, DedupeOfAnEmptyListWritesNoStatus) {
    platform::setControlText(&statusLabel_, "before");
    runOnWorker(&research::dedupeWordList);
    EXPECT_EQ(status(), "before");
    EXPECT_EQ(list_.rowCount(), 0);
}

TEST_F(WordListTest, EachDedupePassForgetsTheKeywordsOfTheLastOne) {
    research::seenKeywords() = "abc\r\n";
    setKeywords({"b"});
    runOnWorker(&research::dedupeWordList);
    EXPECT_THAT(keywords(), ElementsAre("b"));
    EXPECT_EQ(research::seenKeywords(), "b\r\n");
}

// In "你好" (C4 E3 BA C3) the bytes E3 BA stand across the border of two characters, and in "\x81" "a"
// the a is the second byte of a character: neither counts as found. A keyword that ends with the first
// byte of a character takes the CR after it as its second byte.
TEST_F(WordListTest, DedupeFindsOnlyWholeCharacterMatches) {
    const std::string nihao = gbk("你好");
    ASSERT_EQ(nihao, "\xC4\xE3\xBA\xC3");
    const std::vector<std::string> cases[][2] = {
        {{nihao, "\xE3", "\xE3\xBA", "\xC4", "\x81" "a", "a", "\xBA\xC3"},
         {nihao, "\xE3", "\xE3\xBA", "\x81" "a", "a"}},
        {{"z\xB0", "\r\n", "\n", "\xB0"}, {"z\xB0", "\r\n"}},
    };
    for (const auto& [rows, kept] : cases) {
        clearList();
        setKeywords(rows);
        runOnWorker(&research::dedupeWordList);
        EXPECT_THAT(keywords(), ElementsAreArray(kept));
    }
}

TEST(SeenKeywordIndex, AnswersAsTextPositionDoes) {
    // Short texts over an alphabet of one-byte characters, line breaks and first bytes of two-byte
    // characters, so that every kind of border occurs often.
    const char alphabet[] = {'a', 'b', 'A', '\r', '\n', '\x81', '\xC4', '\xE3', 'a', '\xB0'};
    std::mt19937 random(20240501);
    auto randomText = [&](int maxLength) {
        std::string text(random() % (maxLength + 1), ' ');
        for (char& ch : text) ch = alphabet[random() % sizeof alphabet];
        return text;
    };
    for (int round = 0; round < 300; ++round) {
        research::SeenKeywordIndex index;
        EXPECT_FALSE(index.contains(""));
        const int lines = 1 + static_cast<int>(random() % 8);
        for (int l = 0; l < lines; ++l) index.addLine(randomText(6));
        for (int q = 0; q < 60; ++q) {
            const std::string k = randomText(5);
            ASSERT_EQ(index.contains(k), web::textPosition(index.text(), k) != -1)
                << testing::PrintToString(index.text()) << " " << testing::PrintToString(k);
        }
        // Every substring of the text, aligned or not.
        const std::string& text = index.text();
        for (size_t from = 0; from < text.size(); ++from) {
            for (size_t n = 1; from + n <= text.size() && n <= 6; ++n) {
                const std::string k = text.substr(from, n);
                ASSERT_EQ(index.contains(k), web::textPosition(text, k) != -1)
                    << testing::PrintToString(text) << " " << testing::PrintToString(k);
            }
        }
    }
}

TEST(DecideDedupe, ReportsEveryRowAsTheStatusCountsIt) {
    std::vector<std::pair<int, int>> seen;
    const research::DedupeDecision d = research::decideDedupe(
        {"a", "b", "a", "ab", "c", "b"}, [&](int rowsLeft, int removed) { seen.emplace_back(rowsLeft, removed); });
    EXPECT_THAT(d.removedRows, ElementsAre(2, 5));
    EXPECT_EQ(d.seenKeywords, "a\r\nb\r\nab\r\nc\r\n");
    EXPECT_THAT(seen, ElementsAre(std::pair(6, 0), std::pair(6, 0), std::pair(5, 1), std::pair(5, 1),
                                  std::pair(5, 1), std::pair(4, 2)));
    EXPECT_EQ(research::dedupeStatusText(4, 2), gbk("提示:共4/去除2"));
}

struct FilterCase {
    const char* box;  // UTF-8, lines split at LF as the user types them
    std::vector<const char*> rows;
    std::vector<const char*> kept;
};

TEST_F(WordListTest, FilterRemovesRowsHoldingADeleteWord) {
    const FilterCase cases[] = {
        {"男", {"男装", "女装", "男鞋春款", "童装", "暖男"}, {"女装", "童装"}},
        {"a\n\nb", {"xyz", "", "a", "q"}, {""}},    // the empty line matches every non-empty keyword
        {"a\n", {"a", "xa", "b", ""}, {"b", ""}},  // no delete word after the last line break
        {"abc", {"ABC", "abc", "xabcx"}, {"ABC"}},
        {"", {"a", "b"}, {"a", "b"}},
        {"款\n裙", {"长款", "连衣裙", "上衣"}, {"上衣"}},
    };
    for (const FilterCase& c : cases) {
        clearList();
        setKeywords(inGbk(c.rows));
        list_.setCellText(0, 0, "7");  // out of order, so that the renumbering shows
        platform::setControlText(&deleteWordsBox_, gbk(c.box));
        platform::setControlText(&statusLabel_, "");
        runOnWorker(&research::filterWordList);
        EXPECT_THAT(keywords(), ElementsAreArray(inGbk(c.kept))) << c.box;
        EXPECT_EQ(status(), gbk("筛选完毕"));
        expectWholeNumberedRows();
    }
}

// A filter started while another holds filterLock waits for it, and then reads the box as it stands.
TEST_F(WordListTest, AQueuedFilterWaitsAndReadsTheBoxWhenItsTurnComes) {
    setKeywords({"a", "b", "c"});
    platform::setControlText(&deleteWordsBox_, "a");
    platform::setControlText(&statusLabel_, "");
    std::atomic<bool> done{false};
    std::thread worker;
    {
        std::lock_guard running(research::filterLock());
        worker = std::thread([&] {
            research::filterWordList();
            done = true;
        });
        platform::setControlText(&deleteWordsBox_, "b");
        EXPECT_THAT(keywords(), ElementsAre("a", "b", "c"));
    }
    EXPECT_TRUE(testing_support::waitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_THAT(keywords(), ElementsAre("a", "c"));
    EXPECT_EQ(status(), gbk("筛选完毕"));
}

TEST(HoldsDeleteWord, SearchesCaseSensitiveSubstrings) {
    EXPECT_TRUE(research::holdsDeleteWord("abc", {"x", "bc"}));
    EXPECT_FALSE(research::holdsDeleteWord("abc", {"B", "abcd"}));
    EXPECT_TRUE(research::holdsDeleteWord("abc", {""}));
    EXPECT_FALSE(research::holdsDeleteWord("", {""}));
    EXPECT_FALSE(research::holdsDeleteWord("abc", {}));
    EXPECT_FALSE(research::holdsDeleteWord("\xC4\xE3\xBA\xC3", {"\xE3\xBA"}));  // across two characters
}

TEST_F(WordListTest, RenumberWritesOnlyTheNumberColumn) {
    setKeywords({"a", "b", "c"});
    list_.setCellText(1, 0, "x");
    research::renumberRows();
    EXPECT_THAT(list_.columnTexts(0), ElementsAre("1", "2", "3"));
    EXPECT_THAT(keywords(), ElementsAre("a", "b", "c"));
}

// Two de-duplication passes one after the other: the second starts from an empty text of kept
// keywords only when it begins, so the first pass's text is never changed under it.
TEST_F(WordListTest, DedupePassesRunOneAtATime) {
    std::vector<std::string> words;
    for (int i = 0; i < 2000; ++i) words.push_back("w" + std::to_string(i) + "z");
    setKeywords(words);
    setKeywords(words);
    std::atomic<int> done{0};
    std::thread first([&] { research::dedupeWordList(); ++done; });
    std::thread second([&] { research::dedupeWordList(); ++done; });
    EXPECT_TRUE(testing_support::waitFor([&] { return done.load() == 2; }));
    first.join();
    second.join();
    EXPECT_THAT(keywords(), ElementsAreArray(words));
    std::string seen;
    for (const std::string& w : words) seen += w + "\r\n";
    EXPECT_EQ(research::seenKeywords(), seen);
    expectWholeNumberedRows();
}

// A filter, a de-duplication pass and rows being appended as the query appends them, all at once.
TEST_F(WordListTest, PassesAndAppendsNeverMixRows) {
    std::vector<std::string> words;
    for (int i = 0; i < 3000; ++i) words.push_back((i % 3 == 0 ? "m" : "k") + std::to_string(i % 1700) + "z");
    setKeywords(words);
    platform::setControlText(&deleteWordsBox_, "m");
    std::atomic<int> done{0};
    std::thread query([&] {
        for (int batch = 0; batch < 60; ++batch) {
            std::vector<platform::ListRow> rows;
            for (int i = 0; i < 20; ++i) rows.push_back(rowFor("q" + std::to_string(batch * 20 + i) + "z"));
            std::lock_guard lock(research::listLock());
            list_.appendRows(std::move(rows), 0);
        }
        ++done;
    });
    std::thread filter([&] { research::filterWordList(); ++done; });
    std::thread dedupe([&] { research::dedupeWordList(); ++done; });
    EXPECT_TRUE(testing_support::waitFor([&] { return done.load() == 3; }));
    query.join();
    filter.join();
    dedupe.join();
    expectWholeNumberedRows();
    EXPECT_EQ(list_.rowCount() >= 1200, true);  // the appended rows are never removed
}

}  // namespace
