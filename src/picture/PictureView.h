#pragma once

#include "picture/ElementPainter.h"
#include "picture/ValueDrawing.h"
#include "platform/PictureAccess.h"
#include "ports/ControlMembers.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace pelorin {

class CommandSender;
class ControlBase;
class ImageSurface;
class PictureBox;
class PictureModel;
class ToolbarRow;
class ViewSwitch;

struct PictureViewContext {
    SelectionMembers& selection;
    const PictureModel& model;
    const PictureMembers& picture;
    const ScaleMembers& scale;
    ToolbarRow& toolbar;
    ViewSwitch& view;
    CommandSender& sender;
};

// The picture on screen: drawing the current picture, following picture links, and selecting a value
// for writing (double click), with its blink while selected.
class PictureView {
public:
    PictureView(QWidget* parent, const PictureViewContext& context);
    ~PictureView();

    PictureBox* Picture_PCT = nullptr;

    void Picture_PCT_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void Picture_PCT_Click();
    void Picture_PCT_DblClick();
    void Picture_PCT_KeyPress(int16_t& KeyAscii);
    void Picture_PCT_Paint();

    ImageSurface& Surface();
    // The picture box's place in the control, in twips.
    ControlBase& Geometry() { return *m_Geometry; }
    const ControlBase& Geometry() const { return *m_Geometry; }
    ElementPainter Painter() const;
    // Both draw what is pending first.
    void PaintElement(cElement& MyElement, int32_t PaintVisible, int16_t ClearBackground);
    void PaintAllElements(int16_t ClearBackground);

    // Values are drawn at the display's pace (ValueDrawing): call BeforeValueChange for each element a
    // value is about to change, then ValuesChanged.
    void BeforeValueChange(size_t position) { m_ValueDrawing->BeforeValueChange(position); }
    void ValuesChanged() { m_ValueDrawing->ValuesChanged(); }
    // Draws the changed values now; anything that draws on the picture or reads its hit boxes from
    // outside this view does this first.
    void DrawPending() { m_ValueDrawing->DrawPending(); }
    ValueDrawing& Drawing() { return *m_ValueDrawing; }

    // The timer's part: the selected value blinks.
    void Blink();
    // Ends the selection with the value drawn, so that it does not stay blanked.
    void EndSelection();
    // The elements are gone: the selection and the drawing waiting for them refer to nothing.
    void ForgetElements();
    // The value the selection put in the toolbar's value box, to tell the operator's typing from it.
    const std::string& SelectedValueText() const { return m_SelectedValueText; }

    // The picture's values and links in reading order, as a screen reader and the keyboard see them.
    std::vector<PictureItem> AccessibleItems() const;

private:
    void Select(cElement& chosen);
    void FollowLink(const cElement& link);
    void ActivateItem(const PictureItem& item);

    SelectionMembers& m_Selection;
    const PictureModel& m_Model;
    const PictureMembers& m_Picture;
    const ScaleMembers& m_Scale;
    ToolbarRow& m_Toolbar;
    ViewSwitch& m_View;
    CommandSender& m_Sender;
    std::unique_ptr<ControlBase> m_Geometry;
    std::unique_ptr<ValueDrawing> m_ValueDrawing;
    std::string m_SelectedValueText;
};

} // namespace pelorin
