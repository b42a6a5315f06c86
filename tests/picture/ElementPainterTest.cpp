// Every element type painted on real image surfaces at unit scale on a grey picture and checked by its
// pixels, on screen and on paper.

#include "picture/ElementPainter.h"
#include "core/ClientProcs.h"
#include "core/PictureWriter.h"
#include "platform/Colour.h"
#include "platform/ImageSurface.h"

#include <array>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

constexpr Colour kGrey = 0xC0C0C0;

// Paper as the painting code sees it, on an image that can be read back.
class Paper : public ImageSurface {
public:
    using ImageSurface::ImageSurface;
    bool IsPrinter() const override { return true; }
};

// How many pixels of an area have a colour; kSome is at least one, kAll the whole area.
constexpr int kSome = -1;
constexpr int kAll = -2;
struct Expect {
    QRect area;
    Colour colour;
    int pixels;
};
Expect In(QRect area, Colour colour, int pixels) {
    return {area, colour, pixels};
}
Expect At(int x, int y, Colour colour) {
    return {QRect(x, y, 1, 1), colour, kAll};
}

cElement Element(int32_t type, int32_t x1, int32_t y1, int32_t x2 = 0, int32_t y2 = 0, Colour fore = kBlack,
                 int32_t thickness = 0) {
    cElement e;
    e.m_ElementType = type;
    e.m_X1 = x1;
    e.m_Y1 = y1;
    e.m_X2 = x2;
    e.m_Y2 = y2;
    e.m_FCol = fore;
    e.m_Thickness = thickness;
    return e;
}

// A text, live value or picture link.
cElement Labelled(int32_t type, int32_t x, int32_t y, const std::string& text, Colour fore, Colour back = 0) {
    cElement e = Element(type, x, y, 0, 0, fore);
    e.m_Text = text;
    e.m_BCol = back;
    return e;
}

// A box outline with a fill inside it.
cElement FilledWithin(QRect box, Colour border, Colour fill) {
    cElement symbol = Element(ET_SYMBOL, 0, 0);
    symbol.m_SymbolElements.push_back(std::make_unique<cElement>(
        Element(ET_BOX, box.left(), box.top(), box.right(), box.bottom(), border, 1)));
    symbol.m_SymbolElements.push_back(
        std::make_unique<cElement>(Labelled(ET_FILL, box.center().x(), box.center().y(), "", fill, border)));
    return symbol;
}

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (ImageSurface* s : std::initializer_list<ImageSurface*>{&screen, &paper}) {
            s->SetFontName("Courier New");
            s->SetFontSize(10);
            s->SetBackColor(kWhite);
            s->Cls();
        }
    }

    ElementPainter Painter() const { return ElementPainter(scale, palette, background); }
    void Paint(cElement& e, int32_t visible = -1, int16_t clearBackground = 0) {
        Painter().PaintElement(screen, e, visible, clearBackground);
    }
    // Paints `e` over what `s` shows; the pens are given back and paper gets no hit boxes.
    void Draw(ImageSurface& s, cElement e, int32_t visible = -1) {
        Painter().PaintElement(s, e, visible, 0);
        EXPECT_EQ(std::tuple(s.DrawStyle(), s.FillStyle()), std::tuple(DS_SOLID, FS_TRANSPARENT));
        EXPECT_TRUE(&s == &screen || e.m_ScanBox_X1 == -1) << "a printout sets no hit box";
    }

    static void Check(const ImageSurface& s, std::initializer_list<Expect> expected,
                      const std::string& what) {
        for (const auto& [area, colour, pixels] : expected) {
            int n = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    n += RgbToColour(s.Image().pixel(x, y)) == colour;
            const int wanted = pixels == kAll ? area.width() * area.height() : pixels;
            EXPECT_TRUE(pixels == kSome ? n > 0 : n == wanted)
                << what << ": " << n << " of " << std::hex << colour << " at " << std::dec << area.x() << ","
                << area.y();
        }
    }

    // The box a text gets: from one pixel left of it to its end, one text line high.
    QRect TextBox(int x, int y, const std::string& text) const {
        return QRect(x - 1, y, static_cast<int>(screen.TextWidth(text)) + 1,
                     static_cast<int>(screen.TextHeight("8")));
    }

    ScaleMembers scale;
    Palette palette = {kBlack, kRed, kGreen, kBlue, kYellow, kWhite, kGrey, 0x808080, 0};
    Colour background = kGrey;
    ImageSurface screen{QSize(200, 120)};
    Paper paper{QSize(200, 120)};
};

TEST_F(PaintTest, TextsLinesBoxesAndFills) {
    Draw(screen, Labelled(ET_TEXT, 20, 30, "AB", kRed));
    Draw(screen, Labelled(ET_TEXT, 60, 30, "W", kRed, kBlue));
    Draw(screen, Labelled(ET_TEXT, 60, 60, "W", kRed, kBlue), 0);
    cElement transparent = Labelled(ET_TEXT, 100, 30, "8", kRed, kBlue);
    transparent.m_Transparent = 1;
    Draw(screen, std::move(transparent));
    Draw(screen, Labelled(ET_PICTURELINK, 100, 60, "Bi", kBlue, kYellow), 0);
    Check(screen,
          {At(19, 30, kGrey), In(TextBox(20, 30, "AB"), kRed, kSome), At(59, 30, kBlue),
           In(TextBox(60, 60, "W"), kGrey, kAll), In(TextBox(100, 30, "8"), kBlue, 0),
           In(TextBox(100, 30, "8"), kRed, kSome), At(99, 60, kYellow),
           In(TextBox(100, 60, "Bi"), kBlue, kSome)},
          "the picture's colour, its own, erased, transparent, an erased link drawn as a visible one");

    screen.Cls();
    Draw(screen, Element(ET_LINE, 0, 0, 10, 0, kRed, 1));
    Draw(screen, Element(ET_LINE, 20, 30, 80, 30, kBlue, 4));
    Draw(screen, Element(ET_LINE, 20, 60, 80, 60, kBlue, 3));
    Draw(screen, Element(ET_LINE, 120, 10, 122, 80, kBlue, 4));
    Check(screen,
          {In(QRect(0, 0, 11, 1), kRed, kAll), At(11, 0, kWhite), In(QRect(0, 1, 11, 1), kRed, 0),
           In(QRect(40, 29, 1, 4), kBlue, kAll), In(QRect(40, 20, 1, 20), kBlue, 4),
           In(QRect(40, 60, 1, 2), kBlue, kAll), In(QRect(40, 50, 1, 20), kBlue, 2),
           In(QRect(120, 45, 4, 1), kBlue, kAll), In(QRect(110, 45, 25, 1), kBlue, 4)},
          "both ends; offsets 0, +1, -1, +2 and 0, 0, +1; a steep line thickened sideways");

    screen.Cls();
    cElement filled = Element(ET_BOX, 30, 40, 10, 20, kBlue, 1);
    filled.m_Filled = 1;
    Draw(screen, std::move(filled));
    Draw(screen, Element(ET_BOX, 90, 50, 50, 10, kRed, 3));
    Draw(screen, Element(ET_BOX, 100, 10, 120, 30, kRed));
    Draw(screen, FilledWithin(QRect(QPoint(100, 55), QPoint(150, 95)), kRed, kGreen));
    Check(screen,
          {In(QRect(10, 20, 21, 21), kBlue, kAll), In(QRect(9, 19, 23, 23), kBlue, 21 * 21),
           In(QRect(50, 30, 3, 1), kRed, kAll), In(QRect(88, 30, 3, 1), kRed, kAll),
           In(QRect(40, 30, 60, 1), kRed, 6), In(QRect(100, 10, 21, 21), kRed, 0),
           In(QRect(101, 56, 49, 39), kGreen, kAll), At(100, 75, kRed), At(155, 75, kWhite)},
          "corners put in order, outlines grown inwards, none at thickness 0, a fill stopped by its border");
}

TEST_F(PaintTest, CirclesArcsAndPieSlices) {
    const struct {
        std::array<int32_t, 8> figure; // option, visible, x1, y1, x2, y2, start and end angle
        std::initializer_list<Expect> expected;
        const char* what;
    } cases[] = {
        {{2, -1, 20, 20, 60, 60, 0, 360}, {At(40, 40, kGreen), At(60, 40, kBlue)}, "filled from the palette"},
        {{2, 0, 20, 20, 60, 60, 0, 360}, {At(40, 40, kGrey), At(60, 40, kGrey)}, "erased: the background"},
        {{1, -1, 20, 20, 60, 60, 0, 90},
         {At(48, 32, kRed), At(32, 48, kWhite), At(50, 40, kBlue), At(40, 30, kBlue)},
         "a filled quarter is a pie slice, with a radius at angle 0 too"},
        {{9, -1, 20, 20, 60, 60, 0, 180},
         {At(40, 20, kBlue), At(30, 40, kWhite)},
         "an outline arc has no radii"},
        {{8, -1, 10, 10, 90, 30, 0, 360}, {At(10, 20, kBlue), At(50, 10, kBlue)}, "an ellipse"},
        {{8, -1, 130, 10, 130, 90, 0, 360}, {At(130, 30, kBlue), At(110, 22, kWhite)}, "no width: a line"},
    };
    for (const auto& c : cases) {
        const auto [option, visible, x1, y1, x2, y2, start, end] = c.figure;
        cElement e = Element(ET_CIRCLE, x1, y1, x2, y2, kBlue);
        e.m_Option = option;
        e.m_StartAngle = start;
        e.m_EndAngle = end;
        screen.Cls();
        Draw(screen, std::move(e), visible);
        Check(screen, c.expected, c.what);
    }
}

// Yellow is unreadable on paper and white invisible; a black picture background gives texts no boxes.
TEST_F(PaintTest, PaperGetsItsOwnColoursThinDotsNoPaletteFillsAndNoHitBoxes) {
    background = kBlack;
    paper.SetDrawWidth(5);
    Draw(paper, Element(ET_LINE, 0, 10, 50, 10, kYellow, 2));
    Draw(paper, Element(ET_LINE, 0, 20, 50, 20, kWhite, 2));
    Draw(paper, Labelled(ET_TEXT, 60, 10, "T", kWhite));
    Draw(paper, Labelled(ET_TEXT, 60, 25, "T", kWhite), 0);
    Draw(paper, Labelled(ET_PICTURELINK, 60, 40, "Bi", kWhite, kYellow));
    Draw(paper, Labelled(ET_DYNVALUE, 60, 70, "5", kRed, kBlue));
    Draw(paper, FilledWithin(QRect(QPoint(100, 10), QPoint(140, 50)), kWhite, kBlack));
    Draw(paper, FilledWithin(QRect(QPoint(100, 60), QPoint(140, 100)), kWhite, kRed));
    cElement dotted = Element(ET_LINE, 0, 50, 50, 50, kRed, 1);
    dotted.m_Dashed = 1;
    Draw(paper, std::move(dotted));
    cElement circle = Element(ET_CIRCLE, 150, 0, 190, 40, kBlue);
    circle.m_Option = 2;
    circle.m_EndAngle = 360;
    Draw(paper, std::move(circle));
    EXPECT_EQ(paper.DrawWidth(), 5);
    Check(paper,
          {At(25, 10, kOrange), At(25, 20, kBlack), At(59, 10, kWhite),
           In(TextBox(60, 10, "T"), kBlack, kSome), In(TextBox(60, 25, "T"), kBlack, 0), At(59, 40, kBlue),
           In(TextBox(60, 40, "Bi"), kWhite, kSome), In(TextBox(60, 70, "5"), kBlue, kSome),
           In(TextBox(60, 70, "5"), kRed, kSome), At(120, 30, kWhite), At(120, 80, kRed), At(145, 80, kWhite),
           In(QRect(0, 45, 51, 5), kRed, 0), In(QRect(0, 51, 51, 5), kRed, 0), At(0, 50, kRed),
           At(50, 50, kRed), At(170, 20, kWhite), At(190, 20, kBlue)},
          "mapped colours, texts without boxes, a link in a blue box, a value, a black fill left out, a fill "
          "stopped by its border as printed, one pixel wide dots, no palette fill");
}

TEST_F(PaintTest, ValueKeepsItsUnitsDigitInTheCellOfX1) {
    scale.m_XMul = 2;
    scale.m_XAdd = 3;
    const int cell = static_cast<int>(RoundHalfEven(screen.TextWidth("8")));
    const struct {
        int32_t decimals;
        const char* text;
        int shift; // where the text and its box start, in digit cells from X1
    } cases[] = {
        {2, "12.34", -1}, {2, "5.00", 0}, {2, "-123.45", -3}, {0, "123", -2}, {0, "7", 0}, {1, "0.5", 0},
    };
    for (const auto& test : cases) {
        cElement e = Labelled(ET_DYNVALUE, 50, 20, test.text, kRed, kBlue);
        e.m_Decimals = test.decimals;
        screen.Cls();
        Paint(e);
        const int x = 50 * 2 + 3 + test.shift * cell;
        const QRect box = TextBox(x, 20, test.text).adjusted(1, 0, 0, 0);
        Check(screen, {At(x - 1, 25, kWhite), At(x, 20, kBlue), In(box, kRed, kSome)}, test.text);
        // The hit box reaches from the text's start to where the text would end unshifted.
        EXPECT_EQ(std::tuple(e.m_ScanBox_X1, e.m_ScanBox_X2, e.m_ScanBox_Y2),
                  std::tuple(x, RoundHalfEven(x + 3 + screen.TextWidth(test.text) - test.shift * cell),
                             20 + RoundHalfEven(screen.TextHeight("8"))))
            << test.text;
        Paint(e, 0);
        Check(screen, {In(box, kRed, 0), In(box, kBlue, kAll)}, std::string("erased ") + test.text);
    }
    screen.Cls();
    Draw(screen, Labelled(ET_DYNVALUE, 40, 30, "", kRed, kBlue));
    Check(screen, {In(screen.Image().rect(), kBlue, 0)}, "an empty value draws no box");
}

// A state group whose children are texts in their own colour on a blue box, child 5 beside the others.
TEST_F(PaintTest, GroupShowsTheChildOfItsRoundedValueAndErasesTheOneBeforeUnlessTheSurfaceWasCleared) {
    cElement group = Element(ET_DYNGROUP, 10, 10);
    for (const auto& [position, colour] :
         {std::pair(0, kRed), {2, kGreen}, {4, kBlack}, {5, kGreen}, {15, kYellow}}) {
        auto child = std::make_unique<cElement>(
            Labelled(ET_TEXT, position == 5 ? 60 : 10, 10, "p" + std::to_string(position), colour, kBlue));
        child->m_DynamicElementRealPosition = position;
        group.m_DynamicElements.push_back(std::move(child));
    }
    const QRect left(9, 10, 30, 14), right = TextBox(60, 10, "p5");
    const struct {
        int32_t status;
        double value;
        int16_t clearBackground;
        Colour left; // kWhite: no child shown there
        bool right;
    } steps[] = {
        {1, 15.4, 0, kYellow, false}, {1, 15.6, 0, kRed, false}, {1, 2.5, 0, kGreen, false},
        {1, 3.5, 0, kBlack, false},   {0, 2, 0, kRed, false},    {1, 5, 0, kWhite, true},
        {1, -0.2, -1, kRed, true},    {1, 7, 0, kWhite, true},
    };
    for (const auto& step : steps) {
        group.m_Status = step.status;
        group.m_Value = step.value;
        Paint(group, -1, step.clearBackground);
        const std::string what = "at " + std::to_string(step.value);
        Check(
            screen,
            {In(left, kRed, step.left == kRed ? kSome : 0), In(left, kGreen, step.left == kGreen ? kSome : 0),
             In(left, kBlack, step.left == kBlack ? kSome : 0),
             In(left, kYellow, step.left == kYellow ? kSome : 0), In(right, kGreen, step.right ? kSome : 0)},
            what);
    }
    EXPECT_EQ(std::tuple(group.m_ScanBox_X1, group.m_ScanBox_X2), std::tuple(10, -1));
    EXPECT_EQ(group.m_LastDynamicElementPosition, 0) << "no child at 7: the last position stays";
}

// A level of symbols costs its record head and colour byte, the line inside 14 bytes.
TEST_F(PaintTest, SymbolsNestedAsDeepAsPictureDataHoldsAndOnlyTheScreenIsClearedFirst) {
    PictureWriter nested;
    nested.line(0, 1, false, 10, 50, 150, 50);
    for (int level = 0; level < (PictureParser::kBufferSize - 14) / 4; ++level)
        nested = PictureWriter().symbol(8, nested);
    ElementList elements;
    PictureParser(palette, 8, 14).ExtractAllElements(nested.data(), elements);
    Painter().PaintAllElements(screen, elements, -1);
    Check(screen, {At(80, 50, kBlack), At(150, 90, kGrey)}, "drawn on the picture background");
    Paint(*elements.front(), 0);
    Check(screen, {At(80, 50, kGrey)}, "erased with all its children");

    paper.SetPixel(150, 90, kBlue);
    Painter().PaintAllElements(paper, elements, -1);
    Check(paper, {At(80, 50, kBlack), At(150, 90, kBlue)}, "paper is not cleared");
}

} // namespace
} // namespace pelorin::test
