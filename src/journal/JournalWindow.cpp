#include "journal/JournalWindow.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

namespace pelorin::journal {

namespace {

const QStringList kHeadings{QStringLiteral("Tid"),     QStringLiteral("Visa"),   QStringLiteral("Server"),
                            QStringLiteral("Bild"),    QStringLiteral("Adress"), QStringLiteral("Före"),
                            QStringLiteral("Skickat"), QStringLiteral("Utfall"), QStringLiteral("Svar")};

QString OutcomeShown(const JournalEntry& entry) {
    if (entry.outcome.isEmpty())
        return QStringLiteral("utfall saknas");
    if (entry.reason == QLatin1String("bildbyte"))
        return entry.outcome + QStringLiteral(" (bildbyte)");
    if (entry.reason == QLatin1String("utloggning"))
        return entry.outcome + QStringLiteral(" (utloggning)");
    return entry.outcome;
}

QStringList Row(const JournalEntry& entry) {
    return {entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss,zzz")),
            entry.visa,
            entry.server,
            QString::number(entry.picture),
            entry.address,
            SwedishNumber(entry.before),
            SwedishNumber(entry.sent),
            OutcomeShown(entry),
            SwedishNumber(entry.answer)};
}

} // namespace

JournalWindow::JournalWindow(QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_Folder(std::move(folder)), m_Address(new QLineEdit),
      m_Visa(new QLineEdit), m_OnDay(new QCheckBox(QStringLiteral("Datum:"))), m_Day(new QDateEdit),
      m_Table(new QTableWidget), m_Summary(new QLabel) {
    setWindowTitle(QStringLiteral("Skrivlogg"));
    m_Address->setObjectName(QStringLiteral("address"));
    m_Visa->setObjectName(QStringLiteral("visa"));
    m_OnDay->setObjectName(QStringLiteral("onDay"));
    m_Day->setObjectName(QStringLiteral("day"));
    m_Day->setCalendarPopup(true);
    m_Day->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_Day->setDate(QDate::currentDate());
    m_Day->setEnabled(false);
    m_Address->setClearButtonEnabled(true);
    m_Visa->setClearButtonEnabled(true);

    auto* reload = new QPushButton(QStringLiteral("Uppdatera"));
    auto* exportButton = new QPushButton(QStringLiteral("Exportera…"));
    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Adress:")));
    filters->addWidget(m_Address, 2);
    filters->addWidget(new QLabel(QStringLiteral("Visa:")));
    filters->addWidget(m_Visa, 1);
    filters->addWidget(m_OnDay);
    filters->addWidget(m_Day);
    filters->addStretch();
    filters->addWidget(reload);
    filters->addWidget(exportButton);

    m_Table->setColumnCount(static_cast<int>(kHeadings.size()));
    m_Table->setHorizontalHeaderLabels(kHeadings);
    m_Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_Table->verticalHeader()->hide();
    m_Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_Table->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_Table);
    layout->addWidget(m_Summary);
    resize(900, 480);

    connect(m_Address, &QLineEdit::textChanged, this, &JournalWindow::Refilter);
    connect(m_Visa, &QLineEdit::textChanged, this, &JournalWindow::Refilter);
    connect(m_OnDay, &QCheckBox::toggled, m_Day, &QDateEdit::setEnabled);
    connect(m_OnDay, &QCheckBox::toggled, this, &JournalWindow::Refilter);
    connect(m_Day, &QDateEdit::dateChanged, this, &JournalWindow::Refilter);
    connect(reload, &QPushButton::clicked, this, &JournalWindow::Reload);
    connect(exportButton, &QPushButton::clicked, this, &JournalWindow::Export);
}

void JournalWindow::showEvent(QShowEvent* event) {
    Reload();
    QWidget::showEvent(event);
}

void JournalWindow::Reload() {
    m_Contents = ReadJournal(m_Folder);
    Refilter();
}

JournalFilter JournalWindow::Filter() const {
    JournalFilter filter{.address = m_Address->text().trimmed(), .visa = m_Visa->text().trimmed()};
    if (m_OnDay->isChecked())
        filter.date = m_Day->date();
    return filter;
}

void JournalWindow::Refilter() {
    const JournalFilter filter = Filter();
    m_Shown.clear();
    for (const JournalEntry& entry : m_Contents.entries)
        if (Matches(entry, filter))
            m_Shown.push_back(entry);
    FillTable();
}

void JournalWindow::FillTable() {
    m_Table->setRowCount(static_cast<int>(m_Shown.size()));
    for (int row = 0; row < m_Table->rowCount(); ++row) {
        const QStringList cells = Row(m_Shown[static_cast<size_t>(row)]);
        for (int column = 0; column < cells.size(); ++column)
            m_Table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    QString summary =
        QStringLiteral("%1 av %2 skrivningar").arg(m_Shown.size()).arg(m_Contents.entries.size());
    if (m_Contents.damagedLines > 0)
        summary += QStringLiteral(" – %1 skadade rader har hoppats över").arg(m_Contents.damagedLines);
    m_Summary->setText(summary);
}

void JournalWindow::Export() {
    const QString suggested = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                                  .filePath(QStringLiteral("skrivlogg.csv"));
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Exportera skrivloggen"),
                                                      suggested, QStringLiteral("CSV-filer (*.csv)"));
    if (file.isEmpty())
        return;
    const QString error = ExportTo(file);
    if (!error.isEmpty())
        QMessageBox::warning(
            this, QStringLiteral("Skrivlogg"),
            QStringLiteral("Skrivloggen kunde inte exporteras till %1: %2").arg(file, error));
}

QString JournalWindow::ExportTo(const QString& file) const {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString();
    out.write(JournalCsv(m_Shown).toUtf8());
    return out.commit() ? QString() : out.errorString();
}

} // namespace pelorin::journal
