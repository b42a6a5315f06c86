// The host of the control: creates it, hands it the parameters of a host page and of the command
// line, delivers the lifecycle calls in their order and shows it in a window of the size it asks for.

#include "control/PelorinControl.h"
#include "core/Capture.h"
#include "core/Latin1.h"
#include "host/HostWindow.h"
#include "host/LinkWatch.h"
#include "host/PictureRender.h"
#include "host/Tour.h"
#include "host/TrendEntries.h"
#include "host/WatchFanOut.h"
#include "journal/WriteJournal.h"
#include "platform/PrintJob.h"
#include "platform/PrinterSurface.h"
#include "platform/Translations.h"
#include "platform/Widgets.h"
#include "sysdial/SystemDialog.h"
#include "trend/HistoryRecorder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

using pelorin::PropertyBag;
using pelorin::ToLatin1;

// A page is read as UTF-8 when it is valid UTF-8, otherwise as Latin-1.
QString DecodePage(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QString AttributeValue(const QRegularExpressionMatch& m) {
    for (int group : {2, 3, 4})
        if (m.capturedStart(group) >= 0)
            return m.captured(group);
    return {};
}

// Every <param name=".." value=".."> tag of the page, in any letter case and with double, single or
// no quotes around the attribute values.
int ReadPageParameters(const QString& path, PropertyBag& bag) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "pelorin: cannot read the page %s\n", qPrintable(path));
        return 0;
    }
    const QString page = DecodePage(file.readAll());
    static const QRegularExpression tag(QStringLiteral("<\\s*param\\b([^>]*)>"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(
        QStringLiteral("([A-Za-z_:-]+)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>/]+))"));
    int count = 0;
    for (auto tags = tag.globalMatch(page); tags.hasNext();) {
        QString name, value;
        bool hasName = false;
        for (auto attrs = attribute.globalMatch(tags.next().captured(1)); attrs.hasNext();) {
            const auto attr = attrs.next();
            const QString key = attr.captured(1).toLower();
            if (key == QLatin1String("name")) {
                name = AttributeValue(attr);
                hasName = true;
            } else if (key == QLatin1String("value")) {
                value = AttributeValue(attr);
            }
        }
        if (hasName && !name.isEmpty()) {
            bag.Set(ToLatin1(name), ToLatin1(value));
            ++count;
        }
    }
    return count;
}

// KEY=VALUE; anything else is reported and left out.
bool ReadCommandLineParameter(const QString& option, PropertyBag& bag) {
    const qsizetype equals = option.indexOf(QLatin1Char('='));
    if (equals <= 0) {
        std::fprintf(stderr, "pelorin: ignoring --param %s (expected KEY=VALUE)\n", qPrintable(option));
        return false;
    }
    bag.Set(ToLatin1(option.left(equals)), ToLatin1(option.mid(equals + 1)));
    return true;
}

// Help and headless screenshots need no display: without one they run on the offscreen platform.
// A render always does, so that its fonts come out at the same resolution wherever it runs.
void UseOffscreenWithoutDisplay(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    const bool display = qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        const bool headless = arg == "--help" || arg == "-h" || arg == "-?" || arg.startsWith("--screenshot");
        if (arg.startsWith("--render") || (headless && !display)) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return;
        }
    }
}

// --render PICTURE --out FILE [--size WxH] [--values FILE], with the --param host parameters.
int Render(const QCommandLineParser& parser, const PropertyBag& parameters) {
    pelorin::host::RenderJob job;
    job.picture = parser.value(QStringLiteral("render"));
    job.out = parser.value(QStringLiteral("out"));
    job.values = parser.value(QStringLiteral("values"));
    job.parameters = parameters;
    if (job.out.isEmpty()) {
        std::fprintf(stderr, "pelorin: --render needs --out FILE.png or FILE.pdf\n");
        return 2;
    }
    if (parser.isSet(QStringLiteral("size")) &&
        !pelorin::host::ParseSize(parser.value(QStringLiteral("size")), job.size)) {
        std::fprintf(stderr, "pelorin: --size takes WIDTHxHEIGHT, each from 1 to 8192\n");
        return 2;
    }
    const QString error = pelorin::host::RenderPicture(job);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "pelorin: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    UseOffscreenWithoutDisplay(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pelorin"));
    pelorin::InstallSwedishQtTranslations(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Operator client for the building-automation picture server.\n"
        "Parameters: PCTWidth, PCTHeight, FontName, FontSize, FontBold, Orientation, PrinterFontName,\n"
        "PrinterFontBold, ServerAddress (host:port)."));
    parser.addHelpOption();
    const QCommandLineOption param(
        QStringLiteral("param"),
        QStringLiteral("A host parameter, KEY=VALUE (repeatable; after the page's)."),
        QStringLiteral("KEY=VALUE"));
    const QCommandLineOption page(QStringLiteral("page"),
                                  QStringLiteral("A host page whose <param name=.. value=..> tags are read."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption settingsDir(QStringLiteral("settings-dir"),
                                         QStringLiteral("Keep the stored user settings in DIR."),
                                         QStringLiteral("DIR"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save the window as a PNG after a delay, then exit."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption screenshotAfter(QStringLiteral("screenshot-after"),
                                             QStringLiteral("Delay before the screenshot (default 1000)."),
                                             QStringLiteral("MS"), QStringLiteral("1000"));
    const QCommandLineOption tour(
        QStringLiteral("tour"),
        QStringLiteral("Run the scripted demo (log in as DEMO, show picture 1, write a "
                       "value, follow a link), save screenshots in DIR, then exit."),
        QStringLiteral("DIR"));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Trace every frame of the picture link and every send and arrival on the terminal "
                       "(logging category pelorin.link; passwords and code words are masked)."));
    const QCommandLineOption capture(QStringLiteral("capture"),
                                     QStringLiteral("Record both connections with their timing in FILE, "
                                                    "for pelorin-sim --replay (passwords left out)."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption render(
        QStringLiteral("render"),
        QStringLiteral("Draw PICTURE (a plant's JSON picture, or MSG_PICTURE data) into --out without a "
                       "server or a display, then exit."),
        QStringLiteral("PICTURE"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("The render's file: .png or .pdf."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("The render's picture area in pixels (default 800x600)."),
                                  QStringLiteral("WxH"));
    const QCommandLineOption values(
        QStringLiteral("values"),
        QStringLiteral("Values for the render: lines \"dynamic-number=value\", or a capture."),
        QStringLiteral("FILE"));
    const QCommandLineOption historyPoints(
        QStringLiteral("history-points"),
        QStringLiteral("How many values the trends keep, of all addresses together; the oldest go first "
                       "(default 2000000, about 16 bytes each)."),
        QStringLiteral("N"), QString::number(pelorin::ValueHistory::kDefaultCap));
    parser.addOptions({param, page, settingsDir, screenshot, screenshotAfter, tour, trace, capture, render,
                       out, size, values, historyPoints});
    parser.process(app);
    if (parser.isSet(trace))
        QLoggingCategory::setFilterRules(QStringLiteral("pelorin.link.debug=true"));

    PropertyBag bag;
    int parameters = 0;
    if (parser.isSet(page))
        parameters += ReadPageParameters(parser.value(page), bag);
    for (const QString& option : parser.values(param))
        parameters += ReadCommandLineParameter(option, bag) ? 1 : 0;
    if (parser.isSet(render))
        return Render(parser, bag);

    std::shared_ptr<pelorin::CaptureWriter> captureWriter;
    if (parser.isSet(capture)) {
        captureWriter = std::make_shared<pelorin::CaptureWriter>(parser.value(capture));
        if (!captureWriter->isOpen()) {
            std::fprintf(stderr, "pelorin: cannot write the capture %s: %s\n",
                         qPrintable(parser.value(capture)), qPrintable(captureWriter->errorString()));
            return 1;
        }
    }

    bool historyPointsOk = false;
    const qulonglong historyCap = parser.value(historyPoints).toULongLong(&historyPointsOk);
    if (!historyPointsOk) {
        std::fprintf(stderr, "pelorin: --history-points takes a whole number of values, 0 for none\n");
        return 2;
    }
    pelorin::ValueHistory history(historyCap);
    pelorin::HistoryRecorder recorder(history);
    pelorin::host::WatchFanOut watchers;
    watchers.Add(recorder);

    std::unique_ptr<pelorin::SettingsStore> settings;
    if (parser.isSet(settingsDir))
        settings = std::make_unique<pelorin::SettingsStore>(ToLatin1(parser.value(settingsDir)));
    // Without a printer every job is a PDF file the operator has to be able to find: the window tells.
    pelorin::host::HostWindow window;
    window.setWindowTitle(QStringLiteral("Pelorin"));
    // Every write the operator causes goes to the journal, and its fate to the window's notice line.
    pelorin::journal::WriteJournal journal({.folder = pelorin::journal::DefaultJournalFolder()}, &window);
    window.ShowJournalFrom(journal.Folder());
    watchers.Add(journal);
    pelorin::PelorinControl control({.settings = settings.get(), .output = &window, .watch = &watchers},
                                    &window);
    pelorin::host::WatchLinks(control, captureWriter);
    pelorin::QtDialogs trendDialogs(&window);
    pelorin::JobPrinter trendPrinter;
    pelorin::host::TrendEntries trends(
        control, history, {.dialogs = &trendDialogs, .printer = &trendPrinter, .report = &window}, window);
    trends.AddTrendEntries(window.ViewMenu());

    control.UserControl_Initialize();
    if (parameters > 0 || parser.isSet(page))
        control.UserControl_ReadProperties(bag);
    else
        control.UserControl_InitProperties();
    // The window takes the size the control asked for; showing it delivers UserControl_Show.
    window.Hold(control);
    window.show();
    pelorin::host::CloseOnTerminationSignals(window);
    // However the program ends, a continuous printout and a recording are ended whole.
    QObject::connect(&app, &QApplication::aboutToQuit, &control, [&control] {
        control.systemDialog().StopRecordingAndPrinting();
        control.UserControl_Terminate();
    });

    if (parser.isSet(tour))
        pelorin::host::StartTour(control, parser.value(tour), trends);

    int exitCode = 0;
    if (parser.isSet(screenshot)) {
        bool delayOk = false;
        const int delay = parser.value(screenshotAfter).toInt(&delayOk);
        QTimer::singleShot(delayOk && delay >= 0 ? delay : 1000, &control, [&] {
            const QImage shot = control.grab().toImage().convertToFormat(QImage::Format_RGB32);
            if (!shot.save(parser.value(screenshot), "PNG")) {
                std::fprintf(stderr, "pelorin: cannot write %s\n", qPrintable(parser.value(screenshot)));
                exitCode = 1;
            }
            QApplication::quit();
        });
    }
    const int loopResult = QApplication::exec();
    return exitCode != 0 ? exitCode : loopResult;
}
