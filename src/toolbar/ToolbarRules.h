#pragma once

#include <cstdint>

namespace pelorin {

// What the toolbar's rules look at.
struct ToolbarState {
    int16_t view = 0;
    int32_t accessLevel = 0;
    int32_t functionTextAvailable = 0;
    int32_t setpointEntries = 0;
    // A value is selected in the picture and its parameter is one the server lets users write.
    bool selectionWritable = false;
};

// Every visibility and enabled flag of the control. In the login view only the visibilities count:
// the toolbar is hidden and keeps the flags it had.
struct ToolbarView {
    bool updatesEnabledFlags = false;

    bool home = false;
    bool logout = false;
    bool systemDialog = false;
    bool settings = false;
    bool previous = false;
    bool next = false;
    bool functionText = false;
    bool globalLog = false;
    bool pictureLog = false;
    bool setpoints = false;
    bool sendSetpoint = false;
    bool pictureNumberEnabled = false;
    bool addressEnabled = false;
    bool newValueEnabled = false;

    bool toolbarVisible = false;
    bool rowBoxesVisible = false;
    bool indicatorVisible = false;
    bool userNameVisible = false;
    bool picture = false;
    bool textView = false;
    bool terminal = false;
    bool setpointPanel = false;
    bool curveEditor = false;
    bool settingsPanel = false;
    bool loginFrame = false;
};

ToolbarView ToolbarRules(const ToolbarState& state);

} // namespace pelorin
