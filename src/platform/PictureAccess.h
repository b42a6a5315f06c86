#pragma once

#include <QAccessible>
#include <QRect>
#include <QString>
#include <cstddef>
#include <vector>

namespace pelorin {

// One element of a picture as a screen reader and the keyboard see it: a live value or a link.
struct PictureItem {
    enum class Kind { Value, Link };
    Kind kind = Kind::Value;
    // Who provides the items tells them apart by this, e.g. the element's position in the picture.
    size_t id = 0;
    // A value's name says its address and the value as shown, so that a screen reader reads both.
    QString name;
    QString value;
    double number = 0;
    // Where it is drawn, in the box's pixels; empty while it is not drawn.
    QRect rect;
};

class PictureBox;

// Makes picture boxes known to Qt's accessibility: each box is read out with its items as children.
void InstallPictureAccess();

// Tells screen readers that the items with these ids show new values (nothing while none listens).
void TellPictureValuesChanged(PictureBox& box, const std::vector<size_t>& ids);

// Tells screen readers that the items from `first` up to `end` came (ObjectCreated) or are going
// (ObjectDestroyed), so that what they keep of the picture follows it.
void TellPictureItems(PictureBox& box, QAccessible::Event event, int first, int end);

// Tells screen readers which item the keyboard is on.
void TellPictureFocus(PictureBox& box, int item);

} // namespace pelorin
