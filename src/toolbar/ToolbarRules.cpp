#include "toolbar/ToolbarRules.h"

#include "ports/ControlMembers.h"
#include "core/Access.h"

#include <initializer_list>

namespace pelorin {

namespace {

bool IsOneOf(int16_t view, std::initializer_list<int16_t> views) {
    for (int16_t v : views)
        if (view == v)
            return true;
    return false;
}

// The views that show the picture, alone or under a panel.
bool ShowsPicture(int16_t view) {
    return IsOneOf(view, {VS_PICTURE, VS_SPV_CURVE, VS_SPV, VS_SETTINGS});
}

} // namespace

ToolbarView ToolbarRules(const ToolbarState& s) {
    ToolbarView r;
    const int16_t v = s.view;
    if (v == VS_LOGIN) {
        r.loginFrame = true;
        return r;
    }
    const bool picture = v == VS_PICTURE;
    const bool mayWrite = (s.accessLevel & ACCESS_WRITE) != 0;
    r.updatesEnabledFlags = true;
    r.home = v >= VS_PICTURE && v <= VS_SETTINGS;
    r.systemDialog = (s.accessLevel & ACCESS_SYSDIAL) != 0 && picture;
    r.logout = v == VS_SYSDIAL || picture;
    r.settings = picture;
    r.previous = picture;
    r.next = picture;
    r.functionText = s.functionTextAvailable == -1 && v != VS_FUNCTION_TEXT;
    r.globalLog = v != VS_LOG_GLOBAL;
    r.pictureLog = v != VS_LOG_PCT;
    r.setpoints = mayWrite && picture && s.setpointEntries > 0;
    r.sendSetpoint = picture && s.selectionWritable && mayWrite;
    r.pictureNumberEnabled = ShowsPicture(v);
    r.addressEnabled = picture;
    r.newValueEnabled = r.sendSetpoint;

    r.toolbarVisible = true;
    r.rowBoxesVisible = true;
    r.indicatorVisible = picture;
    r.userNameVisible = true;
    r.picture = ShowsPicture(v);
    r.textView = IsOneOf(v, {VS_FUNCTION_TEXT, VS_LOG_GLOBAL, VS_LOG_PCT});
    r.terminal = v == VS_SYSDIAL;
    r.setpointPanel = v == VS_SPV;
    r.curveEditor = v == VS_SPV_CURVE;
    r.settingsPanel = v == VS_SETTINGS;
    return r;
}

} // namespace pelorin
