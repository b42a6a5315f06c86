#include "trend/TrendWindow.h"

#include "core/Latin1.h"
#include "core/NumberText.h"
#include "core/TrendCsv.h"
#include "platform/PrintJob.h"
#include "platform/PrinterSurface.h"
#include "platform/Widgets.h"
#include "sysdial/ContinuousPrinter.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelorin {

namespace {

constexpr int kLandscape = 2;

QString AddressList(const std::vector<std::string>& addresses) {
    QStringList names;
    for (const std::string& address : addresses)
        names << FromLatin1(address);
    return names.join(QStringLiteral(", "));
}

bool WriteWhole(const QString& path, const std::string& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size()) &&
           file.commit();
}

QString DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

} // namespace

TrendWindow::TrendWindow(const ValueHistory& history, TrendServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), m_History(history), m_Services(std::move(services)),
      m_Chart(new TrendChart(history, m_Services.clock, this)), m_Reading(new QLabel(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    auto* buttons = new QHBoxLayout;
    AddRangeButtons(*buttons);
    buttons->addStretch();
    auto* exportButton = new QPushButton(QStringLiteral("Exportera…"), this);
    auto* printButton = new QPushButton(QStringLiteral("Skriv ut"), this);
    connect(exportButton, &QPushButton::clicked, this, &TrendWindow::Export);
    connect(printButton, &QPushButton::clicked, this, &TrendWindow::Print);
    buttons->addWidget(exportButton);
    buttons->addWidget(printButton);
    auto* column = new QVBoxLayout(this);
    column->addLayout(buttons);
    column->addWidget(m_Chart, 1);
    column->addWidget(m_Reading);
    m_Reading->setMinimumHeight(m_Reading->fontMetrics().height());
    m_Chart->cursorMoved = [this] { ShowReading(); };
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, &TrendWindow::Refresh);
    refresh->start(kRefreshMs);
    resize(900, 520);
}

void TrendWindow::AddRangeButtons(QHBoxLayout& row) {
    auto* group = new QButtonGroup(this);
    const std::pair<const char*, TrendChart::Range> ranges[] = {{"5 min", TrendChart::Range::FiveMinutes},
                                                                {"1 h", TrendChart::Range::OneHour},
                                                                {"8 h", TrendChart::Range::EightHours},
                                                                {"Allt", TrendChart::Range::All}};
    for (const auto& range : ranges) {
        auto* button = new QToolButton(this);
        button->setText(QString::fromUtf8(range.first));
        button->setCheckable(true);
        button->setChecked(range.second == TrendChart::Range::FiveMinutes);
        group->addButton(button);
        row.addWidget(button);
        const TrendChart::Range chosen = range.second;
        connect(button, &QToolButton::clicked, this, [this, chosen] { m_Chart->SetRange(chosen); });
        m_RangeButtons[chosen] = button;
    }
}

void TrendWindow::ShowRange(TrendChart::Range range) {
    m_RangeButtons.at(range)->click();
}

bool TrendWindow::Add(const std::string& address) {
    if (!m_Chart->Add(address))
        return false;
    setWindowTitle(Title());
    return true;
}

QString TrendWindow::Title() const {
    return QStringLiteral("Trend – ") + AddressList(m_Chart->Addresses());
}

// A chart that follows the present moves with the clock; a fixed one only when values changed.
void TrendWindow::Refresh() {
    if (!m_Chart->Following() && m_History.Revision() == m_DrawnRevision)
        return;
    m_DrawnRevision = m_History.Revision();
    m_Chart->update();
    ShowReading();
}

QString TrendWindow::Reading() const {
    const TrendScene scene = m_Chart->Scene();
    if (!scene.cursor)
        return {};
    QString reading = TrendTimeText(*scene.cursor, scene.to - scene.from > 24 * 3600 * 1000);
    for (const std::string& address : scene.addresses) {
        const TrendPoint* point = PointAt(m_History.Series(address), *scene.cursor);
        reading += QStringLiteral("   ") + FromLatin1(address) + QStringLiteral(": ") +
                   (point ? QString::fromStdString(RegionalNumber(point->value)) : QStringLiteral("–"));
    }
    return reading;
}

void TrendWindow::ShowReading() {
    m_Reading->setText(Reading());
}

void TrendWindow::Export() {
    if (!m_Services.dialogs)
        return;
    const TrendScene scene = m_Chart->Scene();
    const QString suggested =
        QDir(DocumentsFolder())
            .filePath(QStringLiteral("Trend %1.csv")
                          .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HHmmss"))));
    const QString path = m_Services.dialogs->SaveFile("Exportera trend", suggested, "CSV-filer (*.csv)");
    if (path.isEmpty())
        return;
    if (!WriteWhole(path, TrendCsv(m_History, scene.addresses, scene.from, scene.to)))
        m_Services.dialogs->Message("Trenden kunde inte sparas i " + path.toStdString(), "Exportera trend",
                                    false);
}

// The heading names the addresses and the times, the chart takes the rest of the page.
void TrendWindow::Print() {
    if (!m_Services.printer)
        return;
    const TrendScene scene = m_Chart->Scene();
    PrinterSurface& printer = m_Services.printer->Printer();
    printer.SetDocumentName(QStringLiteral("Trend"));
    printer.SetOrientation(kLandscape);
    const QString heading = Title() + QStringLiteral("   ") + TrendTimeText(scene.from, true) +
                            QStringLiteral(" – ") + TrendTimeText(scene.to, true);
    printer.DrawWith([&](QPainter& painter) {
        const QRect page(0, 0, static_cast<int>(printer.ScaleWidth()),
                         static_cast<int>(printer.ScaleHeight()));
        QFont font = painter.font();
        font.setPixelSize(std::max(12, page.width() / 60));
        painter.setFont(font);
        const int headingHeight = font.pixelSize() * 2;
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, 0, page.width(), headingHeight), Qt::AlignLeft | Qt::AlignVCenter, heading);
        PaintTrend(painter, page.adjusted(0, headingHeight, 0, 0), scene);
    });
    ReportPrintJob(m_Services.report, printer.EndDoc());
}

} // namespace pelorin
