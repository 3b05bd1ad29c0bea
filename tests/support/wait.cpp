#include "tests/support/wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

namespace testing_support {

bool waitFor(const std::function<bool()>& condition, int limitMs) {
    QDeadlineTimer deadline(limitMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(5);
    }
    return true;
}

}  // namespace testing_support
