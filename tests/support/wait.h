#pragma once
// Waits in the QTRY style: lets the UI thread's events run until a condition holds or a generous
// limit passes. The limit only turns a hang into a failure; no test relies on how long anything takes.

#include <functional>

namespace testing_support {

// True as soon as `condition` holds; false when it still does not after `limitMs`.
bool waitFor(const std::function<bool()>& condition, int limitMs = 30000);

}  // namespace testing_support
