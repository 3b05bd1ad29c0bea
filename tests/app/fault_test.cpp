// The query under the simulator's faults: each fault hits the first keyword's request only. The program
// goes on with the next keyword, adds for the faulty answer only what the answer really holds, and
// loses nothing already in the list.

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <atomic>
#include <thread>

#include "app/main_window.h"
#include "platform/controls.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "research/keyword_query.h"
#include "research/shared_state.h"
#include "sim/accounts.h"
#include "sim/report.h"
#include "tests/support/sim_process.h"
#include "tests/support/sim_session.h"
#include "tests/support/test_hosts.h"
#include "tests/support/wait.h"
#include "web/text.h"

namespace {

using platform::gbk;

constexpr int kRecords = 20;

std::vector<platform::ListRow> servedRows(const char* keyword) {
    std::vector<platform::ListRow> rows;
    const std::string date = research::reportDate(0, research::localToday());
    for (const sim::BidRecord& r : sim::recordsFor(keyword, date, kRecords)) {
        rows.push_back({"", web::utf8ToGbk(r.word), r.impression, r.click, research::scaledFigure(r.ctr) + "%",
                        research::scaledFigure(r.cvr) + "%", research::scaledFigure(r.avgPrice), r.competition});
    }
    return rows;
}

enum class Faulty { none, some, all };

struct Case {
    const char* fault;
    Faulty rows;  // what the faulty answer adds
};

class FaultTest : public testing::TestWithParam<Case> {};

TEST_P(FaultTest, TheQueryGoesOnAndKeepsTheEarlierRows) {
    testing_support::SimProcess sim({"--records", std::to_string(kRecords), "--fault", GetParam().fault});
    ASSERT_TRUE(sim.running());
    testing_support::testHosts().backendHost = sim.host();
    ASSERT_TRUE(testing_support::logInOverHttp(sim));
    app::MainWindow window;
    research::createLocks();
    research::MainControls& c = research::mainControls();
    platform::setComboIndex(c.delayCombo, 0);
    const std::vector<platform::ListRow> earlier = {{"", "a", "1", "2", "3%", "4%", "5", "6"},
                                                    {"", "b", "1", "2", "3%", "4%", "5", "6"}};
    c.resultList->appendRows(earlier, 0);

    platform::setControlText(c.keywordBox, gbk("男装\r\n连衣裙"));
    std::atomic<bool> ended{false};
    std::thread run([&] {
        research::runKeywordQuery();
        ended = true;
    });
    ASSERT_TRUE(testing_support::waitFor([&] { return ended.load(); }, 120000));
    run.join();

    std::vector<platform::ListRow> rows = c.resultList->snapshot();
    ASSERT_GE(rows.size(), 2u + kRecords);
    for (size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(rows[i][0], std::to_string(i + 1));
    for (auto& row : rows) row[0].clear();
    // The earlier rows, untouched.
    EXPECT_EQ(std::vector<platform::ListRow>(rows.begin(), rows.begin() + 2), earlier);
    // The second keyword, whole, at the end.
    EXPECT_EQ(std::vector<platform::ListRow>(rows.end() - kRecords, rows.end()), servedRows("连衣裙"));
    const size_t faulty = rows.size() - 2 - kRecords;
    switch (GetParam().rows) {
        case Faulty::none:
            EXPECT_EQ(faulty, 0u);
            break;
        case Faulty::some:
            EXPECT_LT(faulty, static_cast<size_t>(kRecords));
            break;
        case Faulty::all:
            EXPECT_EQ(faulty, static_cast<size_t>(kRecords));
            break;
    }
    // The session survives: its cookie is still there for the next request.
    EXPECT_NE(research::sessionCookies().get().find("cookie2="), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    testing::Values(Case{"report:stall:1", Faulty::none},       // longer than the 30 s time-out
                    Case{"report:reset:1", Faulty::some},       // connection dropped mid-answer
                    Case{"report:500:1", Faulty::none},         // an error page
                    Case{"report:garbage:1", Faulty::none},     // binary noise
                    Case{"report:bad-utf8:1", Faulty::all},     // invalid UTF-8 and stray escapes
                    Case{"report:huge:1", Faulty::all},         // an answer of 64 MiB
                    Case{"report:many-cookies:1", Faulty::all}  // hundreds of Set-Cookie lines
                    ),
    [](const testing::TestParamInfo<Case>& info) {
        std::string name = info.param.fault;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

}  // namespace
