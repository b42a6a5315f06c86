#include "platform/Screen.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace pelorin {

namespace {

constexpr double fallbackDpi = 96;

const QScreen* PrimaryScreen() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen()
                                                                        : nullptr;
}

double UsableDpi(double dpi) {
    return dpi > 0 ? dpi : fallbackDpi;
}

} // namespace

double Screen::LogicalDpiX() {
    const QScreen* screen = PrimaryScreen();
    return UsableDpi(screen ? screen->logicalDotsPerInchX() : 0);
}

double Screen::LogicalDpiY() {
    const QScreen* screen = PrimaryScreen();
    return UsableDpi(screen ? screen->logicalDotsPerInchY() : 0);
}

std::vector<std::string> Screen::Fonts() {
    std::vector<std::string> names;
    for (const QString& family : QFontDatabase::families()) {
        const bool latin1 =
            std::all_of(family.cbegin(), family.cend(), [](QChar c) { return c.unicode() < 256; });
        if (latin1)
            names.push_back(family.toLatin1().toStdString());
    }
    return names;
}

} // namespace pelorin
