// The toolbar's rules as a pure function: every flag in every view, and what the rights and the picture
// take away in the picture view.

#include "control/ToolbarRules.h"
#include "control/ControlMembers.h"
#include "core/Access.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pelorin {
namespace {

using Flag = bool ToolbarView::*;

// One character per view from VS_LOGIN to VS_SETTINGS ('1' on), at full rights with a function text,
// setpoint entries and a writable selection.
const struct {
    const char* name;
    Flag flag;
    const char* byView;
} kFlags[] = {
    {"updatesEnabledFlags", &ToolbarView::updatesEnabledFlags, ".11111111"},
    {"home", &ToolbarView::home, ".11111111"},
    {"logout", &ToolbarView::logout, ".1.....1."},
    {"systemDialog", &ToolbarView::systemDialog, ".1......."},
    {"settings", &ToolbarView::settings, ".1......."},
    {"previous", &ToolbarView::previous, ".1......."},
    {"next", &ToolbarView::next, ".1......."},
    {"functionText", &ToolbarView::functionText, ".1.111111"},
    {"globalLog", &ToolbarView::globalLog, ".11.11111"},
    {"pictureLog", &ToolbarView::pictureLog, ".111.1111"},
    {"setpoints", &ToolbarView::setpoints, ".1......."},
    {"sendSetpoint", &ToolbarView::sendSetpoint, ".1......."},
    {"pictureNumberEnabled", &ToolbarView::pictureNumberEnabled, ".1...11.1"},
    {"addressEnabled", &ToolbarView::addressEnabled, ".1......."},
    {"newValueEnabled", &ToolbarView::newValueEnabled, ".1......."},
    {"toolbarVisible", &ToolbarView::toolbarVisible, ".11111111"},
    {"rowBoxesVisible", &ToolbarView::rowBoxesVisible, ".11111111"},
    {"indicatorVisible", &ToolbarView::indicatorVisible, ".1......."},
    {"userNameVisible", &ToolbarView::userNameVisible, ".11111111"},
    {"picture", &ToolbarView::picture, ".1...11.1"},
    {"textView", &ToolbarView::textView, "..111...."},
    {"terminal", &ToolbarView::terminal, ".......1."},
    {"setpointPanel", &ToolbarView::setpointPanel, "......1.."},
    {"curveEditor", &ToolbarView::curveEditor, ".....1..."},
    {"settingsPanel", &ToolbarView::settingsPanel, "........1"},
    {"loginFrame", &ToolbarView::loginFrame, "1........"},
};

constexpr int32_t kAllRights = 31;

ToolbarState Everything(int16_t view) {
    return {view, kAllRights, -1, 1, true};
}

TEST(ToolbarRules, EveryViewSetsEveryFlag) {
    for (int16_t view = VS_LOGIN; view <= VS_SETTINGS; ++view) {
        const ToolbarView v = ToolbarRules(Everything(view));
        for (const auto& f : kFlags)
            EXPECT_EQ(v.*f.flag, f.byView[view - VS_LOGIN] == '1') << f.name << " in view " << view;
    }
}

TEST(ToolbarRules, RightsFunctionTextEntriesAndSelectionTakeAwayOnlyTheirFlags) {
    const struct {
        const char* what;
        ToolbarState state;
        std::vector<Flag> off;
    } cases[] = {
        {"no rights",
         {VS_PICTURE, 1, -1, 1, true},
         {&ToolbarView::systemDialog, &ToolbarView::setpoints, &ToolbarView::sendSetpoint,
          &ToolbarView::newValueEnabled}},
        {"write only", {VS_PICTURE, ACCESS_WRITE, -1, 1, true}, {&ToolbarView::systemDialog}},
        {"system dialog only",
         {VS_PICTURE, ACCESS_SYSDIAL, -1, 1, true},
         {&ToolbarView::setpoints, &ToolbarView::sendSetpoint, &ToolbarView::newValueEnabled}},
        {"no function text", {VS_PICTURE, kAllRights, 0, 1, true}, {&ToolbarView::functionText}},
        {"only -1 means a function text", {VS_PICTURE, kAllRights, 1, 1, true}, {&ToolbarView::functionText}},
        {"no setpoint entries", {VS_PICTURE, kAllRights, -1, 0, true}, {&ToolbarView::setpoints}},
        {"selection not writable",
         {VS_PICTURE, kAllRights, -1, 1, false},
         {&ToolbarView::sendSetpoint, &ToolbarView::newValueEnabled}},
    };
    const ToolbarView everything = ToolbarRules(Everything(VS_PICTURE));
    for (const auto& c : cases) {
        const ToolbarView v = ToolbarRules(c.state);
        for (const auto& f : kFlags) {
            const bool off = std::find(c.off.begin(), c.off.end(), f.flag) != c.off.end();
            EXPECT_EQ(v.*f.flag, !off && everything.*f.flag) << c.what << ": " << f.name;
        }
    }
}

} // namespace
} // namespace pelorin
