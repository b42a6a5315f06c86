#include "platform/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace pelorin {

namespace {

// Qt 6 takes the standard buttons' captions (a question's, the file dialog's) from a context that its
// Swedish catalogue lacks.
class StandardButtonsInSwedish : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override {
        static const std::pair<const char*, const char*> captions[] = {
            {"OK", "OK"},      {"&Yes", "&Ja"},        {"&No", "&Nej"},        {"Cancel", "Avbryt"},
            {"Save", "Spara"}, {"Open", "\u00d6ppna"}, {"Close", "St\u00e4ng"}};
        if (qstrcmp(context, "QPlatformTheme") != 0)
            return {};
        for (const auto& [english, swedish] : captions)
            if (qstrcmp(sourceText, english) == 0)
                return QString::fromUtf8(swedish);
        return {};
    }
};

} // namespace

void InstallSwedishQtTranslations(QCoreApplication& app) {
    QCoreApplication::installTranslator(new StandardButtonsInSwedish(&app));
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
