#pragma once

#include "common/LeakSuppressions.h"
#include "control/ControlFixture.h"

#include <QApplication>
#include <QByteArray>
#include <optional>

// The control for the fuzz targets that drive it: one application on the offscreen platform for the
// whole run, and a fresh started control for each input, so that every finding replays alone.
// Qt keeps its font caches until the process ends and frees only part of them then: the leak check
// at exit would report them. libFuzzer's check after each input, which sees a fresh control made and
// destroyed, stays on.
extern "C" const char* __lsan_default_options() {
    return "leak_check_at_exit=0";
}

namespace pelorin::fuzz {

// Call from LLVMFuzzerInitialize.
inline void StartApplication(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
}

// A started control with the host's default properties; its system timer is ticked by the target.
class FreshControl {
public:
    FreshControl() {
        m_Fixture.emplace();
        m_Fixture->Start();
        m_Fixture->control().session().Timer_System->SetEnabled(false);
    }
    // Menu entries and widgets the control let go are deleted with it, not at some later loop turn.
    ~FreshControl() {
        m_Fixture.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    PelorinControl& operator*() { return m_Fixture->control(); }
    PelorinControl* operator->() { return &m_Fixture->control(); }

private:
    std::optional<test::ControlFixture> m_Fixture;
};

} // namespace pelorin::fuzz
