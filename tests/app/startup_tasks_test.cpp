// The startup tasks against a counter and a notice page served on loopback.

#include "app/startup_tasks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "app/main_window.h"
#include "platform/gbk_literal.h"
#include "platform/shell_open.h"
#include "tests/support/http_test_server.h"
#include "tests/support/test_hosts.h"
#include "tests/support/wait.h"

namespace {

using platform::gbk;

class StartupTasksTest : public testing::Test {
protected:
    void SetUp() override {
        server_.server().Get("/count1/count.asp", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex_);
            counterQuery_ = request.get_param_value("id") + "|" + request.get_param_value("sx") + "|" +
                            request.get_param_value("ys");
            response.set_content(page_, "text/html");
        });
        server_.server().Get("/ruanjian/kz.html", [this](const httplib::Request&, httplib::Response& response) {
            std::lock_guard lock(mutex_);
            response.set_content(page_, "text/html");
        });
        server_.start();
        auto& hosts = testing_support::testHosts();
        hosts.counterHost = hosts.noticeHost = server_.host();
        hosts.counterAccount = "4711";
        platform::setShellOpenObserver([this](const std::string& target) {
            std::lock_guard lock(mutex_);
            opened_.push_back(target);
        });
        window_ = std::make_unique<app::MainWindow>();
        window_->show();
    }
    void TearDown() override { platform::setShellOpenObserver({}); }

    void servePage(std::string page) {
        std::lock_guard lock(mutex_);
        page_ = std::move(page);
    }
    std::vector<std::string> opened() {
        std::lock_guard lock(mutex_);
        return opened_;
    }
    // Runs a task on a worker, as the window-created handler does, and waits for its end.
    static void runOnWorker(void (*task)()) {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            task();
            done = true;
        });
        EXPECT_TRUE(testing_support::waitFor([&] { return done.load(); }));
        worker.join();
    }

    std::mutex mutex_;
    std::string page_;
    std::string counterQuery_;
    std::vector<std::string> opened_;
    testing_support::HttpTestServer server_;
    std::unique_ptr<app::MainWindow> window_;
};

QString caption(const char* today, const char* total) {
    return QString::fromUtf8("Quorvik            今日使用次数：") + QString::fromUtf8(today) +
           QString::fromUtf8("   累计使用人数：") + QString::fromUtf8(total);
}

TEST_F(StartupTasksTest, CaptionShowsTheCountsAsCutOut) {
    struct Case {
        const char* page;  // UTF-8 here, served as code page 936
        const char* today;
        const char* total;
    };
    const Case cases[] = {
        {"document.write('今天访问：12&累计访问：3456&')", "12", "3456"},
        {"累计访问：3456&", "", "3456"},
        {"今天访问：12 累计访问：3456&", "12 累计访问：3456", "3456"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        servePage(gbk(c.page));
        runOnWorker(&app::showUseCounts);
        EXPECT_EQ(window_->windowTitle(), caption(c.today, c.total)) << c.page;
    }
    EXPECT_EQ(counterQuery_, "4711|1|43");
}

TEST_F(StartupTasksTest, UnreachableCounterLeavesEmptyNumbers) {
    testing_support::testHosts().counterHost = "127.0.0.1:1";
    runOnWorker(&app::showUseCounts);
    EXPECT_EQ(window_->windowTitle(), caption("", ""));
}

TEST_F(StartupTasksTest, NoticeAsksForAnUpdate) {
    struct Case {
        const char* page;
        std::vector<std::string> opened;
        bool closes;
    };
    const Case cases[] = {
        {"gx=1&tz=http://example.test/new&", {"http://example.test/new"}, true},
        {"gx=1&tz=HTTPS://example.test/new&", {"HTTPS://example.test/new"}, true},
        // Addresses that would open a local file or start a local program are not opened.
        {"gx=1&tz=file:///etc/passwd&", {}, true},
        {"gx=1&tz=/usr/bin/xterm&", {}, true},
        {"gx=1&tz=C:\\Windows\\calc.exe&", {}, true},
        {"gx=1&tz=javascript:alert(1)&", {}, true},
        {"gx=1&tz=httpx://example.test&", {}, true},
        {"gx=1&", {}, true},
        {"gx=0&tz=http://example.test/new&", {}, false},
        {"GX=1&tz=http://example.test/new&", {}, false},
        {"gx= 1&tz=http://example.test/new&", {}, false},
        {"gx=1", {}, false},
        {"", {}, false},
    };
    for (const Case& c : cases) {
        window_->show();
        opened_.clear();
        servePage(c.page);
        runOnWorker(&app::checkUpdateNotice);
        EXPECT_EQ(opened(), c.opened) << c.page;
        EXPECT_EQ(window_->isVisible(), !c.closes) << c.page;
    }
}

TEST_F(StartupTasksTest, UnreachableNoticeChangesNothing) {
    testing_support::testHosts().noticeHost = "127.0.0.1:1";
    runOnWorker(&app::checkUpdateNotice);
    EXPECT_TRUE(opened().empty());
    EXPECT_TRUE(window_->isVisible());
}

}  // namespace
