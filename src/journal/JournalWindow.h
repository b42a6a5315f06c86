#pragma once

#include "journal/JournalRecords.h"

#include <QWidget>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace pelorin::journal {

// "Skrivlogg": the journal's writes as a table, newest first, narrowed by address, visa and day, and
// exported as CSV. Reads the month files afresh when shown and on "Uppdatera".
class JournalWindow : public QWidget {
    Q_OBJECT

public:
    explicit JournalWindow(QString folder, QWidget* parent = nullptr);

    void Reload();
    // The writes the filter lets through, as the table shows them.
    const std::vector<JournalEntry>& Shown() const { return m_Shown; }
    // Writes the shown writes to `file`; the error's text when it could not.
    QString ExportTo(const QString& file) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Refilter();
    void Export();
    JournalFilter Filter() const;
    void FillTable();

    QString m_Folder;
    JournalContents m_Contents;
    std::vector<JournalEntry> m_Shown;
    QLineEdit* m_Address;
    QLineEdit* m_Visa;
    QCheckBox* m_OnDay;
    QDateEdit* m_Day;
    QTableWidget* m_Table;
    QLabel* m_Summary;
};

} // namespace pelorin::journal
