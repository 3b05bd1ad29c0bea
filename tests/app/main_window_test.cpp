// The main window as the user finds it, and the wiring of its handlers, with real widgets on Qt's
// offscreen platform.

#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

#include "app/program.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "platform/ui_bridge.h"
#include "research/shared_state.h"
#include "tests/support/wait.h"

namespace {

using platform::gbk;

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        platform::clearShownMessages();
        window_ = std::make_unique<app::MainWindow>();
        window_->show();
    }

    template <class Widget>
    Widget* find(const char* name) {
        auto* widget = window_->findChild<Widget*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    std::unique_ptr<app::MainWindow> window_;
};

TEST_F(MainWindowTest, OpensWithEveryControlInPlace) {
    EXPECT_EQ(window_->size(), QSize(1019, 655));
    EXPECT_EQ(window_->minimumSize(), window_->maximumSize());
    EXPECT_TRUE(window_->windowTitle().isEmpty());
    EXPECT_FALSE(window_->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window_->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window_->windowIcon().isNull());
    EXPECT_EQ(app::appIcon().availableSizes().value(0), QSize(72, 72));

    struct Expected {
        const char* name;
        QRect geometry;
        const char* caption;  // nullptr: not checked
    };
    const Expected controls[] = {
        {"keywordBox", {13, 17, 280, 36}, ""},
        {"queryButton", {313, 14, 112, 40}, "开始查询"},
        {"exportButton", {442, 12, 112, 40}, "导出数据"},
        {"exportLabel", {560, 14, 208, 40}, ""},
        {"loginButton", {12, 70, 120, 32}, "登录直通车"},
        {"rangeLabel", {143, 80, 64, 16}, "获取时间段："},
        {"rangeCombo", {216, 79, 104, 20}, nullptr},
        {"delayCombo", {333, 79, 104, 20}, nullptr},
        {"progressBar", {444, 80, 540, 16}, nullptr},
        {"resultList", {8, 112, 760, 472}, nullptr},
        {"wordListGroup", {774, 106, 216, 478}, "删除词表及操作"},
        {"deleteWordsBox", {6, 24, 200, 390}, ""},
        {"filterButton", {7, 421, 96, 40}, "筛选"},
        {"dedupeButton", {111, 422, 96, 40}, "去重"},
        {"statusLabel", {8, 592, 776, 24}, ""},
    };
    for (const Expected& e : controls) {
        auto* widget = find<QWidget>(e.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        if (e.caption != nullptr) {
            EXPECT_EQ(platform::controlText(widget), gbk(e.caption)) << e.name;
        }
    }
    EXPECT_EQ(find<QWidget>("deleteWordsBox")->parentWidget(), find<QGroupBox>("wordListGroup"));

    auto* range = find<QComboBox>("rangeCombo");
    auto* delay = find<QComboBox>("delayCombo");
    ASSERT_EQ(range->count(), 3);
    EXPECT_EQ(range->itemText(0), text("昨天"));
    EXPECT_EQ(range->itemText(1), text("前天"));
    EXPECT_EQ(range->itemText(2), text("过去一周"));
    EXPECT_EQ(range->currentIndex(), 0);
    ASSERT_EQ(delay->count(), 3);
    EXPECT_EQ(delay->itemText(0), text("无延时"));
    EXPECT_EQ(delay->itemText(1), text("延时3秒"));
    EXPECT_EQ(delay->itemText(2), text("延时5秒"));
    EXPECT_EQ(delay->currentIndex(), 1);
    EXPECT_EQ(find<QProgressBar>("progressBar")->value(), 0);
}

TEST_F(MainWindowTest, ResultListHasTheEightColumnsAndNoRows) {
    auto* view = find<QTableView>("resultList");
    platform::ListControl* list = research::mainControls().resultList;
    ASSERT_NE(list, nullptr);
    const std::pair<const char*, int> columns[] = {{"编号", 50},   {"关键词", 100},     {"展现指数", 100},
                                                   {"点击指数", 100}, {"点击率", 100},     {"点击转化率", 100},
                                                   {"市场均价", 100}, {"竞争度", 150}};
    ASSERT_EQ(list->columnCount(), 8);
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(list->columnTitle(c), gbk(columns[c].first));
        EXPECT_EQ(view->columnWidth(c), columns[c].second);
        EXPECT_EQ(view->model()->headerData(c, Qt::Horizontal).toString(), text(columns[c].first));
    }
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_TRUE(view->showGrid());
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_TRUE(view->horizontalHeader()->sectionsClickable());
    EXPECT_FALSE(view->isSortingEnabled());
}

TEST_F(MainWindowTest, QueryBeforeLoginIsRefusedAndLeavesTheListAlone) {
    research::mainControls().resultList->appendRows({{"1", gbk("男装")}});
    platform::queueMessageAnswer(platform::Answer::Ok);
    QTest::mouseClick(find<QPushButton>("queryButton"), Qt::LeftButton);
    EXPECT_EQ(platform::shownMessages(), std::vector<std::string>{gbk("请您先登录直通车")});
    EXPECT_EQ(research::mainControls().resultList->rowCount(), 1);
    EXPECT_EQ(research::mainControls().resultList->cellText(0, 1), gbk("男装"));
}

TEST_F(MainWindowTest, WorkerControlCallsAreAnsweredWhileTheLoopRuns) {
    research::MainControls& c = research::mainControls();
    std::atomic<bool> done{false};
    std::string seen;
    std::thread worker([&] {
        platform::setControlText(c.statusLabel, gbk("提示:共4/去除2"));
        seen = platform::controlText(c.statusLabel);
        c.resultList->appendRows({{"", "a"}, {"", "b"}}, 0);
        done = true;
    });
    ASSERT_TRUE(testing_support::waitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(seen, gbk("提示:共4/去除2"));
    EXPECT_EQ(find<QLabel>("statusLabel")->text(), text("提示:共4/去除2"));
    EXPECT_EQ(c.resultList->cellText(1, 0), "2");
    EXPECT_EQ(c.resultList->cellText(1, 1), "b");
}

TEST_F(MainWindowTest, EditBoxesHandOutLinesEndedByCrLf) {
    auto* box = find<QPlainTextEdit>("keywordBox");
    box->setFocus();
    QTest::keyClicks(box, "a");
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, "b");
    EXPECT_EQ(platform::controlText(box), "a\r\nb");
}

// Closing the window in the middle of work ends the process with code 0 at once. The scenario runs in
// a child process (this test executable again), as it ends the process it runs in.
TEST(ProgramExit, EndsWithCodeZeroWhileWorkersAreBlockedInUiCalls) {
    if (qEnvironmentVariableIsSet("QUORVIK_EXIT_CHILD")) {
        auto* window = new app::MainWindow;
        window->show();
        window->windowCreated();
        for (int i = 0; i < 4; ++i) {
            std::thread([] {
                for (;;) platform::controlText(research::mainControls().loginButton);
            }).detach();
        }
        std::thread([window] {
            platform::onUiThread([window] { window->close(); });
        }).detach();
        QApplication::exec();
        app::endProgram();
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUORVIK_EXIT_CHILD", "1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=ProgramExit.EndsWithCodeZeroWhileWorkersAreBlockedInUiCalls"});
    ASSERT_TRUE(child.waitForFinished(60000)) << "the program did not end";
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
}

}  // namespace
