// The client's receive step with its dispatch: arbitrary bytes, arriving in fuzzer-chosen pieces,
// cut into frames by the real CutFrames in the control's receive buffer and handed to a started
// control with no server, as its link hands them. Between arrivals the operator acts on what the
// frames built. After every piece the control's picture state holds together: the element model
// keeps its invariants with m_DynamicPointers counting its dynamic elements, the count of elements
// with a value is right, the selection and the open setpoint block are elements of the current
// picture, and the setpoint menu lists each known block of it once. The sanitizers watch the rest.
//
// A marked piece is an operator's action instead of an arrival: its first byte chooses it, the next
// four are a point (two big-endian shorts) or an index.

#include "ElementModelCheck.h"
#include "FuzzControl.h"
#include "FuzzSupport.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "picture/PictureModel.h"
#include "picture/PictureView.h"
#include "toolbar/ToolbarTable.h"

#include <algorithm>
#include <set>
#include <string>

namespace {

using namespace pelorin;

enum class Action : uint8_t { DoubleClick, Click, Escape, TimerTick, OpenSetpoint, SendValue, Count };

int16_t ShortAt(std::string_view bytes, size_t at) {
    return static_cast<int16_t>(String2Short(bytes, static_cast<int64_t>(at)));
}

void Act(PelorinControl& c, std::string_view bytes) {
    if (bytes.empty())
        return;
    const auto action =
        static_cast<Action>(static_cast<uint8_t>(bytes[0]) % static_cast<uint8_t>(Action::Count));
    PictureView& view = c.view();
    switch (action) {
    case Action::DoubleClick:
        view.Picture_PCT_MouseMove(0, 0, ShortAt(bytes, 1), ShortAt(bytes, 3));
        view.Picture_PCT_DblClick();
        break;
    case Action::Click:
        view.Picture_PCT_MouseMove(0, 0, ShortAt(bytes, 1), ShortAt(bytes, 3));
        view.Picture_PCT_Click();
        break;
    case Action::Escape: {
        int16_t key = 27;
        view.Picture_PCT_KeyPress(key);
        break;
    }
    case Action::TimerTick:
        c.Timer_System_Timer();
        break;
    case Action::OpenSetpoint: {
        const auto& entries = c.toolbar().Toolbar->Button(tb::kSetpoints)->MenuEntries();
        if (!entries.empty()) {
            const size_t index = static_cast<uint16_t>(ShortAt(bytes, 1)) % entries.size();
            const std::string tag = entries[index]->Tag;
            c.Toolbar_ButtonMenuClick({}, tb::kSetpoints, tag);
        }
        break;
    }
    case Action::SendValue:
        c.Toolbar_ButtonClick(tb::kSendSetpoint);
        break;
    case Action::Count:
        break;
    }
}

const cElement* TopLevel(const PelorinControl& c, const cElement* element) {
    const auto& elements = c.m_Elements;
    const auto found = std::find_if(elements.begin(), elements.end(),
                                    [element](const auto& e) { return e.get() == element; });
    return found == elements.end() ? nullptr : found->get();
}

void CheckPicture(PelorinControl& c) {
    const std::string violation = test::ElementModelViolation(c.m_Elements, c.m_DynamicPointers);
    fuzz::Check(violation.empty(), "element model:", violation);
    const auto withValue = std::count_if(c.m_Elements.begin(), c.m_Elements.end(),
                                         [](const auto& e) { return e->m_Status == 1; });
    fuzz::Check(c.model().ElementsWithValue() == withValue, "the count of elements with a value is right");

    if (const cElement* selected = c.m_SelectedElement) {
        fuzz::Check(TopLevel(c, selected) != nullptr, "the selection is an element of the picture");
        fuzz::Check(selected->m_ElementType == ET_DYNVALUE || selected->m_ElementType == ET_DYNGROUP,
                    "only a value or a group is selected");
    }
    if (const cElement* open = c.m_SPVElement) {
        fuzz::Check(TopLevel(c, open) != nullptr, "the open setpoint block is an element of the picture");
        fuzz::Check(open->m_ElementType == ET_SETPOINT, "the open setpoint block is a setpoint element");
    }

    std::set<int32_t> listed;
    for (const auto& entry : c.toolbar().Toolbar->Button(tb::kSetpoints)->MenuEntries()) {
        const int32_t pointer = static_cast<int32_t>(ReadNumber(entry->Tag));
        const auto block = std::find_if(c.m_Elements.begin(), c.m_Elements.end(), [pointer](const auto& e) {
            return e->m_DynamicArrayPointer == pointer && e->m_ElementType == ET_SETPOINT &&
                   e->m_SPVType != -1;
        });
        fuzz::Check(block != c.m_Elements.end(),
                    "a setpoint entry names a known block of the picture:", entry->Tag);
        fuzz::Check(listed.insert(pointer).second, "a block is listed once:", entry->Tag);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PelorinControl& c = fuzz::ControlForNextInput();
    for (const fuzz::Piece& piece : fuzz::SplitArrivals(data, size).pieces) {
        if (piece.marked) {
            Act(c, piece.bytes);
        } else if (CutFrames(c.m_TCPData, piece.bytes, [&c](uint8_t code, const std::string& payload) {
                       c.DispatchFrame(code, payload);
                   }) == CutResult::ProtocolError) {
            // The link ends: nothing more arrives on it.
            break;
        }
        CheckPicture(c);
    }
    return 0;
}
