#pragma once

#include "common/LeakSuppressions.h"
#include "common/ControlFixture.h"
#include "core/Protocol.h"

#include <QApplication>
#include <QByteArray>

// Qt keeps its font caches until the process ends and frees only part of them then: the leak check
// at exit would report them. libFuzzer's check after each input stays on.
extern "C" const char* __lsan_default_options() {
    return "leak_check_at_exit=0";
}

// The control for the fuzz targets that drive it, on the offscreen platform.
namespace pelorin::fuzz {

// One started control for the whole run, as making one takes far longer than most inputs; its system
// timer is ticked by the target. Each input finds it with no picture, no picture table, logged out
// and with an empty receive buffer, brought there by the server's own messages. What those cannot
// reset (the macro menu, the user's name) carries over, so a finding that depends on it replays
// only after the inputs before it.
struct StartedControl {
    StartedControl() {
        fixture.Start();
        fixture->session().Timer_System->SetEnabled(false);
    }
    test::ControlFixture fixture;
};

inline PelorinControl& ControlForNextInput() {
    static StartedControl shared;
    PelorinControl& c = shared.fixture.control();
    c.DispatchFrame(MSG_NO_PICTURE, {});
    c.DispatchFrame(MSG_PICTURE_TABLE, {});
    c.DispatchFrame(MSG_LOGOUT, {});
    // The event loop turns, as in the running program: the events the last input posted (repaints,
    // focus, layout) are handled and what the control let go is deleted. Otherwise they pile up.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return c;
}

} // namespace pelorin::fuzz

// The application is made before the first input and never destroyed: from an exit handler its input
// devices would go after Qt's own statics they need.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    return 0;
}
