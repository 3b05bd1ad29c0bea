#include "platform/ui_bridge.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace platform {

bool isUiThread() {
    auto* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

void runOnUiThread(const std::function<void()>& task) {
    auto* app = QCoreApplication::instance();
    if (app == nullptr || isUiThread()) {
        task();
        return;
    }
    QMetaObject::invokeMethod(app, [&task] { task(); }, Qt::BlockingQueuedConnection);
}

void letPendingEventsRun() {
    if (isUiThread()) QCoreApplication::processEvents();
}

}  // namespace platform
