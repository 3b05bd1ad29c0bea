// A query over many keywords with no pause while filters, de-duplication passes and exports run again
// and again: no row is scrambled or lost, the numbers run 1 to n after the passes, no export file is
// cut short, and closing the window in the middle of it all ends the program with code 0.

#include <gtest/gtest.h>


#include <QDir>
#include <QPlainTextEdit>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <set>
#include <thread>

#include "app/main_window.h"
#include "app/program.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "platform/shell_open.h"
#include "research/keyword_query.h"
#include "research/word_list.h"
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

constexpr int kRecords = 40;
const char* const kKeywords[] = {"男装", "连衣裙", "女鞋", "T恤", "牛仔裤", "羽绒服", "衬衫", "卫衣",
                                 "外套", "短裙", "凉鞋", "背包", "帽子", "围巾", "手套", "袜子"};

// Starts everything at once on `window`: the query, and a timer that keeps clicking the filter and
// de-duplication buttons and exporting into `folder`.
void startTheStorm(app::MainWindow* window, const QString& folder, QTimer* timer, int* exports) {
    research::MainControls& c = research::mainControls();
    platform::setComboIndex(c.delayCombo, 0);
    platform::setControlText(c.loginButton, gbk("登录成功"));
    std::string box;
    for (const char* k : kKeywords) box += gbk(k) + "\r\n";
    platform::setControlText(c.keywordBox, box);
    // A delete word no served bid word holds, so the filter removes nothing the test would have to
    // work out; the de-duplication removes for real.
    platform::setControlText(c.deleteWordsBox, gbk("不存在的词"));
    QTest::mouseClick(c.queryButton, Qt::LeftButton);
    // A new pass is clicked whenever the last one of its kind has ended, so passes follow each other
    // without end rather than piling up behind their locks.
    QObject::connect(timer, &QTimer::timeout, window, [c, folder, exports] {
        if (std::unique_lock idle(research::filterLock(), std::try_to_lock); idle.owns_lock()) {
            QTest::mouseClick(c.filterButton, Qt::LeftButton);
        }
        if (std::unique_lock idle(research::dedupeLock(), std::try_to_lock); idle.owns_lock()) {
            QTest::mouseClick(c.dedupeButton, Qt::LeftButton);
        }
        const QString name = folder + QStringLiteral("/export-%1.xls").arg(++*exports);
        platform::queueSaveFileName(platform::fromQString(name));
        platform::queueMessageAnswer(platform::Answer::No);
        QTest::mouseClick(c.exportButton, Qt::LeftButton);
    });
    timer->start(15);
}

TEST(Stress, QueryPassesAndExportsAtOnceKeepEveryRowWhole) {
    testing_support::SimProcess sim({"--records", std::to_string(kRecords)});
    testing_support::testHosts().backendHost = sim.host();
    ASSERT_TRUE(testing_support::logInOverHttp(sim));
    platform::setShellOpenObserver([](const std::string&) {});
    QTemporaryDir folder;
    auto window = std::make_unique<app::MainWindow>();
    window->show();
    research::createLocks();

    // Every row the simulator can serve for the keywords, as the list shows it (without its number).
    const std::string date = research::reportDate(0, research::localToday());
    std::set<platform::ListRow> served;
    for (const char* k : kKeywords) {
        for (const sim::BidRecord& r : sim::recordsFor(k, date, kRecords)) {
            served.insert({web::utf8ToGbk(r.word), r.impression, r.click, research::scaledFigure(r.ctr) + "%",
                           research::scaledFigure(r.cvr) + "%", research::scaledFigure(r.avgPrice), r.competition});
        }
    }

    QTimer storm;
    int exports = 0;
    startTheStorm(window.get(), folder.path(), &storm, &exports);
    // The query ends when its last keyword's answer is in and the lock is free again.
    ASSERT_TRUE(testing_support::waitFor([&] {
        std::unique_lock lock(research::queryLock(), std::try_to_lock);
        return lock.owns_lock() && exports > 20;
    }, 120000));
    storm.stop();
    // One more pass of each, alone, after everything has settled.
    std::atomic<bool> filtered{false};
    std::thread last([&] {
        research::filterWordList();
        filtered = true;
    });
    ASSERT_TRUE(testing_support::waitFor([&] { return filtered.load(); }));
    last.join();
    ASSERT_TRUE(testing_support::waitFor([] {
        std::unique_lock a(research::filterLock(), std::try_to_lock);
        std::unique_lock b(research::dedupeLock(), std::try_to_lock);
        return a.owns_lock() && b.owns_lock();
    }));

    platform::ListControl* list = research::mainControls().resultList;
    const std::vector<platform::ListRow> rows = list->snapshot();
    ASSERT_FALSE(rows.empty());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][0], std::to_string(i + 1));
        const platform::ListRow cells(rows[i].begin() + 1, rows[i].end());
        EXPECT_TRUE(served.count(cells)) << "row " << i + 1 << " is no record the simulator served: " << rows[i][1];
    }
    // Every export holds whole lines of eight cells.
    for (int e = 1; e <= exports; ++e) {
        QFile file(folder.path() + QStringLiteral("/export-%1.xls").arg(e));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << e;
        const QByteArray content = file.readAll();
        ASSERT_TRUE(content.endsWith("\r\n")) << e;
        for (const QByteArray& line : content.split('\n')) {
            if (line.isEmpty()) continue;
            EXPECT_EQ(line.count('\t'), 8) << "export " << e;
        }
    }
    platform::setShellOpenObserver({});
}

// The same storm in a child process (this test executable again), closed in the middle.
TEST(Stress, ClosingInTheMiddleEndsWithCodeZero) {
    if (qEnvironmentVariableIsSet("QUORVIK_STORM_CHILD")) {
        testing_support::SimProcess sim({"--records", std::to_string(kRecords)});
        testing_support::testHosts().backendHost = sim.host();
        ASSERT_TRUE(testing_support::logInOverHttp(sim));
        platform::setShellOpenObserver([](const std::string&) {});
        QTemporaryDir folder;
        auto* window = new app::MainWindow;
        window->show();
        window->windowCreated();
        QTimer storm;
        int exports = 0;
        startTheStorm(window, folder.path(), &storm, &exports);
        QTimer::singleShot(400, window, [window] { window->close(); });
        QApplication::exec();
        app::endProgram();
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUORVIK_STORM_CHILD", "1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=Stress.ClosingInTheMiddleEndsWithCodeZero"});
    ASSERT_TRUE(child.waitForFinished(60000)) << "the program did not end";
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
}

}  // namespace
