#include "picture/ValueDrawing.h"

#include "platform/ImageSurface.h"

#include <QTimer>
#include <algorithm>
#include <array>
#include <utility>

namespace pelorin {

namespace {

// A display shows about 60 pictures a second: drawing more often shows nothing more.
constexpr std::chrono::milliseconds kRefreshInterval{16};
// What a value text is made of (FixedText).
constexpr std::string_view kValueCharacters = "0123456789-.";

bool IsDrawnByValue(const cElement& e) {
    return e.m_ElementType == ET_DYNVALUE || e.m_ElementType == ET_DYNGROUP;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// True when every digit is as wide as any other and no pair of value characters is kerned: a value
// text's width then depends only on where its digits are.
bool DigitsShareOneWidth(const ImageSurface& surface) {
    std::array<double, kValueCharacters.size()> widths{};
    for (size_t i = 0; i < kValueCharacters.size(); ++i)
        widths[i] = surface.TextWidth(std::string(1, kValueCharacters[i]));
    for (size_t i = 0; i < 10; ++i)
        if (widths[i] != widths[0])
            return false;
    for (size_t a = 0; a < kValueCharacters.size(); ++a)
        for (size_t b = 0; b < kValueCharacters.size(); ++b)
            if (surface.TextWidth({kValueCharacters[a], kValueCharacters[b]}) != widths[a] + widths[b])
                return false;
    return true;
}

} // namespace

struct ValueDrawing::Pending {
    const cElement* element = nullptr;
    size_t position = 0;
    // A value: the text on screen, and one text of each box shape drawn and erased since.
    std::string shownText;
    std::string shownShape;
    std::vector<std::string> passedShapes;
    // A group: the child of its last value, and the values that changed the child since, in order.
    int32_t lastChild = 0;
    std::vector<double> passedValues;
};

ValueDrawing::ValueDrawing(const ElementList& elements, ImageSurface& surface, PainterFactory painter)
    : m_Elements(elements), m_Surface(surface), m_Painter(std::move(painter)),
      m_Refresh(std::make_unique<QTimer>()) {
    m_Refresh->setSingleShot(true);
    m_Refresh->callOnTimeout([this] { DrawPending(); });
}

ValueDrawing::~ValueDrawing() = default;

void ValueDrawing::BeforeValueChange(size_t position) {
    if (position >= m_Elements.size() || !IsDrawnByValue(*m_Elements[position]))
        return;
    const cElement& e = *m_Elements[position];
    if (m_PendingIndex.size() != m_Elements.size()) {
        // The picture changed under the pending drawing: none of it applies any more.
        DropPending();
        m_PendingIndex.assign(m_Elements.size(), -1);
    }
    const int32_t index = m_PendingIndex[position];
    if (index >= 0 && m_Pending[static_cast<size_t>(index)].element == &e) {
        NotePassedState(m_Pending[static_cast<size_t>(index)], e);
        return;
    }
    PendingFor(position, e);
}

ValueDrawing::Pending& ValueDrawing::PendingFor(size_t position, const cElement& e) {
    if (m_Pending.empty())
        MeasureDigitsOnce();
    Pending pending;
    pending.element = &e;
    pending.position = position;
    if (e.m_ElementType == ET_DYNVALUE) {
        pending.shownText = e.m_Text;
        pending.shownShape = BoxShape(e.m_Text);
    } else {
        pending.lastChild = ShownChildPosition(e);
    }
    int32_t& index = m_PendingIndex[position];
    if (index < 0) {
        index = static_cast<int32_t>(m_Pending.size());
        m_Pending.push_back(std::move(pending));
    } else {
        m_Pending[static_cast<size_t>(index)] = std::move(pending);
    }
    return m_Pending[static_cast<size_t>(index)];
}

// The state a new value replaces was drawn, and erased by the next value, when values were drawn as
// they came. A value's erase leaves its box; a group's drawing depends only on the child it shows.
void ValueDrawing::NotePassedState(Pending& pending, const cElement& e) const {
    if (e.m_ElementType == ET_DYNVALUE) {
        std::string shape = BoxShape(e.m_Text);
        if (shape != pending.shownShape && std::find(pending.passedShapes.begin(), pending.passedShapes.end(),
                                                     shape) == pending.passedShapes.end())
            pending.passedShapes.push_back(std::move(shape));
        return;
    }
    const int32_t child = ShownChildPosition(e);
    if (child == pending.lastChild)
        return;
    pending.passedValues.push_back(e.m_Value);
    pending.lastChild = child;
}

void ValueDrawing::ValuesChanged() {
    if (m_Pending.empty())
        return;
    if (m_DrawEveryValue)
        DrawPending();
    else
        ScheduleRefresh();
}

// After a long drawing the next waits as long, so that at least half the time is left for input and
// for taking in values.
void ValueDrawing::ScheduleRefresh() {
    if (m_Refresh->isActive())
        return;
    const auto lastDrawing = std::chrono::ceil<std::chrono::milliseconds>(m_LastDrawing);
    m_Refresh->start(std::max(kRefreshInterval, lastDrawing));
}

void ValueDrawing::DrawPending() {
    if (m_Pending.empty())
        return;
    m_Refresh->stop();
    const auto start = std::chrono::steady_clock::now();
    std::vector<Pending> pending = std::move(m_Pending);
    m_Pending.clear();
    for (const Pending& p : pending)
        m_PendingIndex[p.position] = -1;
    std::sort(pending.begin(), pending.end(),
              [](const Pending& a, const Pending& b) { return a.position < b.position; });
    std::vector<size_t> drawn;
    {
        const ElementPainter painter = m_Painter();
        const ImageSurface::Batch batch(m_Surface);
        for (Pending& p : pending) {
            if (p.position >= m_Elements.size() || m_Elements[p.position].get() != p.element)
                continue;
            Draw(painter, p, *m_Elements[p.position]);
            if (OnDrawn)
                drawn.push_back(p.position);
        }
    }
    m_LastDrawing = std::chrono::steady_clock::now() - start;
    if (OnDrawn && !drawn.empty())
        OnDrawn(drawn);
}

void ValueDrawing::BeforeShowing() {
    if (std::exchange(m_PictureUnshown, false))
        DrawPending();
}

void ValueDrawing::DropPending() {
    m_Pending.clear();
    m_PendingIndex.clear();
    m_Refresh->stop();
}

// What drawing each value in turn leaves: the text on screen erased, the boxes of the texts in
// between erased, the last text drawn; or the group's children in between shown in order, then
// its own.
void ValueDrawing::Draw(const ElementPainter& painter, Pending& pending, cElement& e) {
    if (e.m_ElementType == ET_DYNVALUE) {
        std::string applied = std::move(e.m_Text);
        e.m_Text = std::move(pending.shownText);
        painter.PaintElement(m_Surface, e, 0, 0);
        for (std::string& shape : pending.passedShapes) {
            e.m_Text = std::move(shape);
            painter.PaintElement(m_Surface, e, 0, 0);
        }
        e.m_Text = std::move(applied);
        painter.PaintElement(m_Surface, e, -1, 0);
        return;
    }
    const double value = e.m_Value;
    const int32_t status = e.m_Status;
    for (double passed : pending.passedValues) {
        e.m_Value = passed;
        e.m_Status = 1;
        painter.PaintElement(m_Surface, e, -1, 0);
    }
    e.m_Value = value;
    e.m_Status = status;
    painter.PaintElement(m_Surface, e, -1, 0);
}

// Texts of one box shape erase the same box: with digits of one width, texts that differ only in
// their digits share a shape.
std::string ValueDrawing::BoxShape(const std::string& text) const {
    if (!m_DigitsShareOneWidth)
        return text;
    std::string shape = text;
    std::replace_if(shape.begin(), shape.end(), IsDigit, '0');
    return shape;
}

void ValueDrawing::MeasureDigitsOnce() {
    if (m_MeasuredFont == m_Surface.Font())
        return;
    m_MeasuredFont = m_Surface.Font();
    m_DigitsShareOneWidth = DigitsShareOneWidth(m_Surface);
}

} // namespace pelorin
