#include "research/login_window.h"

#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/embedded_browser.h"
#include "platform/gbk_literal.h"
#include "research/hosts.h"
#include "research/shared_state.h"
#include "web/cookie_text.h"
#include "web/text.h"
#include "web/web_fetch.h"

namespace research {
namespace {

using platform::gbk;

class LoginWindow : public QWidget {
public:
    LoginWindow() : QWidget(nullptr, Qt::Window) {
        setObjectName(QStringLiteral("loginWindow"));
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(QString::fromUtf8("登录直通车"));
        resize(1197, 624);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            move(screen->availableGeometry().center() - rect().center());
        }
        auto* browser = new platform::EmbeddedBrowser(this);
        browser->setObjectName(QStringLiteral("loginBrowser"));
        // Wider than the window on both sides, so the page's centred form sits in the middle.
        browser->setGeometry(-200, 8, 1472, 480);
        browser->open("http://" + hosts().backendHost + "/");
        auto* done = new QPushButton(QString::fromUtf8("登录成功点我"), this);
        done->setObjectName(QStringLiteral("loginDoneButton"));
        done->setGeometry(384, 504, 352, 40);
        connect(done, &QPushButton::clicked, this, [] { confirmLogin(); });
    }
};

QPointer<LoginWindow>& openWindow() {
    static QPointer<LoginWindow> window;
    return window;
}

}  // namespace

void openLoginWindow() {
    QPointer<LoginWindow>& window = openWindow();
    // A window closed a moment ago may still await its deletion; it does not count as open.
    if (!window || !window->isVisible()) {
        window = new LoginWindow;
        window->show();
    }
    window->raise();
    window->activateWindow();
}

std::string readBrowserCookies(std::string_view host) {
    const std::string address = "http://" + std::string(host);
    // Both reads take the whole cookie text, however long: a logged-in session carries many cookies.
    web::CookieText older = platform::readBrowserCookies(address, false);
    web::CookieText newer = platform::readBrowserCookies(address, true);
    web::mergeCookies(older, newer);
    return older;
}

void confirmLogin() {
    // The request below lets window events run, so a second click may arrive before it ends; it
    // must not start a second login on top of the first.
    static bool running = false;
    if (running) return;
    running = true;

    web::CookieText cookies = readBrowserCookies(hosts().cookieHost);
    sessionCookies().set(cookies);
    const std::string body =
        web::WebFetch("http://" + hosts().backendHost + "/bpenv/getLoginUserInfo.htm", 0, "", &cookies);
    sessionCookies().set(cookies);
    const std::string token = web::textBetween(body, "token\":\"", "\",\"");
    sessionToken().set(token);

    if (!token.empty()) {
        platform::showMessage(gbk("登录成功 "));
        if (QWidget* button = mainControls().loginButton) platform::setControlText(button, gbk("登录成功"));
        if (LoginWindow* window = openWindow()) window->close();
    } else {
        platform::showMessage(gbk("登录失败 请检查"));
    }
    running = false;
}

}  // namespace research
