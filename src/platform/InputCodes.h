#pragma once

#include "core/KeyCodes.h"

#include <Qt>
#include <cstdint>

class QKeyEvent;

namespace pelorin {

// Qt's key and mouse events as the codes the event handlers expect (core/KeyCodes.h).

// The character code of a key press (KeyAscii): Ctrl with A..Z and [ \ ] ^ _ gives 1..31, Return and
// Enter 13, Escape 27, Backspace 8, Tab 9, a letter its case by Shift (tests and some platforms send
// Shift+letter with lower-case text), other keys their Latin-1 text. 0 for keys without a character
// (arrows, function keys, Delete, modifiers alone, characters outside Latin-1).
int KeyAscii(const QKeyEvent& event);

// Shift 1, Ctrl 2, Alt 4, added together.
int ShiftState(Qt::KeyboardModifiers modifiers);

// Left 1, right 2, middle 4, added together.
int ButtonState(Qt::MouseButtons buttons);

} // namespace pelorin
