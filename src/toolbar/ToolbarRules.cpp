#include "toolbar/ToolbarRules.h"

#include "core/Access.h"
#include "ports/ControlMembers.h"

namespace pelorin {

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
    r.textView = ShowsText(v);
    r.terminal = v == VS_SYSDIAL;
    r.setpointPanel = v == VS_SPV;
    r.curveEditor = v == VS_SPV_CURVE;
    r.settingsPanel = v == VS_SETTINGS;
    return r;
}

} // namespace pelorin
