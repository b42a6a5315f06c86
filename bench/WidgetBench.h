#pragma once

// What the benchmarks of widget components share: the tests' fakes of the control's ports and the
// platform choice.

#include "BenchSupport.h"
#include "common/PortFakes.h"

#include <QByteArray>
#include <QtGlobal>

namespace pelorin::bench {

using test::RecordingSender;
using test::ViewSwitchFake;

// Widgets are measured on the offscreen platform unless QT_QPA_PLATFORM names another; call before
// the QApplication is made.
inline void UseOffscreenUnlessSet() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
}

} // namespace pelorin::bench
