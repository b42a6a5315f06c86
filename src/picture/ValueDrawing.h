#pragma once

#include "core/Element.h"
#include "picture/ElementPainter.h"

#include <QFont>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace pelorin {

class ImageSurface;

// Draws the elements whose values changed at the display's pace instead of once per value: a flood
// of values would otherwise spend nearly all its time drawing texts nobody can read. Values reach
// the elements at once; the changed elements are drawn at the next refresh, each once and in picture
// order. The picture then looks exactly as if every value had been drawn as it came (as long as the
// drawings of different live elements do not overlap): a value's erase covers the text on screen,
// not the last one applied, and the boxes of the texts shown and erased in between are erased too,
// as are the children a group showed in between.
//
// Whatever else draws on the picture must draw what is pending first (DrawPending), so that the two
// keep their order.
class ValueDrawing {
public:
    using PainterFactory = std::function<ElementPainter()>;

    ValueDrawing(const ElementList& elements, ImageSurface& surface, PainterFactory painter);
    ~ValueDrawing();

    // The element at `position` of the picture is about to take a new value.
    void BeforeValueChange(size_t position);
    // The values are in: the changed elements are drawn at the next refresh (or now, drawing every
    // value).
    void ValuesChanged();
    void DrawPending();
    // The picture is cleared or replaced: nothing pending is drawn.
    void DropPending();
    // The whole picture was drawn afresh: the values that come before it is first shown are shown with
    // it, not a refresh later.
    void PictureDrawn() { m_PictureUnshown = true; }
    // The picture is about to be shown.
    void BeforeShowing();
    bool HasPending() const { return !m_Pending.empty(); }

    // Draws each value as it comes: the reference the paced drawing is held to.
    void SetDrawEveryValue(bool everyValue) { m_DrawEveryValue = everyValue; }

    // After each drawing: the positions of the values it drew, so that listeners hear of a flood once
    // per refresh, not once per value.
    std::function<void(const std::vector<size_t>& positions)> OnDrawn;

private:
    struct Pending;

    Pending& PendingFor(size_t position, const cElement& e);
    void NotePassedState(Pending& pending, const cElement& e) const;
    void Draw(const ElementPainter& painter, Pending& pending, cElement& e);
    std::string BoxShape(const std::string& text) const;
    void MeasureDigitsOnce();
    void ScheduleRefresh();

    const ElementList& m_Elements;
    ImageSurface& m_Surface;
    PainterFactory m_Painter;
    std::vector<Pending> m_Pending;
    // Index into m_Pending by position in the picture, -1 where nothing is pending.
    std::vector<int32_t> m_PendingIndex;
    std::unique_ptr<QTimer> m_Refresh;
    std::chrono::steady_clock::duration m_LastDrawing{};
    bool m_DrawEveryValue = false;
    bool m_PictureUnshown = false;
    // Whether a value text's box depends only on where its digits are, not on which digits they
    // are, in the font measured.
    bool m_DigitsShareOneWidth = false;
    std::optional<QFont> m_MeasuredFont;
};

} // namespace pelorin
