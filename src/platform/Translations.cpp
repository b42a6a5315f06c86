#include "platform/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace pelorin {

void InstallSwedishQtTranslations(QCoreApplication& app) {
    const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // Debian's Qt 6.4 ships the whole catalogue as "qt_sv"; later releases split it into "qtbase_sv".
    for (const QString& catalogue : {QStringLiteral("qtbase"), QStringLiteral("qt")}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(swedish, catalogue, QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return;
        }
        delete translator;
    }
}

} // namespace pelorin
