#include "platform/shell_open.h"

#include <QDesktopServices>
#include <QUrl>
#include <mutex>

#include "platform/controls.h"
#include "platform/ui_bridge.h"

namespace platform {
namespace {

std::mutex observerMutex;
std::function<void(const std::string&)> observer;

}  // namespace

void shellOpen(std::string_view target) {
    {
        std::lock_guard lock(observerMutex);
        if (observer) {
            observer(std::string(target));
            return;
        }
    }
    const QString text = toQString(target);
    onUiThread([&] {
        const QUrl url = text.contains(QLatin1String("://")) ? QUrl(text) : QUrl::fromLocalFile(text);
        QDesktopServices::openUrl(url);
    });
}

void setShellOpenObserver(std::function<void(const std::string&)> newObserver) {
    std::lock_guard lock(observerMutex);
    observer = std::move(newObserver);
}

}  // namespace platform
