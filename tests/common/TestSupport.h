#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QThread>
#include <functional>

namespace pelorin::test {

// Runs the event loop until `condition` holds or `timeoutMs` passes; returns whether it held. The
// default is generous: a condition that holds returns at once, and a loaded machine running the
// sanitizer build must not turn a slow step into a failure.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 20000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// With PELORIN_SHOTS_DIR set, saves `image` there as a PNG file named `name`, to be looked at.
inline void SaveShot(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("PELORIN_SHOTS_DIR");
    if (!folder.isEmpty() && QDir().mkpath(folder))
        image.save(QDir(folder).filePath(name));
}

} // namespace pelorin::test
