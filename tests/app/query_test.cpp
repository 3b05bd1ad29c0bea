// The keyword query from the query button to the rows of the list: against the simulated platform,
// and against a report server of the test's own where the test must see or hold the requests.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <thread>

#include "app/main_window.h"
#include "platform/controls.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "research/keyword_query.h"
#include "research/shared_state.h"
#include "sim/accounts.h"
#include "sim/report.h"
#include "tests/support/http_test_server.h"
#include "tests/support/sim_process.h"
#include "tests/support/sim_session.h"
#include "tests/support/test_hosts.h"
#include "tests/support/wait.h"
#include "web/text.h"

namespace {

using platform::gbk;

// The cells the list shows for a record the simulator served.
platform::ListRow cellsOf(const sim::BidRecord& r, int number) {
    return {std::to_string(number), web::utf8ToGbk(r.word), r.impression, r.click,
            research::scaledFigure(r.ctr) + "%", research::scaledFigure(r.cvr) + "%",
            research::scaledFigure(r.avgPrice), r.competition};
}

class QueryTest : public testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<app::MainWindow>();
        window_->show();
        controls_ = &research::mainControls();
        research::createLocks();
        platform::setComboIndex(controls_->delayCombo, 0);
        platform::setControlText(controls_->loginButton, gbk("登录成功"));
    }

    void typeKeywords(const std::string& gbkText) { platform::setControlText(controls_->keywordBox, gbkText); }

    void clickQuery() { QTest::mouseClick(controls_->queryButton, Qt::LeftButton); }

    // Waits until `rows` rows are there and no query run holds the lock any more.
    bool waitForRows(int rows) {
        return testing_support::waitFor([&] {
            if (controls_->resultList->rowCount() < rows) return false;
            std::unique_lock lock(research::queryLock(), std::try_to_lock);
            return lock.owns_lock();
        });
    }

    std::unique_ptr<app::MainWindow> window_;
    research::MainControls* controls_ = nullptr;
};

TEST_F(QueryTest, RunAgainstTheSimulatorAppendsEveryServedRecordNumberedOn) {
    testing_support::SimProcess sim({"--records", "30"});
    testing_support::testHosts().backendHost = sim.host();
    ASSERT_TRUE(testing_support::logInOverHttp(sim));
    const std::string cookiesBefore = research::sessionCookies().get();
    controls_->resultList->appendRows({{"", "x"}, {"", "y"}}, 0);

    typeKeywords(gbk("男装\r\n连衣裙"));
    clickQuery();
    ASSERT_TRUE(waitForRows(62));

    const std::string date = research::reportDate(0, research::localToday());
    std::vector<platform::ListRow> expected = {{"1", "x", "", "", "", "", "", ""}, {"2", "y", "", "", "", "", "", ""}};
    for (const char* keyword : {"男装", "连衣裙"}) {
        for (const sim::BidRecord& r : sim::recordsFor(keyword, date, 30)) {
            expected.push_back(cellsOf(r, static_cast<int>(expected.size()) + 1));
        }
    }
    EXPECT_EQ(controls_->resultList->snapshot(), expected);
    // Each answer rotates a cookie, which the merge keeps.
    const std::string cookiesAfter = research::sessionCookies().get();
    EXPECT_NE(cookiesAfter, cookiesBefore);
    EXPECT_NE(cookiesAfter.find(std::string(sim::kRotatedCookie) + "="), std::string::npos) << cookiesAfter;
    EXPECT_NE(cookiesAfter.find(std::string(sim::kSessionCookie) + "="), std::string::npos);
}

// A report server that records what it is asked and answers with whatever the test sets; a request
// for the keyword "hold" waits until the test lets it go.
class ReportServer {
public:
    ReportServer() {
        server_.server().Post("/report/getRelatedBidwordList.htm",
                              [this](const httplib::Request& request, httplib::Response& response) {
                                  std::unique_lock lock(mutex_);
                                  requests_.push_back(request.target + " " + request.body);
                                  const std::string keyword = request.get_param_value("bidwordstr");
                                  released_.wait(lock, [&] { return keyword != "hold" || released; });
                                  response.set_header("Set-Cookie", "isg=" + std::to_string(requests_.size()));
                                  response.set_content(answer_, "text/html");
                              });
        server_.start();
    }
    ~ReportServer() { release(); }
    void answer(std::string body) {
        std::lock_guard lock(mutex_);
        answer_ = std::move(body);
    }
    std::vector<std::string> requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    void release() {
        std::lock_guard lock(mutex_);
        released = true;
        released_.notify_all();
    }
    std::string host() const { return server_.host(); }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool released = false;
    std::vector<std::string> requests_;
    std::string answer_;
    testing_support::HttpTestServer server_;
};

TEST_F(QueryTest, SendsOneRequestPerLineAndReadsTheSampleRecord) {
    ReportServer server;
    testing_support::testHosts().backendHost = server.host();
    research::sessionToken().set("TK");
    research::sessionCookies().set("cookie2=abc");
    server.answer("{\"result\":[{\"word\":\"<b>%E7%94%B7%E8%A3%85<\\/b>春款\",\"impression\":\"1200\",\"click\":\"35\","
                  "\"ctr\":\"292\",\"cvr\":\"150\",\"avgPrice\":\"87\",\"competition\":\"410\"}]}");
    for (int i = 0; i < 5; ++i) controls_->resultList->appendRows({{}}, 0);

    typeKeywords(gbk("男装\r\n\r\nab"));
    clickQuery();
    ASSERT_TRUE(waitForRows(8));

    const std::string date = research::reportDate(0, research::localToday());
    const std::string body = research::reportBody("TK");
    EXPECT_THAT(server.requests(),
                testing::ElementsAre(
                    "/report/getRelatedBidwordList.htm?bidwordstr=%E7%94%B7%E8%A3%85&theDate=" + date + " " + body,
                    "/report/getRelatedBidwordList.htm?bidwordstr=&theDate=" + date + " " + body,
                    "/report/getRelatedBidwordList.htm?bidwordstr=%61%62&theDate=" + date + " " + body));
    const platform::ListRow sample = {"6", gbk("男装春款"), "1200", "35", "2.92%", "1.5%", "0.87", "410"};
    EXPECT_EQ(controls_->resultList->snapshot()[5], sample);
    EXPECT_EQ(controls_->resultList->cellText(7, 0), "8");
    EXPECT_EQ(research::sessionCookies().get(), "isg=3; cookie2=abc");
}

TEST_F(QueryTest, AnswersWithoutBidWordsAndFailedRequestsAddNoRows) {
    ReportServer server;
    testing_support::testHosts().backendHost = server.host();
    server.answer("{\"code\":\"401\",\"msg\":\"invalid token\",\"result\":null}");
    typeKeywords("a\r\nb");
    clickQuery();
    ASSERT_TRUE(testing_support::waitFor([&] { return server.requests().size() == 2; }));
    ASSERT_TRUE(waitForRows(0));
    EXPECT_EQ(controls_->resultList->rowCount(), 0);

    // A request that cannot be sent; the run is the worker's body, run here to its end.
    testing_support::testHosts().backendHost = "127.0.0.1:1";
    typeKeywords("a");
    std::atomic<bool> ended{false};
    std::thread run([&] {
        research::runKeywordQuery();
        ended = true;
    });
    ASSERT_TRUE(testing_support::waitFor([&] { return ended.load(); }));
    run.join();
    EXPECT_EQ(controls_->resultList->rowCount(), 0);
    testing_support::testHosts().backendHost = server.host();
    server.answer("\"word\":\"z\",");
    clickQuery();
    ASSERT_TRUE(waitForRows(1));
    EXPECT_EQ(controls_->resultList->cellText(0, 1), "z");
}

TEST_F(QueryTest, TwoQuickClicksGiveTwoRunsOneAfterTheOther) {
    ReportServer server;
    testing_support::testHosts().backendHost = server.host();
    server.answer("\"word\":\"w\",");
    typeKeywords("hold\r\nb");
    clickQuery();
    clickQuery();
    // The first run holds the lock while its first request waits; the second run has not begun.
    ASSERT_TRUE(testing_support::waitFor([&] { return server.requests().size() == 1; }));
    // A filter does not wait for the query.
    platform::setControlText(controls_->deleteWordsBox, "nothing");
    QTest::mouseClick(controls_->filterButton, Qt::LeftButton);
    EXPECT_TRUE(testing_support::waitFor(
        [&] { return platform::controlText(controls_->statusLabel) == gbk("筛选完毕"); }));
    EXPECT_EQ(server.requests().size(), 1u);

    server.release();
    ASSERT_TRUE(waitForRows(4));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_THAT(requests[0], testing::HasSubstr("bidwordstr=%68%6F%6C%64"));
    EXPECT_THAT(requests[1], testing::HasSubstr("bidwordstr=%62"));
    EXPECT_THAT(requests[2], testing::HasSubstr("bidwordstr=%68%6F%6C%64"));
    EXPECT_THAT(requests[3], testing::HasSubstr("bidwordstr=%62"));
    EXPECT_EQ(controls_->resultList->columnTexts(0), (std::vector<std::string>{"1", "2", "3", "4"}));
}

}  // namespace
