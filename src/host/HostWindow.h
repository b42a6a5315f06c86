#pragma once

#include "journal/WriteJournal.h"
#include "ports/Ports.h"

#include <QWidget>

class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;

namespace pelorin::journal {
class JournalWindow;
}

namespace pelorin::host {

// The window around the control: a menu bar above it, the control at the size it asks for, and below
// it a line that tells the operator for a while where a document went, or which document or recording
// could not be written, and what became of the last write. Each notice but a write's also goes to
// standard error as a line of its own.
class HostWindow : public QWidget, public OutputReport, public journal::JournalListener {
public:
    explicit HostWindow(QWidget* parent = nullptr);

    // The control, a child of this window, which from now on follows its size.
    void Hold(QWidget& control);
    // The notice shown now; empty once it has gone.
    QString Notice() const;
    // The menu "Visa" of the menu bar.
    QMenu& ViewMenu() { return *m_ViewMenu; }

    void Printed(const QString& destination, bool toFile) override;
    void PrintFailed(const QString& destination, bool toFile) override;
    void RecordingNotStarted(const QString& file) override;
    void RecordingStopped(const QString& file) override;

    // "Visa → Skrivlogg" shows the journal kept in `folder`.
    void ShowJournalFrom(const QString& folder);
    // The journal's window, opened or brought to the front.
    journal::JournalWindow& OpenJournal();
    // Whether the line says that the journal cannot be written.
    bool JournalTroubleShown() const;

    void WriteNoted(const journal::WriteReport& report) override;
    void JournalFailed(const QString& file, const QString& error) override;
    void JournalRecovered() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Tell(const QString& notice, const QString& logLine, int shownMs);
    void FollowControl();
    int NoticeHeight() const;
    int MenuHeight() const;
    void AddJournalEntries(QMenu& menu);

    QWidget* m_Control = nullptr;
    QMenuBar* m_MenuBar;
    QMenu* m_ViewMenu;
    QStatusBar* m_Notices;
    QLabel* m_JournalTrouble;
    QString m_JournalFolder;
    journal::JournalWindow* m_JournalWindow = nullptr;
};

// SIGTERM, SIGINT and SIGHUP close `window` as its close button would, so that the program ends the
// way it does for the operator: documents and recordings are ended whole, not cut off.
void CloseOnTerminationSignals(QWidget& window);

} // namespace pelorin::host
