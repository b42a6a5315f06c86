#include "toolbar/ToolbarRow.h"

#include "core/Latin1.h"
#include "platform/Colour.h"
#include "platform/InputCodes.h"
#include "ports/Ports.h"
#include "toolbar/ToolbarIcons.h"
#include "toolbar/ToolbarTable.h"

#include <QWidget>

namespace pelorin {

namespace {

// Design sizes, twips.
constexpr double kTextPctWidth = 492;
constexpr double kTextAddressWidth = 1395;
constexpr double kTextNewValueWidth = 615;
constexpr double kTextUpdatedWidth = 492;
constexpr double kRowFontSizeWhilePlacing = 2;
constexpr double kRowFontSize = 8;

} // namespace

ToolbarRow::ToolbarRow(QWidget* parent, ControlActions& actions) : m_Actions(actions) {
    Toolbar = m_Controls.Make<ToolBar>(parent);
    CreateButtons();
    CreateBoxes(parent);
    Toolbar->OnButtonClick = [this](const std::string& key) { m_Actions.Toolbar_ButtonClick(key); };
    Toolbar->OnButtonMenuClick = [this](const std::string& key, const std::string& parentKey,
                                        const std::string& tag) {
        m_Actions.Toolbar_ButtonMenuClick(key, parentKey, tag);
    };
    Text_PCT->OnKeyPress = [this](int16_t& keyAscii) { Text_PCT_KeyPress(keyAscii); };
}

void ToolbarRow::CreateButtons() {
    Toolbar->SetLeft(0);
    Toolbar->SetTop(0);
    for (const ToolbarEntry& entry : kToolbarEntries) {
        if (entry.parent)
            AddMenuEntry(entry);
        else
            AddButton(entry);
    }
}

void ToolbarRow::AddButton(const ToolbarEntry& entry) {
    if (entry.gapBefore > 0)
        Toolbar->AddGap(entry.gapBefore);
    ToolButton* button = Toolbar->AddButton(entry.key, Latin1FromUtf8(entry.caption), entry.hasMenu);
    button->SetIcon(ToolbarIcon(entry.key));
}

void ToolbarRow::AddMenuEntry(const ToolbarEntry& entry) {
    ToolButton& parent = *Toolbar->Button(entry.parent);
    if (entry.separatorBefore)
        parent.AddMenuEntry({}, "-");
    parent.AddMenuEntry(entry.key, Latin1FromUtf8(entry.caption));
}

void ToolbarRow::CreateBoxes(QWidget* parent) {
    Text_PCT = m_Controls.Make<TextBox>(parent, TextBox::Kind::SingleLine);
    Text_PCT->SetWidth(kTextPctWidth);
    Text_PCT->SetText("1");
    Text_PCT->SetAccessibleName("Bildnummer");
    Text_Address = m_Controls.Make<TextBox>(parent, TextBox::Kind::SingleLine);
    Text_Address->SetWidth(kTextAddressWidth);
    Text_Address->SetToolTip("Vald adress");
    Text_Address->SetAccessibleName("Adress");
    Text_NewValue = m_Controls.Make<TextBox>(parent, TextBox::Kind::SingleLine);
    Text_NewValue->SetWidth(kTextNewValueWidth);
    Text_NewValue->SetToolTip(Latin1FromUtf8("Signalvärde för vald adress"));
    Text_NewValue->SetAccessibleName(Latin1FromUtf8("Nytt värde"));
    Text_Updated = m_Controls.Make<TextBox>(parent, TextBox::Kind::SingleLine);
    Text_Updated->SetWidth(kTextUpdatedWidth);
    Text_Updated->SetToolTip("Uppdaterad dynamik");
    Text_Updated->SetAccessibleName("Uppdaterat");
    Text_Updated->SetText("0%");
    Text_Updated->SetLocked(true);
    // The indicator's design width holds "100%" only without the edit border.
    Text_Updated->SetBorderless(true);
    Frame_UserName = m_Controls.Make<Frame>(parent, std::string());
    Frame_UserName->widget()->setStyleSheet(
        QStringLiteral("QGroupBox { border: none; margin: 0; padding: 0; }"));
    Frame_UserName->SetAccessibleName(Latin1FromUtf8("Inloggad användare"));
    Label_UserName = m_Controls.Make<Label>(Frame_UserName->widget(), std::string());
}

void ToolbarRow::Text_PCT_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii != kKeyEnter)
        return;
    KeyAscii = 0;
    m_Actions.Toolbar_ButtonClick(tb::kGetPicture);
}

void ToolbarRow::Apply(const ToolbarView& v) {
    if (v.updatesEnabledFlags) {
        for (const ToolbarEntry& entry : kToolbarEntries)
            if (entry.enabledBy)
                SetEnabled(entry, v.*entry.enabledBy);
        Text_PCT->SetEnabled(v.pictureNumberEnabled);
        Text_Address->SetEnabled(v.addressEnabled);
        Text_NewValue->SetEnabled(v.newValueEnabled);
    }
    for (TextBox* box : {Text_PCT, Text_Address, Text_NewValue})
        box->SetVisible(v.rowBoxesVisible);
    Text_Updated->SetVisible(v.indicatorVisible);
    Toolbar->SetVisible(v.toolbarVisible);
    Frame_UserName->SetVisible(v.userNameVisible);
}

void ToolbarRow::SetEnabled(const ToolbarEntry& entry, bool enabled) {
    if (entry.parent)
        Toolbar->Button(entry.parent)->MenuEntry(entry.key)->SetEnabled(enabled);
    else
        Toolbar->Button(entry.key)->SetEnabled(enabled);
}

void ToolbarRow::Layout(double controlWidth) {
    const std::initializer_list<TextBox*> row = {Text_PCT, Text_Address, Text_NewValue, Text_Updated};
    Text_Updated->SetLeft(controlWidth - Text_Updated->Width() - 50);
    for (TextBox* box : row)
        box->SetFontSize(kRowFontSizeWhilePlacing);
    for (TextBox* box : row) {
        box->SetHeight(Toolbar->Height() - 60);
        box->SetTop(Toolbar->Top() + 30);
    }
    // The picture-number box is centred in the gap between the next-picture and get-picture buttons.
    const ToolButton& next = *Toolbar->Button(tb::kNext);
    const double numberGapStart = next.Left() + next.Width();
    const double numberGap = Toolbar->Button(tb::kGetPicture)->Left() - numberGapStart;
    Text_PCT->SetLeft(numberGapStart + (numberGap - Text_PCT->Width()) / 2);
    // The address and value pair, 50 twips apart, is centred between the setpoints and send buttons.
    const ToolButton& setpoints = *Toolbar->Button(tb::kSetpoints);
    const double pairGapStart = setpoints.Left() + setpoints.Width();
    const double pairGap = Toolbar->Button(tb::kSendSetpoint)->Left() - pairGapStart;
    Text_Address->SetLeft(pairGapStart +
                          (pairGap - (Text_Address->Width() + 50 + Text_NewValue->Width())) / 2);
    Text_NewValue->SetLeft(Text_Address->Left() + Text_Address->Width() + 50);
    for (TextBox* box : row)
        box->SetFontSize(kRowFontSize);
}

void ToolbarRow::LayoutUserName(const std::string& name) {
    Label_UserName->SetCaption(name);
    Frame_UserName->SetWidth(Label_UserName->Width());
    Frame_UserName->SetHeight(Label_UserName->Height());
    Frame_UserName->SetLeft(Text_Updated->Left() - Frame_UserName->Width() - 150);
    Frame_UserName->SetTop(Toolbar->Top() + (Toolbar->Height() - Frame_UserName->Height()) / 2);
}

void ToolbarRow::ShowIndicator(const std::string& text, bool complete) {
    m_IndicatorComplete = complete;
    Text_Updated->SetText(text);
    Text_Updated->SetBackColor(complete ? kGreen : kRed);
    Text_Updated->SetForeColor(complete ? kBlue : kWhite);
}

void ToolbarRow::SetIndicatorText(const std::string& text) {
    Text_Updated->SetText(text);
}

bool ToolbarRow::IndicatorComplete() const {
    return m_IndicatorComplete;
}

} // namespace pelorin
