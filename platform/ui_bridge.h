#pragma once
// The one road from worker threads to the user-interface thread. Every control operation of the
// program goes through it: from a worker it runs on the UI thread and waits for the answer; on the UI
// thread it runs at once. Needs a QApplication; workers blocked here when the loop ends simply stay
// blocked until the process exits.

#include <functional>
#include <optional>
#include <type_traits>

namespace platform {

bool isUiThread();

// Runs `task` on the UI thread and returns when it has run.
void runOnUiThread(const std::function<void()>& task);

// Runs `task` on the UI thread and returns its answer.
template <class Task>
auto onUiThread(Task&& task) -> std::invoke_result_t<Task&> {
    using Result = std::invoke_result_t<Task&>;
    if constexpr (std::is_void_v<Result>) {
        runOnUiThread(task);
    } else {
        std::optional<Result> answer;
        runOnUiThread([&] { answer.emplace(task()); });
        return std::move(*answer);
    }
}

// Lets the pending window events of the UI thread run, so that a long call made there keeps the
// windows painted. Does nothing on any other thread.
void letPendingEventsRun();

}  // namespace platform
