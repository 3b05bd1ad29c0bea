// The whole login in the real embedded browser against the simulated platform: the seller logs in in
// the page, the program takes over the browser's cookies and fetches the session token.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QPushButton>
#include <QTest>

#include "app/main_window.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/embedded_browser.h"
#include "platform/gbk_literal.h"
#include "research/login_window.h"
#include "research/shared_state.h"
#include "sim/accounts.h"
#include "tests/support/sim_process.h"
#include "tests/support/test_hosts.h"
#include "tests/support/wait.h"

namespace {

using platform::gbk;

QWidget* loginWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("loginWindow") && widget->isVisible()) return widget;
    }
    return nullptr;
}

QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next();
    files.sort();
    return files;
}

class LoginTest : public testing::Test {
protected:
    void SetUp() override {
        platform::clearShownMessages();
        window_ = std::make_unique<app::MainWindow>();
        window_->show();
    }
    void TearDown() override {
        if (QWidget* open = loginWindow()) open->close();
        testing_support::waitFor([] { return loginWindow() == nullptr; });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void pointAt(const testing_support::SimProcess& sim) {
        testing_support::testHosts().backendHost = sim.host();
        testing_support::testHosts().cookieHost = "127.0.0.1";
    }

    platform::EmbeddedBrowser* openBrowser() {
        QTest::mouseClick(window_->findChild<QPushButton*>("loginButton"), Qt::LeftButton);
        QWidget* window = loginWindow();
        if (window == nullptr) return nullptr;
        auto* browser = window->findChild<platform::EmbeddedBrowser*>("loginBrowser");
        const bool loaded = testing_support::waitFor([&] { return browser->finishedLoads() >= 1; });
        return loaded ? browser : nullptr;
    }

    // Fills in and submits the page's form as the seller would.
    static bool logInInPage(platform::EmbeddedBrowser* browser) {
        const int loads = browser->finishedLoads();
        browser->runScript(QString::fromUtf8("document.getElementById('username').value = '%1';"
                                             "document.getElementById('password').value = '%2';"
                                             "document.getElementById('submit').click();")
                               .arg(QString::fromUtf8(sim::kDemoUser.data(), sim::kDemoUser.size()),
                                    QString::fromUtf8(sim::kDemoPassword.data(), sim::kDemoPassword.size())));
        return testing_support::waitFor([&] {
            return browser->finishedLoads() > loads &&
                   platform::readBrowserCookies("http://127.0.0.1", true).find("cookie2=") != std::string::npos;
        });
    }

    static void clickDone() {
        platform::queueMessageAnswer(platform::Answer::Ok);
        QTest::mouseClick(loginWindow()->findChild<QPushButton*>("loginDoneButton"), Qt::LeftButton);
    }

    std::string loginCaption() const {
        return platform::controlText(window_->findChild<QPushButton*>("loginButton"));
    }

    std::unique_ptr<app::MainWindow> window_;
};

TEST_F(LoginTest, SellerLogsInInTheBrowserAndTheProgramTakesOverTheSession) {
    const QString home = QDir::homePath();
    const QStringList homeBefore = filesUnder(home);
    testing_support::SimProcess sim;
    pointAt(sim);

    platform::EmbeddedBrowser* browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    QWidget* window = loginWindow();
    EXPECT_EQ(window->size(), QSize(1197, 624));
    EXPECT_EQ(browser->geometry(), QRect(-200, 8, 1472, 480));
    auto* done = window->findChild<QPushButton*>("loginDoneButton");
    EXPECT_EQ(done->geometry(), QRect(384, 504, 352, 40));
    EXPECT_EQ(done->text(), QString::fromUtf8("登录成功点我"));
    EXPECT_EQ(browser->currentAddress(), "http://" + sim.host() + "/");

    // A second click brings the open window to the front instead of opening another.
    QTest::mouseClick(window_->findChild<QPushButton*>("loginButton"), Qt::LeftButton);
    EXPECT_EQ(loginWindow(), window);

    // Before the seller has logged in in the page.
    clickDone();
    EXPECT_EQ(platform::shownMessages(), std::vector<std::string>{gbk("登录失败 请检查")});
    EXPECT_EQ(loginWindow(), window);
    EXPECT_EQ(loginCaption(), gbk("登录直通车"));
    EXPECT_EQ(research::sessionToken().get(), "");

    ASSERT_TRUE(logInInPage(browser));
    platform::clearShownMessages();
    clickDone();
    EXPECT_EQ(platform::shownMessages(), std::vector<std::string>{gbk("登录成功 ")});
    EXPECT_EQ(loginCaption(), gbk("登录成功"));
    EXPECT_TRUE(testing_support::waitFor([] { return loginWindow() == nullptr; }));

    const std::string cookies = research::sessionCookies().get();
    const auto at = cookies.find("cookie2=");
    ASSERT_NE(at, std::string::npos) << cookies;
    const std::string session = cookies.substr(at + 8, 32);
    EXPECT_EQ(research::sessionToken().get(), sim::tokenForSession(session));
    EXPECT_EQ(cookies.find("=deleted"), std::string::npos) << cookies;
    EXPECT_NE(cookies.find(std::string(sim::kSpacedCookie) + "="), std::string::npos) << cookies;
    for (size_t i = 1; i < cookies.size(); ++i) {
        if (cookies[i] == ' ') {
            EXPECT_EQ(cookies[i - 1], ';') << "a blank inside a cookie: " << cookies;
        }
    }

    // A failed login after a successful one keeps the caption but drops the token.
    openBrowser();
    ASSERT_NE(loginWindow(), nullptr);
    testing_support::testHosts().backendHost = "127.0.0.1:1";
    platform::clearShownMessages();
    clickDone();
    EXPECT_EQ(platform::shownMessages(), std::vector<std::string>{gbk("登录失败 请检查")});
    EXPECT_EQ(loginCaption(), gbk("登录成功"));
    EXPECT_EQ(research::sessionToken().get(), "");

    // Nothing of the browser reached the disk.
    EXPECT_EQ(filesUnder(home), homeBefore);
}

TEST_F(LoginTest, ALongCookieTextStillLogsIn) {
    testing_support::SimProcess sim({"--long-cookies"});
    pointAt(sim);
    platform::EmbeddedBrowser* browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(logInInPage(browser));
    EXPECT_GT(platform::readBrowserCookies("http://127.0.0.1", false).size(), 3000u);
    clickDone();
    EXPECT_EQ(platform::shownMessages().back(), gbk("登录成功 "));
    EXPECT_FALSE(research::sessionToken().get().empty());
    EXPECT_GT(research::sessionCookies().get().size(), 3000u);
}

}  // namespace

namespace {

// The platform answers the login info without a token, or with the token as its last field (no
// "," after it): the login fails, whatever the cookies.
TEST_F(LoginTest, AnAnswerWithoutAFollowedTokenFails) {
    for (const char* fault : {"info:no-token", "info:token-last"}) {
        testing_support::SimProcess sim({"--fault", fault});
        pointAt(sim);
        platform::EmbeddedBrowser* browser = openBrowser();
        ASSERT_NE(browser, nullptr);
        ASSERT_TRUE(logInInPage(browser));
        platform::clearShownMessages();
        clickDone();
        EXPECT_EQ(platform::shownMessages(), std::vector<std::string>{gbk("登录失败 请检查")}) << fault;
        EXPECT_NE(loginWindow(), nullptr);
        EXPECT_EQ(research::sessionToken().get(), "");
        loginWindow()->close();
        testing_support::waitFor([] { return loginWindow() == nullptr; });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}  // namespace
