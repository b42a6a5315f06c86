// MSG_SYSDIAL_INFO payloads, one per piece, into a started control through its dispatch. After each
// the users and the macro menu are what the payload says: a message with a macro part leaves
// exactly its entries in the menu, each caption beside its own macro text, and shows the menu only
// when it holds at least one of them; a message without one hides the menu and changes no entry.
// The "Makro" sub-menu and its separator are shown together.

#include "FuzzControl.h"
#include "FuzzSupport.h"
#include "core/ClientProcs.h"
#include "core/Protocol.h"
#include "platform/Widgets.h"
#include "sysdial/SystemDialog.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace pelorin;

constexpr size_t kMaxMacros = 32767;

// What a payload carries, read plainly: the users in use, then a macro list when bytes remain.
struct SysdialInfo {
    std::string users;
    bool hasMacroPart = false;
    std::vector<std::string> macros; // "text=caption" entries up to the first empty one
};

SysdialInfo Read(const std::string& payload) {
    SysdialInfo info;
    const auto size = static_cast<int64_t>(payload.size());
    const int32_t inUse = std::clamp<int32_t>(String2Long(payload, 0), INT16_MIN, INT16_MAX);
    int64_t pos = 8;
    for (int32_t i = 0; i < inUse && pos + 4 <= size; ++i) {
        const int64_t length = std::clamp<int64_t>(String2Long(payload, pos), 0, size - pos - 4);
        info.users += payload.substr(static_cast<size_t>(pos + 4), static_cast<size_t>(length)) + "\r\n";
        pos += 4 + length;
    }
    info.hasMacroPart = size > pos;
    if (!info.hasMacroPart)
        return info;
    const int64_t length = std::max(String2Long(payload, pos), 0);
    const std::string list =
        pos + 4 < size ? payload.substr(static_cast<size_t>(pos + 4), static_cast<size_t>(length)) : "";
    for (int i = 0; info.macros.size() < kMaxMacros; ++i) {
        std::string entry = GetField(list, i, std::string(1, '\0'));
        if (entry.empty())
            break;
        info.macros.push_back(std::move(entry));
    }
    return info;
}

struct MacroMenu {
    std::vector<std::string> captions;
    std::vector<std::string> texts;
    bool shown = false;
    bool operator==(const MacroMenu&) const = default;
};

MacroMenu MenuOf(SystemDialog& dialog) {
    const PopupMenu& menu = *dialog.Menu_Popup;
    fuzz::Check(menu.MakroVisible() == menu.DelimiterVisible(), "the sub-menu and its separator go together");
    MacroMenu state{{}, dialog.MacroTexts(), menu.MakroVisible()};
    for (int32_t i = 0; i < menu.MakroCount(); ++i)
        state.captions.push_back(menu.MakroCaption(i));
    return state;
}

void CheckMenu(const SysdialInfo& info, const MacroMenu& before, const MacroMenu& after) {
    if (!info.hasMacroPart) {
        fuzz::Check(!after.shown, "without a macro part the menu is hidden");
        fuzz::Check(after.captions == before.captions && after.texts == before.texts,
                    "without a macro part no entry changes");
        return;
    }
    fuzz::Check(after.shown == !info.macros.empty(), "the menu is shown when the list has an entry");
    fuzz::Check(after.captions.size() == std::max<size_t>(info.macros.size(), 1),
                "one menu entry per macro, and entry 0 stays");
    fuzz::Check(after.texts.size() >= info.macros.size(), "every macro has its text");
    for (size_t i = 0; i < info.macros.size(); ++i) {
        const std::string& entry = info.macros[i];
        fuzz::Check(after.captions[i] == GetField(entry, 1, "="), "entry's caption:", entry);
        fuzz::Check(after.texts[i] == GetField(entry, 0, "="), "entry's macro text:", entry);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PelorinControl& c = fuzz::ControlForNextInput();
    SystemDialog& dialog = c.systemDialog();
    for (const fuzz::Piece& piece : fuzz::SplitArrivals(data, size).pieces) {
        const std::string payload(piece.bytes);
        const MacroMenu before = MenuOf(dialog);
        c.DispatchFrame(MSG_SYSDIAL_INFO, payload);
        const SysdialInfo info = Read(payload);
        fuzz::Check(c.m_SysdialUsers == info.users, "the users in use are the payload's");
        CheckMenu(info, before, MenuOf(dialog));
    }
    return 0;
}
