#include "platform/embedded_browser.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QNetworkCookie>
#include <QResizeEvent>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <mutex>
#include <vector>

#include "platform/controls.h"

namespace platform {
namespace {

// The cookies of the shared profile, kept current from the store's notifications in the order the
// browser set them.
class CookieJar {
public:
    void add(const QNetworkCookie& cookie) {
        std::lock_guard lock(mutex_);
        for (QNetworkCookie& kept : cookies_) {
            if (kept.hasSameIdentifier(cookie)) {
                kept = cookie;
                return;
            }
        }
        cookies_.push_back(cookie);
    }
    void remove(const QNetworkCookie& cookie) {
        std::lock_guard lock(mutex_);
        std::erase_if(cookies_, [&](const QNetworkCookie& kept) { return kept.hasSameIdentifier(cookie); });
    }
    std::vector<QNetworkCookie> all() const {
        std::lock_guard lock(mutex_);
        return cookies_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<QNetworkCookie> cookies_;
};

CookieJar& jar() {
    static CookieJar* instance = new CookieJar;
    return *instance;
}

// One off-the-record profile (no storage name) for the run; it belongs to the application, so it
// outlives every page that uses it.
QWebEngineProfile* sharedProfile() {
    static QWebEngineProfile* profile = [] {
        auto* p = new QWebEngineProfile(QCoreApplication::instance());
        p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        p->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        QWebEngineCookieStore* store = p->cookieStore();
        QObject::connect(store, &QWebEngineCookieStore::cookieAdded, p,
                         [](const QNetworkCookie& cookie) { jar().add(cookie); });
        QObject::connect(store, &QWebEngineCookieStore::cookieRemoved, p,
                         [](const QNetworkCookie& cookie) { jar().remove(cookie); });
        return p;
    }();
    return profile;
}

bool domainMatches(const QString& cookieDomain, const QString& host) {
    if (cookieDomain.isEmpty()) return false;
    if (cookieDomain.startsWith(QLatin1Char('.'))) {
        const QString bare = cookieDomain.mid(1);
        return host.compare(bare, Qt::CaseInsensitive) == 0 ||
               host.endsWith(cookieDomain, Qt::CaseInsensitive);
    }
    return host.compare(cookieDomain, Qt::CaseInsensitive) == 0;
}

}  // namespace

EmbeddedBrowser::EmbeddedBrowser(QWidget* parent) : QWidget(parent), view_(new QWebEngineView(this)) {
    // The page is the view's child and goes with it, before the shared profile.
    view_->setPage(new QWebEnginePage(sharedProfile(), view_));
    connect(view_, &QWebEngineView::loadFinished, this, [this] { ++finishedLoads_; });
}

EmbeddedBrowser::~EmbeddedBrowser() = default;

void EmbeddedBrowser::open(std::string_view address) { view_->setUrl(QUrl(toQString(address))); }

std::string EmbeddedBrowser::currentAddress() const { return fromQString(view_->url().toString()); }

void EmbeddedBrowser::runScript(const QString& script, std::function<void(const QString&)> done) {
    view_->page()->runJavaScript(script, [done = std::move(done)](const QVariant& result) {
        if (done) done(result.toString());
    });
}

void EmbeddedBrowser::resizeEvent(QResizeEvent* event) {
    view_->setGeometry(0, 0, event->size().width(), event->size().height());
}

std::string readBrowserCookies(std::string_view address, bool includeHttpOnly) {
    const QUrl url(toQString(address));
    const QString host = url.host();
    const bool secure = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::string text;
    for (const QNetworkCookie& cookie : jar().all()) {
        if (!domainMatches(cookie.domain(), host)) continue;
        if (!cookie.path().isEmpty() && cookie.path() != QLatin1String("/")) continue;
        if (cookie.isSecure() && !secure) continue;
        if (!cookie.isSessionCookie() && cookie.expirationDate().toUTC() <= now) continue;
        if (cookie.isHttpOnly() && !includeHttpOnly) continue;
        if (!text.empty()) text += "; ";
        text += cookie.name().toStdString();
        text += '=';
        text += cookie.value().toStdString();
    }
    return text;
}

}  // namespace platform
