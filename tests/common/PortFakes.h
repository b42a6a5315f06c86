#pragma once

#include "ports/ControlMembers.h"
#include "ports/PlantWatch.h"
#include "ports/Ports.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Fakes of the control's ports, so that a component can be built and tested alone.
namespace pelorin::test {

using Requests = std::vector<std::pair<int16_t, std::string>>;

// Keeps every request instead of sending it.
class RecordingSender : public CommandSender {
public:
    void TCPSend(int16_t TCPCommand, const std::string& Buffer) override {
        sent.emplace_back(TCPCommand, Buffer);
    }
    bool Connected() const override { return connected; }
    Requests sent;
    bool connected = true;
};

// Keeps the view and counts the toolbar updates, ShowView's included; `onUpdate` stands for the control's.
class ViewSwitchFake : public ViewSwitch {
public:
    int16_t View() const override { return view; }
    void ShowView(int16_t next) override {
        view = next;
        UpdateToolBarView();
    }
    void UpdateToolBarView() override {
        ++updates;
        if (onUpdate)
            onUpdate(view);
    }
    int16_t view = VS_PICTURE;
    int updates = 0;
    std::function<void(int16_t view)> onUpdate;
};

// Keeps the frames handed to the control's dispatch; its other handlers do nothing.
class RecordingActions : public ControlActions {
public:
    void Toolbar_ButtonClick(const std::string&) override {}
    void Toolbar_ButtonMenuClick(const std::string&, const std::string&, const std::string&) override {}
    void DispatchFrame(uint8_t code, const std::string& payload) override {
        frames.emplace_back(code, payload);
        if (onFrame)
            onFrame(code);
    }
    void RemoveAllElements() override {}
    void Timer_System_Timer() override {}

    std::vector<std::pair<uint8_t, std::string>> frames;
    // Runs inside DispatchFrame, as a handler that ends the session does.
    std::function<void(uint8_t code)> onFrame;
};

// Keeps every report of output, one line each: "printed FILE", "print failed FILE", "not recorded FILE",
// "recording stopped FILE"; a printer's name follows "printed on" and "print failed on".
class OutputLog : public OutputReport {
public:
    void Printed(const QString& where, bool toFile) override {
        Add(toFile ? "printed " : "printed on ", where);
    }
    void PrintFailed(const QString& where, bool toFile) override {
        Add(toFile ? "print failed " : "print failed on ", where);
    }
    void RecordingNotStarted(const QString& file) override { Add("not recorded ", file); }
    void RecordingStopped(const QString& file) override { Add("recording stopped ", file); }

    std::vector<std::string> lines;

private:
    void Add(const char* what, const QString& where) { lines.push_back(what + where.toStdString()); }
};

// What a watch heard, one line per call: "in DEMO 127.0.0.1:2001", "out", "picture 2",
// "value LB01.REG.PAR1 21", "write LB01.REG.PAR1 22.5".
class WatchLog : public PlantWatch {
public:
    void LoggedIn(const std::string& visa, const std::string& server) override {
        lines.push_back("in " + visa + " " + server);
    }
    void LoggedOut() override { lines.push_back("out"); }
    void PictureShown(int32_t picture) override { lines.push_back("picture " + std::to_string(picture)); }
    void ValueArrived(int32_t /*pointer*/, const std::string& address, const std::string& text) override {
        lines.push_back("value " + address + " " + text);
    }
    void WriteSent(int32_t /*pointer*/, const std::string& address, const std::string& text) override {
        lines.push_back("write " + address + " " + text);
    }

    // The lines that start with `prefix`, in order.
    std::vector<std::string> Starting(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& line : lines)
            if (line.rfind(prefix, 0) == 0)
                found.push_back(line);
        return found;
    }

    std::vector<std::string> lines;
};

} // namespace pelorin::test
