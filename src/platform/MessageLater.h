#pragma once

#include "platform/Widgets.h"

#include <QObject>
#include <QTimer>
#include <string>

namespace pelorin {

// Shows an OK box with `text` once the current event is handled, while `context` lives: a modal box
// inside a socket handler would let the next arrival in before this one is done.
inline void MessageLater(Dialogs& dialogs, QObject* context, const std::string& text) {
    QTimer::singleShot(0, context, [&dialogs, text] { dialogs.Message(text, {}, false); });
}

} // namespace pelorin
