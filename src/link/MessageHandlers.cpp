#include "control/PelorinControl.h"
#include "core/Payload.h"
#include "platform/Colour.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"

#include <QString>
#include <algorithm>

// Handlers of the server's messages other than the login reply and the logout (link/Session.cpp).
// Payloads are never trusted: fixed fields missing from a short payload read as 0 and texts past its
// end as empty.

namespace pelorin {

namespace {

constexpr int32_t kSetpointParameters = 4;
// Pointer numbers are signed 16-bit values on the wire; above this a value addresses nothing.
constexpr int32_t kLargestPointer = 32767;
// The macro menu's entries are indexed by 16-bit numbers.
constexpr int32_t kMaxMacros = 32767;
const std::string kMacroDelimiter(1, '\0');
const std::string kUnusedDescription = "(ej anv\xE4nd)"; // Latin-1 byte text

void ShowIndicator(TextBox& indicator, const std::string& text, bool complete) {
    indicator.SetText(text);
    indicator.SetBackColor(complete ? kGreen : kRed);
    indicator.SetForeColor(complete ? kBlue : kWhite);
}

bool IndicatorIsGreen(const TextBox& indicator) {
    return indicator.BackColor() == kGreen;
}

// The display text of a value: exactly `decimals` decimals, no thousands separators, and a "." as
// decimal point whatever the locale.
std::string FormatValue(double value, int32_t decimals) {
    return QString::number(value, 'f', decimals).toLatin1().toStdString();
}

std::string SetpointKindLabel(int32_t kind) {
    switch (kind) {
    case 0:
        return "(PLSetPnt.DTA)";
    case 1:
        return "(standard)";
    case 2:
        return "(kurva dag)";
    case 3:
        return "(kurva natt)";
    default:
        return {};
    }
}

bool HasAnyDescription(const cElement& e) {
    return !(e.m_PAR1_Description.empty() && e.m_PAR2_Description.empty() && e.m_PAR3_Description.empty() &&
             e.m_PAR4_Description.empty());
}

void MarkUnusedDescriptions(cElement& e) {
    for (std::string* description :
         {&e.m_PAR1_Description, &e.m_PAR2_Description, &e.m_PAR3_Description, &e.m_PAR4_Description})
        if (description->empty())
            *description = kUnusedDescription;
}

// The setpoint kind named by a setpoint element's first usable value, or -1 while it names none.
int32_t SetpointKindOf(cElement& e) {
    if (e.m_Value == 0)
        return HasAnyDescription(e) ? 0 : -1;
    if (e.m_Value == 1 || e.m_Value == 2 || e.m_Value == 3)
        return static_cast<int32_t>(e.m_Value);
    return -1;
}

} // namespace

void PelorinControl::OnNoPicture(const std::string& /*payload*/) {
    RemoveAllElements();
    Picture_PCT->Surface().Cls();
    m_ViewState = VS_PICTURE;
    if (m_IsPrintingContinous)
        Menu_Popup_PrintContinous_Click();
    if (m_IsRecording)
        Menu_Popup_Record_Click();
    UpdateToolBarView();
}

void PelorinControl::OnPicture(const std::string& payload) {
    m_PictureNumber = String2Long(payload, 0);
    m_FunctionTextAvailable = String2Long(payload, 4) != 0 ? -1 : 0;
    m_DefaultBackgroundColor = String2Long(payload, 8);
    for (int i = 0; i < 8; ++i)
        ColorPalette[i] = String2Long(payload, 12 + 4 * i);
    const std::string elementData = PayloadBytes(payload, kPictureHeaderSize);
    m_VGFileLen = static_cast<int32_t>(elementData.size());
    ExtractAllElements(elementData);

    if (m_DynamicPointers == 0)
        ShowIndicator(*Text_Updated, "100%", true);
    else
        ShowIndicator(*Text_Updated, "0%", false);
    Text_Address->SetText({});
    Text_NewValue->SetText({});
    Text_PCT->SetText(std::to_string(m_PictureNumber));

    m_ViewState = VS_PICTURE;
    if (m_IsPrintingContinous)
        Menu_Popup_PrintContinous_Click();
    if (m_IsRecording)
        Menu_Popup_Record_Click();
    PaintAllElements(Picture_PCT->Surface(), -1);
    UpdateToolBarView();
}

void PelorinControl::OnPictureTable(const std::string& payload) {
    for (size_t i = 0; i < kPictureTableSize; ++i)
        m_PictureExists[i] = i < payload.size() ? static_cast<uint8_t>(payload[i]) : 0;
    const int32_t length = String2Long(payload, kPictureTableSize);
    m_WriteParameters = PayloadBytes(payload, kPictureTableSize + 4, std::max(length, 0));
}

void PelorinControl::OnFunctionText(const std::string& payload) {
    Text_Any->SetText(payload);
    m_ViewState = VS_FUNCTION_TEXT;
    UpdateToolBarView();
    Text_Any->SetFocus();
    Text_Any->SetLocked(true);
}

void PelorinControl::OnPictureLog(const std::string& payload) {
    ShowLogbook(payload, VS_LOG_PCT, ACCESS_PICTURE_LOG);
}

void PelorinControl::OnGlobalLog(const std::string& payload) {
    ShowLogbook(payload, VS_LOG_GLOBAL, ACCESS_GLOBAL_LOG);
}

// A logbook arrives unedited, with the caret at its end, editable only with the right access bit.
void PelorinControl::ShowLogbook(const std::string& text, int16_t view, int32_t editBit) {
    Text_Any->SetText(text);
    m_ViewState = view;
    Text_Any->SetSelLength(0);
    Text_Any->SetSelStart(static_cast<int32_t>(Text_Any->Text().size()));
    m_TextAnyChanged = 0;
    UpdateToolBarView();
    Text_Any->SetFocus();
    Text_Any->SetLocked((m_AccessLevel & editBit) == 0);
}

// ---- Dynamic values ----

void PelorinControl::BuildValueIndex() {
    m_PositionsByPointer.assign(static_cast<size_t>(std::max(m_DynamicPointers, 0)), {});
    m_ElementsWithValue = 0;
    for (size_t position = 0; position < m_Elements.size(); ++position) {
        const cElement& e = *m_Elements[position];
        if (e.m_DynamicArrayPointer >= 0 && e.m_DynamicArrayPointer < m_DynamicPointers)
            m_PositionsByPointer[static_cast<size_t>(e.m_DynamicArrayPointer)].push_back(position);
        if (e.m_Status == 1)
            ++m_ElementsWithValue;
    }
    m_IndexedElementCount = m_Elements.size();
}

// The positions of the elements carrying `pointer`. Elements put into m_Elements other than by the
// parser are noticed here and the index is rebuilt, so it never names a position that is gone.
const std::vector<size_t>& PelorinControl::PositionsOfPointer(int32_t pointer) {
    const auto isCurrent = [this, pointer] {
        if (m_IndexedElementCount != m_Elements.size() ||
            m_PositionsByPointer.size() != static_cast<size_t>(m_DynamicPointers))
            return false;
        return std::all_of(
            m_PositionsByPointer[static_cast<size_t>(pointer)].begin(),
            m_PositionsByPointer[static_cast<size_t>(pointer)].end(),
            [this, pointer](size_t p) { return m_Elements[p]->m_DynamicArrayPointer == pointer; });
    };
    if (!isCurrent())
        BuildValueIndex();
    return m_PositionsByPointer[static_cast<size_t>(pointer)];
}

namespace {

void AddSetpointMenuEntry(ToolBar& toolbar, const cElement& e, const std::string& label) {
    ToolButton* button = toolbar.Button("TB_SPV");
    if (!button)
        return;
    // Entries made at run time have no key; the tag names the element.
    button->AddMenuEntry({}, e.m_Address + "\t" + label, std::to_string(e.m_DynamicArrayPointer));
}

} // namespace

void PelorinControl::OnValue(const std::string& payload) {
    const int32_t pointer = String2Short(payload, 0);
    const std::string valueText = PayloadBytes(payload, 2);
    if (pointer > kLargestPointer)
        return;
    if (pointer >= m_DynamicPointers) {
        const int32_t parameter = pointer - m_DynamicPointers;
        if (parameter < kSetpointParameters)
            ShowSetpointValue(static_cast<int16_t>(parameter), valueText);
        return;
    }

    for (size_t position : PositionsOfPointer(pointer)) {
        cElement& e = *m_Elements[position];
        const bool hadValue = e.m_Status == 1;
        switch (e.m_ElementType) {
        case ET_DYNVALUE:
            PaintElement(Picture_PCT->Surface(), e, 0, 0);
            e.m_Value = ReadNumber(valueText);
            e.m_Status = 1;
            e.m_Text = FormatValue(e.m_Value, e.m_Decimals);
            PaintElement(Picture_PCT->Surface(), e, -1, 0);
            break;
        case ET_DYNGROUP:
            e.m_Value = ReadNumber(valueText);
            e.m_Status = 1;
            PaintElement(Picture_PCT->Surface(), e, -1, 0);
            break;
        case ET_SETPOINT:
            // The first usable value names the kind; later values are ignored.
            if (e.m_SPVType != -1)
                break;
            e.m_Value = ReadNumber(valueText);
            e.m_Status = 1;
            e.m_SPVType = SetpointKindOf(e);
            if (e.m_SPVType == 0)
                MarkUnusedDescriptions(e);
            if (e.m_SPVType != -1)
                AddSetpointMenuEntry(*Toolbar, e, SetpointKindLabel(e.m_SPVType));
            break;
        default:
            break;
        }
        if (!hadValue && e.m_Status == 1)
            ++m_ElementsWithValue;
    }

    if (m_ElementsWithValue < 1 || m_DynamicPointers < 1)
        return;
    const auto percent = RoundTo<int64_t>(m_ElementsWithValue * 100.0 / m_DynamicPointers);
    if (m_ElementsWithValue >= m_DynamicPointers && !IndicatorIsGreen(*Text_Updated)) {
        Text_Updated->SetBackColor(kGreen);
        Text_Updated->SetForeColor(kBlue);
        // The toolbar may enable what waits for complete values.
        UpdateToolBarView();
    }
    Text_Updated->SetText(std::to_string(percent) + "%");
}

// ---- System dialog channels and macros ----

void PelorinControl::OnSysdialInfo(const std::string& payload) {
    const auto toInteger = [](int32_t v) {
        return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX));
    };
    m_SysdialAllocated = toInteger(String2Long(payload, 0));
    m_SysdialMax = toInteger(String2Long(payload, 4));
    m_SysdialUsers.clear();

    const auto size = static_cast<int64_t>(payload.size());
    int64_t pos = 8;
    for (int16_t i = 0; i < m_SysdialAllocated && pos + 4 <= size; ++i) {
        const int64_t length = std::clamp<int64_t>(String2Long(payload, pos), 0, size - pos - 4);
        m_SysdialUsers += PayloadBytes(payload, pos + 4, length) + "\r\n";
        pos += 4 + length;
    }

    const bool hasMacroPart = size > pos;
    std::string macros;
    if (hasMacroPart) {
        macros = PayloadBytes(payload, pos + 4, std::max(String2Long(payload, pos), 0));
        while (Menu_Popup->MakroCount() > 1)
            Menu_Popup->UnloadMakro(Menu_Popup->MakroCount() - 1);
        // Entries are walked once, in order, up to the first empty one.
        size_t start = 0;
        for (int32_t i = 0; i < kMaxMacros && start < macros.size(); ++i) {
            const size_t end = std::min(macros.find(kMacroDelimiter, start), macros.size());
            const std::string entry = macros.substr(start, end - start);
            if (entry.empty())
                break;
            if (i > 0)
                Menu_Popup->LoadMakro(i);
            Menu_Popup->SetMakroCaption(i, GetField(entry, 1, "="));
            m_MacroTexts.resize(static_cast<size_t>(i) + 1);
            m_MacroTexts[static_cast<size_t>(i)] = GetField(entry, 0, "=");
            start = end + 1;
        }
    }
    const bool showMacros = hasMacroPart && !macros.empty();
    Menu_Popup->SetMakroVisible(showMacros);
    Menu_Popup->SetDelimiterVisible(showMacros);
}

} // namespace pelorin
