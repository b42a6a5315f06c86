#include "platform/Widgets.h"
#include "platform/WidgetsInternal.h"

#include <QAction>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cctype>

namespace pelorin {

using widgets::FromQ;
using widgets::ToQ;

// ---------------------------------------------------------------- PopupMenu

PopupMenu::PopupMenu(QWidget* parent) : QObject(parent), m_Menu(new QMenu(parent)) {
    m_MakroMenu = m_Menu->addMenu(QStringLiteral("Makro"));
    m_Delimiter = m_Menu->addSeparator();
    m_Record = m_Menu->addAction(QStringLiteral("&Spela in till fil..."));
    m_PrintContinous = m_Menu->addAction(QStringLiteral("Skriv ut &kontinuerligt..."));
    m_Record->setCheckable(true);
    m_PrintContinous->setCheckable(true);
    connect(m_Record, &QAction::triggered, this, [this] {
        if (OnRecordClick)
            OnRecordClick();
    });
    connect(m_PrintContinous, &QAction::triggered, this, [this] {
        if (OnPrintContinousClick)
            OnPrintContinousClick();
    });
    LoadMakro(0);
    SetMakroCaption(0, "...");
}

int32_t PopupMenu::MakroCount() const {
    return static_cast<int32_t>(m_MakroList.size());
}

void PopupMenu::LoadMakro(int32_t index) {
    while (static_cast<int32_t>(m_MakroList.size()) <= index) {
        const auto position = static_cast<int32_t>(m_MakroList.size());
        QAction* action = m_MakroMenu->addAction(QString());
        connect(action, &QAction::triggered, this, [this, position] {
            if (OnMakroClick)
                OnMakroClick(position);
        });
        m_MakroList.push_back(action);
    }
}

void PopupMenu::UnloadMakro(int32_t index) {
    // Entry 0 exists from the start and stays; the others go from the end, as they were loaded.
    if (index <= 0 || index != static_cast<int32_t>(m_MakroList.size()) - 1)
        return;
    m_MakroMenu->removeAction(m_MakroList.back());
    m_MakroList.back()->deleteLater();
    m_MakroList.pop_back();
}

std::string PopupMenu::MakroCaption(int32_t index) const {
    if (index < 0 || index >= MakroCount())
        return {};
    return FromQ(m_MakroList[static_cast<size_t>(index)]->text());
}

void PopupMenu::SetMakroCaption(int32_t index, const std::string& caption) {
    if (index >= 0 && index < MakroCount())
        m_MakroList[static_cast<size_t>(index)]->setText(ToQ(caption));
}

bool PopupMenu::MakroVisible() const {
    return m_MakroMenu->menuAction()->isVisible();
}
void PopupMenu::SetMakroVisible(bool visible) {
    m_MakroMenu->menuAction()->setVisible(visible);
}
bool PopupMenu::DelimiterVisible() const {
    return m_Delimiter->isVisible();
}
void PopupMenu::SetDelimiterVisible(bool visible) {
    m_Delimiter->setVisible(visible);
}
bool PopupMenu::RecordChecked() const {
    return m_Record->isChecked();
}
void PopupMenu::SetRecordChecked(bool checked) {
    m_Record->setChecked(checked);
}
bool PopupMenu::PrintContinousChecked() const {
    return m_PrintContinous->isChecked();
}
void PopupMenu::SetPrintContinousChecked(bool checked) {
    m_PrintContinous->setChecked(checked);
}
void PopupMenu::Popup() {
    m_Menu->popup(QCursor::pos());
}

// ---------------------------------------------------------------- SystemTimer

SystemTimer::SystemTimer(QObject* parent) : QObject(parent), m_Timer(new QTimer(this)) {
    connect(m_Timer, &QTimer::timeout, this, [this] {
        if (OnTimer)
            OnTimer();
    });
}

int32_t SystemTimer::Interval() const {
    return m_Timer->interval();
}
void SystemTimer::SetInterval(int32_t ms) {
    m_Timer->setInterval(std::max(0, ms));
}
bool SystemTimer::Enabled() const {
    return m_Timer->isActive();
}

void SystemTimer::SetEnabled(bool enabled) {
    if (enabled)
        m_Timer->start();
    else
        m_Timer->stop();
}

// ---------------------------------------------------------------- PropertyBag

namespace {

// Host page parameter names are matched without regard to letter case.
std::string FoldCase(const std::string& key) {
    std::string folded = key;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

} // namespace

void PropertyBag::Set(const std::string& key, const std::string& value) {
    m_Values[FoldCase(key)] = value;
}

std::string PropertyBag::ReadProperty(const std::string& key, const std::string& defaultValue) const {
    const auto found = m_Values.find(FoldCase(key));
    return found == m_Values.end() ? defaultValue : found->second;
}

// ---------------------------------------------------------------- SettingsStore

namespace {

std::unique_ptr<QSettings> OpenStore(const std::string& folder, const std::string& app) {
    if (folder.empty())
        return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                           QStringLiteral("Pelorin"), ToQ(app));
    return std::make_unique<QSettings>(QDir(ToQ(folder)).filePath(ToQ(app) + QStringLiteral(".ini")),
                                       QSettings::IniFormat);
}

QString SettingKey(const std::string& section, const std::string& key) {
    return ToQ(section + "/" + key);
}

} // namespace

SettingsStore::SettingsStore(const std::string& folder) : m_Folder(folder) {}

std::string SettingsStore::GetSetting(const std::string& app, const std::string& section,
                                      const std::string& key, const std::string& defaultValue) const {
    return FromQ(GetSettingText(app, section, key, ToQ(defaultValue)));
}

void SettingsStore::SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                                const std::string& value) {
    SaveSettingText(app, section, key, ToQ(value));
}

QString SettingsStore::GetSettingText(const std::string& app, const std::string& section,
                                      const std::string& key, const QString& defaultValue) const {
    const QVariant value = OpenStore(m_Folder, app)->value(SettingKey(section, key));
    if (!value.isValid())
        return defaultValue;
    // A value holding "," reads back as a list when the file was written by hand.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SettingsStore::SaveSettingText(const std::string& app, const std::string& section,
                                    const std::string& key, const QString& value) {
    OpenStore(m_Folder, app)->setValue(SettingKey(section, key), value);
}

void SettingsStore::DeleteSetting(const std::string& app, const std::string& section,
                                  const std::string& key) {
    OpenStore(m_Folder, app)->remove(SettingKey(section, key));
}

// ---------------------------------------------------------------- QtDialogs

QtDialogs::QtDialogs(QWidget* parent) : m_Parent(parent) {}

Dialogs::Answer QtDialogs::Message(const std::string& text, const std::string& title, bool yesNoCancel) {
    if (!yesNoCancel) {
        QMessageBox::information(m_Parent, ToQ(title), ToQ(text));
        return Answer::Ok;
    }
    const auto buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    switch (QMessageBox::question(m_Parent, ToQ(title), ToQ(text), buttons)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return Answer::Ok;
    }
}

Dialogs::Answer QtDialogs::Ask(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::Question, ToQ(title), ToQ(text), QMessageBox::Yes | QMessageBox::No,
                    m_Parent);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString QtDialogs::SaveFile(const std::string& title, const QString& startPath, const std::string& filter) {
    return QFileDialog::getSaveFileName(m_Parent, ToQ(title), startPath, widgets::QtFileFilter(filter));
}

} // namespace pelorin
