#include "platform/Translations.h"

#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

// One QApplication per test executable, on the offscreen platform unless the caller chose another, with
// Qt's own texts in Swedish as the program has them.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QLocale::setDefault(QLocale(QLocale::C));
    QApplication app(argc, argv);
    pelorin::InstallSwedishQtTranslations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
