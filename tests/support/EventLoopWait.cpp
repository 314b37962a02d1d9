#include "support/EventLoopWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace ovisu::test {

bool waitUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void spin(int milliseconds) { waitUntil([] { return false; }, milliseconds); }

}  // namespace ovisu::test
