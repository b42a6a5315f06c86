#pragma once

#include "control/Ports.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Fakes of the control's ports, so that a component can be built and tested alone.
namespace pelorin::test {

// Keeps every request instead of sending it.
class RecordingSender : public CommandSender {
public:
    void TCPSend(int16_t TCPCommand, const std::string& Buffer) override {
        sent.emplace_back(TCPCommand, Buffer);
    }
    std::vector<std::pair<int16_t, std::string>> sent;
};

// Keeps the view and counts the toolbar updates asked for, ShowView's included.
class CountingViewSwitch : public ViewSwitch {
public:
    int16_t View() const override { return view; }
    void ShowView(int16_t next) override {
        view = next;
        ++updates;
    }
    void UpdateToolBarView() override { ++updates; }
    int16_t view = 0;
    int updates = 0;
};

// Keeps every call into the control's spanning handlers, one line each.
class RecordingActions : public ControlActions {
public:
    void Toolbar_ButtonClick(const std::string& ButtonKey) override { calls.push_back("click " + ButtonKey); }
    void Toolbar_ButtonMenuClick(const std::string& MenuKey, const std::string& ParentKey,
                                 const std::string& MenuTag) override {
        calls.push_back("menu " + MenuKey + " " + ParentKey + " " + MenuTag);
    }
    void DispatchFrame(uint8_t code, const std::string& payload) override {
        frames.emplace_back(code, payload);
        if (onFrame)
            onFrame(code);
    }
    void RemoveAllElements() override { calls.push_back("remove all"); }
    void Timer_System_Timer() override { calls.push_back("timer"); }

    std::vector<std::string> calls;
    std::vector<std::pair<uint8_t, std::string>> frames;
    // Runs inside DispatchFrame, as a handler that ends the session does.
    std::function<void(uint8_t code)> onFrame;
};

} // namespace pelorin::test
