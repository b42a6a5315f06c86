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

// A family that several foundries supply is listed once per foundry as "Name [foundry]"; people know it
// by its name alone.
QString WithoutFoundry(const QString& family) {
    const qsizetype bracket = family.indexOf(QStringLiteral(" ["));
    return bracket > 0 && family.endsWith(QLatin1Char(']')) ? family.left(bracket) : family;
}

bool IsLatin1(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 256; });
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
    return FamilyNames(QFontDatabase::families());
}

std::vector<std::string> Screen::FamilyNames(const QStringList& families) {
    std::vector<std::string> names;
    for (const QString& family : families) {
        const QString name = WithoutFoundry(family);
        if (!IsLatin1(name))
            continue;
        std::string bytes = name.toLatin1().toStdString();
        if (std::find(names.begin(), names.end(), bytes) == names.end())
            names.push_back(std::move(bytes));
    }
    return names;
}

} // namespace pelorin
