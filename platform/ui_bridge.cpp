#include "platform/ui_bridge.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace platform {

bool isUiThread() {
    auto* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

namespace {

// One call handed to the UI thread, and its completion.
struct Call {
    const std::function<void()>* task = nullptr;
    bool done = false;
};

// The hand-over goes through a queue and a mutex of our own, not through data that Qt carries from
// thread to thread, so that every tool that follows the threads (ThreadSanitizer among them) sees the
// task's writes before the UI thread runs it and the UI thread's writes before the worker goes on.
std::mutex callMutex;
std::condition_variable callFinished;
std::deque<Call*>& pendingCalls() {
    static auto* calls = new std::deque<Call*>;  // never destroyed: workers may wait until the end
    return *calls;
}

void runPendingCalls() {
    for (;;) {
        Call* call = nullptr;
        {
            std::lock_guard lock(callMutex);
            if (pendingCalls().empty()) return;
            call = pendingCalls().front();
            pendingCalls().pop_front();
        }
        (*call->task)();
        std::lock_guard lock(callMutex);
        call->done = true;
        callFinished.notify_all();
    }
}

}  // namespace

void runOnUiThread(const std::function<void()>& task) {
    auto* app = QCoreApplication::instance();
    if (app == nullptr || isUiThread()) {
        task();
        return;
    }
    Call call{&task};
    {
        std::lock_guard lock(callMutex);
        pendingCalls().push_back(&call);
    }
    QMetaObject::invokeMethod(app, &runPendingCalls, Qt::QueuedConnection);
    std::unique_lock lock(callMutex);
    callFinished.wait(lock, [&] { return call.done; });
}

void letPendingEventsRun() {
    if (isUiThread()) QCoreApplication::processEvents();
}

}  // namespace platform
