#include "printing/Printout.h"

#include "core/ClientProcs.h"
#include "core/Latin1.h"
#include "core/PictureFormat.h"
#include "core/RegionalTime.h"
#include "core/TextLines.h"
#include "picture/ElementPainter.h"
#include "picture/PictureModel.h"
#include "picture/PictureView.h"
#include "platform/Colour.h"
#include "platform/PictureBox.h"
#include "platform/PrinterSurface.h"
#include "platform/Widgets.h"
#include "setpoints/CurveEditor.h"
#include "setpoints/SetpointPanel.h"
#include "sysdial/SystemDialog.h"
#include "texts/TextView.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

namespace pelorin {

namespace {

constexpr int kPortrait = 1;
// The picture takes this share of the size that would fit the page.
constexpr double kShare = 0.8;
// A hundred digits fill the width: fifteen of indent, the rows, and ten to spare.
constexpr double kIndentDigits = 15;
constexpr double kSpareDigits = 10;
constexpr double kSpareRows = 5;
constexpr double kHeaderSize = 11;
constexpr double kPanelSize = 9;
constexpr double kHeadingScale = 1.5;
constexpr size_t kTableWidthDigits = 30;
constexpr double kTableHeightRows = 7;
const std::string kIndent(static_cast<size_t>(kIndentDigits), ' ');
const std::string kLineEnd = "\r\n";

// A measure of paper that can be divided by.
bool Usable(double measure) {
    return measure > 0 && std::isfinite(measure);
}

// Always three digits: picture 7 prints as 007, picture 1234 as 234.
std::string PictureLabel(int32_t number) {
    const std::string text = "000" + std::to_string(number);
    return text.substr(text.size() - 3);
}

std::string WithoutLineFeedsAfterReturns(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\n' && i > 0 && text[i - 1] == '\r'))
            result += text[i];
    return result;
}

// The terminal's last page, built backwards from the end of `text`: each line that follows a CR is
// cut into rows of `width` characters, indented, and goes on the page while fewer than `rows` rows
// are counted. Whatever precedes the first CR reached may be the tail of a line cut off, and is left
// out; empty lines give no row.
std::string TerminalPage(std::string_view text, size_t width, double rows) {
    const std::string kept = WithoutLineFeedsAfterReturns(text);
    std::string page;
    double counted = 0;
    size_t lineEnd = kept.size();
    for (size_t p = kept.size(); p-- > 0 && counted < rows;) {
        if (kept[p] != '\r')
            continue;
        const std::string_view line = std::string_view(kept).substr(p + 1, lineEnd - p - 1);
        std::string lineRows;
        for (size_t offset = 0; offset < line.size(); offset += width) {
            lineRows += kLineEnd + kIndent + std::string(line.substr(offset, width));
            ++counted;
        }
        if (counted < rows)
            page.insert(0, lineRows);
        lineEnd = p;
    }
    return page;
}

// The picture's place on the page: uniformly at 80 % of the size that fits, centred; with a panel,
// a box as high as the picture below it and equal gaps above, between and below. A page that stays
// landscape has no room for both at that size, so the picture is shrunk until both fit.
ScaleMembers PageScale(double width, double height, bool panel) {
    const double a = width / kPictureWidth;
    const double h = height / kPictureHeight;
    const double r = a / h;
    ScaleMembers s;
    s.m_XMul = static_cast<float>(r <= 1 ? kShare * a : kShare * a / r);
    s.m_YMul = static_cast<float>(r <= 1 ? kShare * h * r : kShare * h);
    if (panel && 2 * kPictureHeight * s.m_YMul > height)
        s.m_XMul = s.m_YMul = static_cast<float>(kShare * height / (2 * kPictureHeight));
    s.m_XAdd = static_cast<float>((width - kPictureWidth * s.m_XMul) / 2);
    s.m_YAdd = static_cast<float>(panel ? (height - 2 * kPictureHeight * s.m_YMul) / 3
                                        : (height - kPictureHeight * s.m_YMul) / 2);
    return s;
}

int PenWidth(const ScaleMembers& s) {
    return RoundTo<int>((s.m_XMul + s.m_YMul) / 2);
}

void WhiteBox(PaintSurface& printer, double x, double y, double width, double height) {
    printer.Line(x, y, x + width, y + height, kWhite, LineKind::FilledBox);
    printer.Line(x, y, x + width, y + height, kBlack, LineKind::Box);
}

} // namespace

Printout::Printout(const PrintoutContext& context)
    : m_Jobs(context.printer), m_Report(context.report), m_Picture(context.picture),
      m_Session(context.session), m_Settings(context.settings), m_Setpoint(context.setpoint),
      m_ViewState(context.viewState), m_Model(context.model), m_View(context.view),
      m_Terminal(context.terminal), m_Texts(context.texts), m_Setpoints(context.setpoints),
      m_Curve(context.curve) {}

// The login view prints nothing. The job ends whatever was printed.
void Printout::PrintCurrentView() {
    PrinterSurface& printer = m_Jobs.Printer();
    printer.SetFontName(m_Settings.m_PrinterFontName);
    const int16_t view = m_ViewState.m_ViewState;
    if (view == VS_SYSDIAL) {
        printer.SetDocumentName(QStringLiteral("Terminal"));
        PrintTerminal(printer);
    } else if (ShowsText(view)) {
        printer.SetDocumentName(TextDocumentName());
        PrintText(printer);
    } else if (ShowsPicture(view)) {
        printer.SetDocumentName(QStringLiteral("Bild ") +
                                FromLatin1(PictureLabel(m_Picture.m_PictureNumber)));
        PrintPicture(printer);
    }
    printer.SetDrawWidth(1);
    printer.SetFontBold(false);
    ReportPrintJob(m_Report, printer.EndDoc());
}

QString Printout::TextDocumentName() const {
    const QString picture = u' ' + FromLatin1(PictureLabel(m_Picture.m_PictureNumber));
    switch (m_ViewState.m_ViewState) {
    case VS_LOG_GLOBAL:
        return QStringLiteral("Global loggbok");
    case VS_LOG_PCT:
        return QStringLiteral("Loggbok") + picture;
    default:
        return QStringLiteral("Funktionsbeskrivning") + picture;
    }
}

// Exactly one page: the last rows of the terminal that fit it.
void Printout::PrintTerminal(PrinterSurface& printer) {
    printer.SetOrientation(kPortrait);
    printer.SetFontBold(false);
    FitHundredDigitsAcross(printer);
    const double columns = printer.ScaleWidth() / printer.TextWidth("8") - kIndentDigits - kSpareDigits;
    const double rows = printer.ScaleHeight() / printer.TextHeight("8") - kSpareRows;
    if (!Usable(columns) || !Usable(rows) || columns < 1)
        return;
    std::string_view text = m_Terminal.TerminalText();
    const auto kept = RoundTo<int64_t>((rows + 2) * columns);
    if (kept < static_cast<int64_t>(text.size()))
        text.remove_prefix(text.size() - static_cast<size_t>(kept));
    printer.Print(TerminalPage(text, static_cast<size_t>(std::floor(columns)), rows) + kLineEnd);
}

// The heading, then the text over as many pages as it needs, every row indented; a line wider than
// the page goes on in the next row.
void Printout::PrintText(PrinterSurface& printer) {
    printer.SetOrientation(kPortrait);
    printer.SetFontBold(false);
    const double base = FitHundredDigitsAcross(printer);
    const double room = printer.ScaleWidth() - printer.TextWidth(kIndent);
    if (!Usable(printer.TextWidth("8")) || !Usable(room))
        return;
    printer.Print(kIndent);
    printer.SetFontSize(kHeadingScale * base);
    printer.SetFontBold(true);
    printer.Print("Funktionsbeskrivning, bild: " + PictureLabel(m_Picture.m_PictureNumber) + kLineEnd);
    printer.SetFontBold(false);
    printer.SetFontSize(base);
    printer.Print(kLineEnd);
    const std::string text = m_Texts.Text_Any->Text();
    for (std::string_view line : SplitLines(text)) {
        do {
            const size_t length = std::max<size_t>(FittingLength(printer, line, room), 1);
            printer.Print(kIndent + std::string(line.substr(0, length)) + kLineEnd);
            line.remove_prefix(std::min(length, line.size()));
        } while (!line.empty());
    }
}

void Printout::PrintPicture(PrinterSurface& printer) {
    const bool curve = m_Curve.Frame_SPV_Curve->Visible();
    const bool table = m_Setpoints.Frame_SPV->Visible();
    const bool panel = curve || table;
    printer.SetOrientation(panel ? kPortrait : m_Settings.m_Orientation);
    const double width = printer.ScaleWidth();
    const double height = printer.ScaleHeight();
    if (!Usable(width) || !Usable(height))
        return;
    const ScaleMembers scale = PageScale(width, height, panel);
    const double r = (width / kPictureWidth) / (height / kPictureHeight);
    printer.SetDrawWidth(PenWidth(scale));
    printer.SetFontSize(m_View.Picture_PCT->Surface().FontSize() * kShare * (r + 1) / 2);
    printer.SetFontBold(m_Settings.m_PrinterFontBold != 0);
    // Dynamic groups show their current child without erasing another first: paper has nothing to erase.
    ElementPainter(scale, m_Model.ColorPalette, m_Picture.m_DefaultBackgroundColor)
        .PaintAllElements(printer, m_Picture.m_Elements, -1);

    PrintHeader(printer, scale);
    printer.SetFillStyle(FS_TRANSPARENT);
    printer.Line(scale.m_XAdd, scale.m_YAdd, kPictureWidth * scale.m_XMul + scale.m_XAdd,
                 kPictureHeight * scale.m_YMul + scale.m_YAdd, kBlack, LineKind::Box);

    const auto x0 = RoundTo<int32_t>(scale.m_XAdd);
    const auto y0 = RoundTo<int32_t>(2 * scale.m_YAdd + kPictureHeight * scale.m_YMul);
    const auto boxWidth = RoundTo<int32_t>(kPictureWidth * scale.m_XMul);
    printer.SetDrawWidth(1);
    printer.SetFontSize(kPanelSize);
    printer.SetFontBold(true);
    printer.SetForeColor(kBlack);
    if (curve)
        PrintCurve(printer, scale, x0, y0, boxWidth);
    else if (table)
        PrintSetpointTable(printer, x0, y0);
}

// "Bild: nnn" over the picture's left edge, who printed it and when ending at its right edge.
void Printout::PrintHeader(PrinterSurface& printer, const ScaleMembers& scale) {
    printer.SetDrawWidth(1);
    printer.SetFontSize(kHeaderSize);
    printer.SetFontBold(true);
    printer.SetForeColor(kBlack);
    printer.SetCurrentX(scale.m_XAdd);
    printer.SetCurrentY(printer.TextHeight("8") / 2);
    printer.Print("Bild: " + PictureLabel(m_Picture.m_PictureNumber));
    const std::string printedBy = "Utskriven av: " + m_Session.m_UserVisa + " (" + m_Session.m_UserName +
                                  ") - " + RegionalDateTime(QDateTime::currentDateTime());
    printer.SetCurrentX(kPictureWidth * scale.m_XMul + scale.m_XAdd - printer.TextWidth(printedBy));
    printer.Print(printedBy);
}

// The chart is a copy laid out on paper: the editor's chart keeps its screen geometry.
void Printout::PrintCurve(PrinterSurface& printer, const ScaleMembers& scale, int32_t x0, int32_t y0,
                          int32_t width) {
    const auto height = RoundTo<int32_t>(kPictureHeight * scale.m_YMul);
    printer.SetDrawWidth(2);
    WhiteBox(printer, x0, y0, width, height);
    CurveChart chart = m_Curve.Chart();
    LayoutCurveChart(chart, printer, y0, x0, height, width);
    const auto& values = m_Curve.Text_Curve_SPV;
    printer.SetCurrentX(chart.Left);
    printer.SetCurrentY(y0 + printer.TextHeight("A") / 2);
    printer.Print(Latin1FromUtf8("Börvärdeskurva: ") + SetpointAddress() + Latin1FromUtf8(" vid 0°C:") +
                  values[1]->Text() + " lutning:" + values[2]->Text() + Latin1FromUtf8(" böjning:") +
                  values[3]->Text() + kLineEnd);
    PaintCurveAxes(chart, printer);
    printer.SetDrawWidth(PenWidth(scale));
    PaintCurve(chart, printer);
    printer.SetDrawWidth(1);
}

// The block's address, then the four labels with their values in a column of their own.
void Printout::PrintSetpointTable(PrinterSurface& printer, int32_t x0, int32_t y0) {
    const double digit = printer.TextWidth("8");
    printer.SetDrawWidth(2);
    WhiteBox(printer, x0, y0, printer.TextWidth(std::string(kTableWidthDigits, '8')),
             kTableHeightRows * printer.TextHeight("A"));
    double widestLabel = 0;
    for (const Label* label : m_Setpoints.Label_SPV)
        widestLabel = std::max(widestLabel, printer.TextWidth(label->Caption()));
    const double labelX = x0 + digit;
    const double valueX = labelX + digit + widestLabel;
    printer.SetCurrentX(labelX);
    printer.SetCurrentY(y0 + printer.TextHeight("A") / 2);
    printer.Print(Latin1FromUtf8("Börvärde: ") + SetpointAddress() + kLineEnd + kLineEnd);
    for (size_t i = 0; i < m_Setpoints.Label_SPV.size(); ++i) {
        printer.SetCurrentX(labelX);
        printer.Print(m_Setpoints.Label_SPV[i]->Caption());
        printer.SetCurrentX(valueX);
        printer.Print(m_Setpoints.Text_SPV[i]->Text() + kLineEnd);
    }
}

std::string Printout::SetpointAddress() const {
    return m_Setpoint.m_SPVElement ? m_Setpoint.m_SPVElement->m_Address : std::string();
}

} // namespace pelorin
