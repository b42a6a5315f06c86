#pragma once

#include <QIcon>
#include <string_view>

class QPainter;

namespace pelorin {

// Draws a button image into a 24-pixel square.
using IconPainter = void (*)(QPainter&);

namespace icon {
void Home(QPainter& p);
void Previous(QPainter& p);
void Next(QPainter& p);
void GetPicture(QPainter& p);
void Texts(QPainter& p);
void Setpoints(QPainter& p);
void Send(QPainter& p);
} // namespace icon

// The image of the toolbar entry with this key, drawn in code; the disabled look is derived from it.
// Entries without an image get an empty icon.
QIcon ToolbarIcon(std::string_view key);

} // namespace pelorin
