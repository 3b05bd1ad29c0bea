#include "platform/ui_bridge.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>

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
    // The hand-over goes through a mutex of our own rather than Qt's blocking connection, so that
    // every tool that follows the threads (ThreadSanitizer among them) sees the task's writes before
    // the UI thread runs it and the UI thread's writes before the worker goes on.
    struct Call {
        std::mutex mutex;
        std::condition_variable finished;
        const std::function<void()>* task = nullptr;
        bool done = false;
    };
    auto call = std::make_shared<Call>();
    {
        std::lock_guard lock(call->mutex);
        call->task = &task;
    }
    QMetaObject::invokeMethod(
        app,
        [call] {
            const std::function<void()>* work = nullptr;
            {
                std::lock_guard lock(call->mutex);
                work = call->task;
            }
            (*work)();
            std::lock_guard lock(call->mutex);
            call->done = true;
            call->finished.notify_one();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(call->mutex);
    call->finished.wait(lock, [&] { return call->done; });
}

void letPendingEventsRun() {
    if (isUiThread()) QCoreApplication::processEvents();
}

}  // namespace platform
