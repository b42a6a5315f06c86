#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <QWidget>
#include <functional>

namespace pelorin::test {

// Runs the event loop until `condition` holds or `timeoutMs` passes; returns whether it held.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Saves what `widget` shows as `name`.png in the folder named by PELORIN_SHOTS, when that is set, so that
// a person can look at what a test saw.
inline void SaveShot(QWidget& widget, const char* name) {
    const QString folder = qEnvironmentVariable("PELORIN_SHOTS");
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    widget.grab().save(QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

} // namespace pelorin::test
