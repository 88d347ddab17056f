#pragma once
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace tarnel::test {

// Runs the event loop (really waiting, so its idle processing runs) until `done` holds; false
// when it still does not after `ms`. QTRY_* cannot be used: its failures do not reach gtest.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

}  // namespace tarnel::test
