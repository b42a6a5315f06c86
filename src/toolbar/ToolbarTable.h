#pragma once

#include "toolbar/ToolbarIcons.h"
#include "toolbar/ToolbarRules.h"

#include <string_view>

namespace pelorin {

// The keys the toolbar's buttons and menu entries carry to the control's handlers.
namespace tb {
inline constexpr char kHome[] = "TB_HOME";
inline constexpr char kLogout[] = "TB_LOGOUT";
inline constexpr char kSystemDialog[] = "TB_SYSDIAL";
inline constexpr char kPrint[] = "TB_PRINT";
inline constexpr char kSettings[] = "TB_SETTINGS";
inline constexpr char kPrevious[] = "TB_GET_PREVIOUS";
inline constexpr char kNext[] = "TB_GET_NEXT";
inline constexpr char kGetPicture[] = "TB_GET_PCT";
inline constexpr char kTexts[] = "TB_SHOW_TEXTS";
inline constexpr char kFunctionText[] = "TB_SHOW_FB";
inline constexpr char kPictureLog[] = "TB_SHOW_LOG_PCT";
inline constexpr char kGlobalLog[] = "TB_SHOW_LOG_GLOBAL";
inline constexpr char kSetpoints[] = "TB_SPV";
inline constexpr char kSendSetpoint[] = "TB_SEND_SPV";
} // namespace tb

// Toolbar gaps that hold the picture-number box and the address and value pair, twips.
inline constexpr double kPictureNumberGap = 650;
inline constexpr double kAddressGap = 2250;

// One button or menu entry of the toolbar.
struct ToolbarEntry {
    const char* key = nullptr;
    // The button whose menu holds the entry; none for a button.
    const char* parent = nullptr;
    // UTF-8: a button's tool tip, a menu entry's text.
    const char* caption = nullptr;
    IconPainter icon = nullptr;
    // The rule whose flag enables the entry; none for an entry that is always enabled.
    bool ToolbarView::*enabledBy = nullptr;
    // Its action replaces the text view, so a changed logbook is offered for saving first. The others
    // stay in it (printing) or do nothing there; a logout there comes from the session's end, when
    // nothing can be saved any more.
    bool leavesTextView = false;
    // A drop-down button (the setpoint entries are added at run time).
    bool hasMenu = false;
    // A menu entry under a separator line.
    bool separatorBefore = false;
    // A button after a gap for the boxes laid over the row, twips.
    double gapBefore = 0;
};

// Buttons from left to right, each followed by its menu entries from top to bottom.
inline constexpr ToolbarEntry kToolbarEntries[] = {
    {.key = tb::kHome,
     .caption = "Hämta bild 1",
     .icon = icon::Home,
     .enabledBy = &ToolbarView::home,
     .hasMenu = true},
    {.key = tb::kLogout, .parent = tb::kHome, .caption = "Logga ut", .enabledBy = &ToolbarView::logout},
    {.key = tb::kSystemDialog,
     .parent = tb::kHome,
     .caption = "Systemdialog",
     .enabledBy = &ToolbarView::systemDialog,
     .leavesTextView = true,
     .separatorBefore = true},
    {.key = tb::kPrint, .parent = tb::kHome, .caption = "Skriv ut", .separatorBefore = true},
    {.key = tb::kSettings,
     .parent = tb::kHome,
     .caption = "Inställningar",
     .enabledBy = &ToolbarView::settings,
     .leavesTextView = true,
     .separatorBefore = true},
    {.key = tb::kPrevious,
     .caption = "Föregående bildnummer",
     .icon = icon::Previous,
     .enabledBy = &ToolbarView::previous,
     .leavesTextView = true},
    {.key = tb::kNext,
     .caption = "Nästa bildnummer",
     .icon = icon::Next,
     .enabledBy = &ToolbarView::next,
     .leavesTextView = true},
    {.key = tb::kGetPicture,
     .caption = "Hämta bild",
     .icon = icon::GetPicture,
     .leavesTextView = true,
     .gapBefore = kPictureNumberGap},
    {.key = tb::kTexts, .caption = "Funktionsbeskrivning/loggbok", .icon = icon::Texts, .hasMenu = true},
    {.key = tb::kFunctionText,
     .parent = tb::kTexts,
     .caption = "Funktionsbeskrivning",
     .enabledBy = &ToolbarView::functionText,
     .leavesTextView = true},
    {.key = tb::kPictureLog,
     .parent = tb::kTexts,
     .caption = "Loggbok för aktuell bild",
     .enabledBy = &ToolbarView::pictureLog,
     .leavesTextView = true},
    {.key = tb::kGlobalLog,
     .parent = tb::kTexts,
     .caption = "Global loggbok",
     .enabledBy = &ToolbarView::globalLog,
     .leavesTextView = true,
     .separatorBefore = true},
    {.key = tb::kSetpoints,
     .caption = "Börvärden",
     .icon = icon::Setpoints,
     .enabledBy = &ToolbarView::setpoints,
     .hasMenu = true},
    {.key = tb::kSendSetpoint,
     .caption = "Sänd börvärde till KRU",
     .icon = icon::Send,
     .enabledBy = &ToolbarView::sendSetpoint,
     .gapBefore = kAddressGap},
};

// The entry with this key, or null: entries made at run time have none of the table's keys.
constexpr const ToolbarEntry* FindToolbarEntry(std::string_view key) {
    for (const ToolbarEntry& entry : kToolbarEntries)
        if (key == entry.key)
            return &entry;
    return nullptr;
}

} // namespace pelorin
