#pragma once

// What the benchmarks of widget components share: quiet fakes of the control's ports and the
// platform choice.

#include "BenchSupport.h"
#include "ports/ControlMembers.h"
#include "ports/Ports.h"

#include <QByteArray>
#include <QtGlobal>

namespace pelorin::bench {

// Takes every request as a connected link would, and sends nothing anywhere.
class NoSender : public CommandSender {
public:
    void TCPSend(int16_t, const std::string&) override {}
    bool Connected() const override { return true; }
};

// Keeps the view and shows nothing for it.
class StayingView : public ViewSwitch {
public:
    int16_t View() const override { return view; }
    void ShowView(int16_t v) override { view = v; }
    void UpdateToolBarView() override {}
    int16_t view = VS_PICTURE;
};

// Widgets are measured on the offscreen platform unless QT_QPA_PLATFORM names another; call before
// the QApplication is made.
inline void UseOffscreenUnlessSet() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
}

} // namespace pelorin::bench
