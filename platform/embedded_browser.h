#pragma once
// The embedded web browser in which the seller logs in, and its cookie store. Every browser of the
// process shares one off-the-record profile: its cookies live in memory for the run only, so no
// cookie, cache or history reaches the disk and a new run starts logged out.

#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

class QWebEngineView;

namespace platform {

class EmbeddedBrowser : public QWidget {
    Q_OBJECT
public:
    explicit EmbeddedBrowser(QWidget* parent = nullptr);
    ~EmbeddedBrowser() override;

    // Opens `address` (code page 936 text, e.g. "http://host/").
    void open(std::string_view address);
    // The address shown now, and how many page loads have finished so far.
    std::string currentAddress() const;
    int finishedLoads() const { return finishedLoads_; }
    // Runs a script in the page as a user's actions would; `done` gets its result as text.
    void runScript(const QString& script, std::function<void(const QString&)> done = {});

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWebEngineView* view_;
    int finishedLoads_ = 0;
};

// The cookie text a browser would send to `address` ("http://host" or "http://host/"): name=value
// pairs joined by "; ", of the cookies of the shared profile whose domain matches the host (domain
// and host-only cookies), whose path is "/", that are not Secure-only on plain HTTP and not expired.
// Session cookies are included; HttpOnly cookies only with `includeHttpOnly`. "" when none.
std::string readBrowserCookies(std::string_view address, bool includeHttpOnly);

}  // namespace platform
