#include "host/PictureRender.h"

#include "control/PelorinControl.h"
#include "core/Capture.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/Latin1.h"
#include "core/Protocol.h"
#include "picture/PictureView.h"
#include "platform/ImageSurface.h"
#include "platform/PictureBox.h"
#include "platform/PrinterSurface.h"
#include "platform/Screen.h"
#include "sim/Plant.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>

namespace pelorin::host {

namespace {

constexpr int kLargestSide = 8192;
constexpr int kLargestPointer = 65535;
constexpr int kPortrait = 1;
constexpr int kLandscape = 2;

bool ReadWholeFile(const QString& path, QByteArray& bytes, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    bytes = file.readAll();
    return true;
}

bool IsJson(const QByteArray& bytes) {
    return bytes.trimmed().startsWith('{');
}

// The frames the server sent in a capture, in order.
bool ServerFrames(const CaptureContents& capture, std::vector<std::pair<uint8_t, std::string>>& frames) {
    std::string buffer;
    for (const CaptureRecord& record : capture.records) {
        if (record.connection != CaptureConnection::PictureLink ||
            record.direction != CaptureDirection::ToClient)
            continue;
        const CutResult result =
            CutFrames(buffer, record.bytes,
                      [&](uint8_t code, const std::string& payload) { frames.emplace_back(code, payload); });
        if (result == CutResult::ProtocolError)
            return false;
    }
    return true;
}

// The values of the last showing of picture `number`: from its MSG_PICTURE to the next picture.
bool ValuesFromCapture(const QString& path, int32_t number, std::vector<std::string>& values,
                       QString* error) {
    const CaptureContents capture = ReadCaptureFile(path);
    std::vector<std::pair<uint8_t, std::string>> frames;
    if (!ServerFrames(capture, frames)) {
        *error = QStringLiteral("%1: the picture link is not a sequence of frames").arg(path);
        return false;
    }
    const auto last = std::find_if(frames.rbegin(), frames.rend(), [number](const auto& frame) {
        return frame.first == MSG_PICTURE && String2Long(frame.second, 0) == number;
    });
    if (last == frames.rend()) {
        *error = QStringLiteral("%1: the capture never shows picture %2").arg(path).arg(number);
        return false;
    }
    for (auto frame = last.base();
         frame != frames.end() && frame->first != MSG_PICTURE && frame->first != MSG_NO_PICTURE; ++frame)
        if (frame->first == MSG_VALUE)
            values.push_back(frame->second);
    return true;
}

// Lines "dynamic-number=value"; empty lines and lines starting with # are skipped.
bool ValuesFromText(const QString& path, const QByteArray& text, std::vector<std::string>& values,
                    QString* error) {
    static const QRegularExpression line(QStringLiteral("^\\s*(\\d+)\\s*=(.*)$"));
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray trimmed = lines[i].trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#'))
            continue;
        const QRegularExpressionMatch match = line.match(QString::fromLatin1(trimmed));
        bool ok = false;
        const int pointer = match.hasMatch() ? match.captured(1).toInt(&ok) : -1;
        if (!ok || pointer > kLargestPointer) {
            *error = QStringLiteral("%1:%2: expected dynamic-number=value").arg(path).arg(i + 1);
            return false;
        }
        values.push_back(Short2String(pointer) + ToLatin1(match.captured(2).trimmed()));
    }
    return true;
}

// The picture fitted to the page, drawn by the same painter at the printer's scale, its font scaled
// with it.
QString PrintPicture(PelorinControl& control, PrinterSurface& printer, const QString& out) {
    const ImageSurface& screen = control.view().Surface();
    const QSize pixels = screen.Image().size();
    printer.SetOrientation(pixels.width() > pixels.height() ? kLandscape : kPortrait);
    const double fit =
        std::min(printer.ScaleWidth() / pixels.width(), printer.ScaleHeight() / pixels.height());
    const ScaleMembers onScreen = control;
    control.m_XMul = static_cast<float>(onScreen.m_XMul * fit);
    control.m_YMul = static_cast<float>(onScreen.m_YMul * fit);
    control.m_XAdd = 0;
    control.m_YAdd = 0;
    printer.SetFontName(screen.FontName());
    printer.SetFontBold(screen.FontBold());
    printer.SetFontItalic(false);
    printer.SetFontSize(screen.FontSize() * fit * Screen::LogicalDpiX() / PrinterSurface::dotsPerInch);
    control.view().Painter().PaintAllElements(printer, control.m_Elements, 0);
    static_cast<ScaleMembers&>(control) = onScreen;
    printer.EndDoc();
    return QFileInfo(out).size() > 0 ? QString() : QStringLiteral("%1: could not be written").arg(out);
}

} // namespace

bool ReadPictureFile(const QString& path, std::string& payload, QString* error) {
    QByteArray bytes;
    if (!ReadWholeFile(path, bytes, error))
        return false;
    if (IsJson(bytes)) {
        sim::ServedPicture picture;
        if (!sim::LoadPicture(path, picture, error))
            return false;
        payload = EncodePictureMessage(picture.header, picture.elementData);
        return true;
    }
    if (bytes.size() < kPictureHeaderSize) {
        *error = QStringLiteral("%1: neither a picture description nor picture data (a MSG_PICTURE payload)")
                     .arg(path);
        return false;
    }
    payload = bytes.toStdString();
    return true;
}

bool ReadValueFile(const QString& path, int32_t number, std::vector<std::string>& values, QString* error) {
    QByteArray bytes;
    if (!ReadWholeFile(path, bytes, error))
        return false;
    if (bytes.startsWith(kCaptureMagic))
        return ValuesFromCapture(path, number, values, error);
    return ValuesFromText(path, bytes, values, error);
}

bool ParseSize(const QString& text, QSize& size) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    const QSize parsed(match.captured(1).toInt(), match.captured(2).toInt());
    if (parsed.width() < 1 || parsed.height() < 1 || parsed.width() > kLargestSide ||
        parsed.height() > kLargestSide)
        return false;
    size = parsed;
    return true;
}

QString RenderPicture(const RenderJob& job) {
    std::string payload;
    std::vector<std::string> values;
    QString error;
    if (!ReadPictureFile(job.picture, payload, &error))
        return error;
    if (!job.values.isEmpty() && !ReadValueFile(job.values, String2Long(payload, 0), values, &error))
        return error;

    // The user's stored resolution and font must not change what a render shows.
    QTemporaryDir noStoredSettings;
    SettingsStore settings(ToLatin1(noStoredSettings.path()));
    PrinterSurface printer(PrinterSurface::Output::Pdf);
    printer.SetPdfPath(job.out);
    PelorinControl control({.printer = &printer, .settings = &settings});
    PropertyBag parameters = job.parameters;
    if (!job.size.isEmpty()) {
        parameters.Set("PCTWidth", std::to_string(job.size.width()));
        parameters.Set("PCTHeight", std::to_string(job.size.height()));
    }
    control.UserControl_Initialize();
    control.UserControl_ReadProperties(parameters);
    control.DispatchFrame(MSG_PICTURE, payload);
    for (const std::string& value : values)
        control.DispatchFrame(MSG_VALUE, value);
    control.view().DrawPending();

    if (job.out.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return PrintPicture(control, printer, job.out);
    if (!control.view().Surface().Image().save(job.out, "PNG"))
        return QStringLiteral("%1: could not be written").arg(job.out);
    return {};
}

} // namespace pelorin::host
