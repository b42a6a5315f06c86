// Every element type painted on real image surfaces and checked by its pixels, and what the painting
// code does differently on paper. The painter is built alone, at unit scale on a grey picture.

#include "picture/ElementPainter.h"
#include "core/ClientProcs.h"
#include "platform/Colour.h"
#include "platform/ImageSurface.h"

#include <array>
#include <gtest/gtest.h>
#include <map>
#include <tuple>
#include <vector>

namespace pelorin::test {
namespace {

constexpr Colour kGrey = 0xC0C0C0;

// Paper as the painting code sees it, on an image that can be read back.
class Paper : public ImageSurface {
public:
    using ImageSurface::ImageSurface;
    bool IsPrinter() const override { return true; }
};

using Probes = std::initializer_list<std::tuple<int, int, Colour>>;

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
    void Print(cElement& e, int32_t visible = -1) { Painter().PaintElement(paper, e, visible, 0); }

    static Colour At(const ImageSurface& s, int x, int y) { return RgbToColour(s.Image().pixel(x, y)); }
    Colour At(int x, int y) const { return At(screen, x, y); }

    static int Count(const ImageSurface& s, QRect area, Colour colour) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += At(s, x, y) == colour ? 1 : 0;
        return n;
    }
    int Count(QRect area, Colour colour) const { return Count(screen, area, colour); }

    void ExpectPixels(const ImageSurface& s, Probes probes, const char* what) {
        for (const auto& [x, y, colour] : probes)
            EXPECT_EQ(At(s, x, y), colour) << what << " at " << x << "," << y;
    }

    // The width of the digit cell the painting code aligns values to.
    int Cell() const { return static_cast<int>(RoundHalfEven(screen.TextWidth("8"))); }

    ScaleMembers scale;
    Palette palette = {kBlack, kRed, kGreen, kBlue, kYellow, kWhite, kGrey, 0x808080, 0};
    Colour background = kGrey;
    ImageSurface screen{QSize(160, 100)};
    Paper paper{QSize(160, 100)};
};

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
cElement Labelled(int32_t type, int32_t x, int32_t y, const std::string& text, Colour fore,
                  Colour back = kBlack) {
    cElement e = Element(type, x, y, 0, 0, fore);
    e.m_Text = text;
    e.m_BCol = back;
    return e;
}

using PaintPrimitives = PaintTest;

TEST_F(PaintPrimitives, TextBoxesTakeTheirBackgroundAndErasingLeavesOnlyTheBox) {
    // The box starts one pixel left of the text.
    const auto box = [this](int x, const char* text) {
        return QRect(x - 1, 30, static_cast<int>(screen.TextWidth(text)) + 1,
                     static_cast<int>(screen.TextHeight("8")));
    };
    cElement plain = Labelled(ET_TEXT, 20, 30, "AB", kRed);
    Paint(plain);
    EXPECT_EQ(At(18, 30), kWhite);
    EXPECT_EQ(At(19, 30), kGrey) << "no colour of its own: the picture background";
    EXPECT_GT(Count(box(20, "AB"), kRed), 10);
    EXPECT_EQ(Count(box(20, "AB"), kWhite), 0);

    cElement own = Labelled(ET_TEXT, 60, 30, "W", kRed, kBlue);
    Paint(own);
    EXPECT_EQ(At(59, 30), kBlue);
    Paint(own, 0);
    EXPECT_EQ(Count(box(60, "W"), kGrey), box(60, "W").width() * box(60, "W").height());

    cElement transparent = Labelled(ET_TEXT, 100, 30, "8", kRed, kBlue);
    transparent.m_Transparent = 1;
    Paint(transparent);
    EXPECT_EQ(Count(box(100, "8"), kBlue), 0);
    EXPECT_GT(Count(box(100, "8"), kRed), 5);
}

TEST_F(PaintPrimitives, LinesSetBothEndsAndThickenAroundTheMiddle) {
    cElement thin = Element(ET_LINE, 0, 0, 10, 0, kRed, 1);
    Paint(thin);
    EXPECT_EQ(Count(QRect(0, 0, 11, 1), kRed), 11) << "both end pixels";
    EXPECT_EQ(At(11, 0), kWhite);
    EXPECT_EQ(At(5, 1), kWhite);

    // Offsets: thickness 4 gives 0, +1, -1, +2; thickness 3 gives 0, 0, +1.
    struct Case {
        int thickness;
        std::vector<int> rows;
    };
    for (const Case& test : {Case{4, {49, 50, 51, 52}}, Case{3, {50, 51}}, Case{2, {50, 51}}}) {
        screen.Cls();
        cElement e = Element(ET_LINE, 20, 50, 80, 50, kBlue, test.thickness);
        Paint(e);
        std::vector<int> drawn;
        for (int y = 40; y <= 60; ++y)
            if (At(40, y) == kBlue)
                drawn.push_back(y);
        EXPECT_EQ(drawn, test.rows) << "thickness " << test.thickness;
    }

    screen.Cls();
    cElement steep = Element(ET_LINE, 50, 10, 52, 80, kBlue, 4);
    Paint(steep);
    std::vector<int> columns;
    for (int x = 40; x < 65; ++x)
        if (At(x, 45) == kBlue)
            columns.push_back(x);
    ASSERT_EQ(columns.size(), 4u) << "a mostly vertical line is thickened sideways";
    EXPECT_EQ(columns.back() - columns.front(), 3) << "side by side";
    EXPECT_EQ(Count(QRect(40, 5, 25, 3), kBlue), 0);

    cElement dotted = Element(ET_LINE, 0, 90, 60, 90, kRed, 1);
    dotted.m_Dashed = 1;
    Paint(dotted);
    const int dots = Count(QRect(0, 90, 60, 1), kRed);
    EXPECT_GT(dots, 20);
    EXPECT_LT(dots, 45);
    EXPECT_EQ(screen.DrawStyle(), DS_SOLID);
}

TEST_F(PaintPrimitives, BoxCornersArePutInOrderTheOutlineGrowsInwardsAndFillsStopAtTheirBorder) {
    cElement filled = Element(ET_BOX, 30, 40, 10, 20, kBlue, 1);
    filled.m_Filled = 1;
    Paint(filled);
    EXPECT_EQ(std::tuple(filled.m_X1, filled.m_Y1, filled.m_X2, filled.m_Y2), std::tuple(10, 20, 30, 40));
    EXPECT_EQ(Count(QRect(10, 20, 21, 21), kBlue), 21 * 21);
    ExpectPixels(screen, {{9, 20, kWhite}, {31, 40, kWhite}, {30, 41, kWhite}}, "outside");

    cElement thick = Element(ET_BOX, 50, 10, 90, 50, kRed, 3);
    Paint(thick);
    EXPECT_EQ(Count(QRect(50, 30, 41, 1), kRed), 6) << "three pixels inwards on either side";
    EXPECT_EQ(At(52, 30), kRed);
    EXPECT_EQ(At(88, 30), kRed);

    cElement none = Element(ET_BOX, 100, 10, 120, 30, kRed);
    Paint(none);
    EXPECT_EQ(Count(QRect(100, 10, 21, 21), kRed), 0) << "thickness 0 draws no outline";

    cElement fill = Element(ET_FILL, 70, 30, 0, 0, kGreen);
    fill.m_BCol = kRed;
    Paint(fill);
    EXPECT_EQ(Count(QRect(53, 13, 35, 35), kGreen), 35 * 35);
    ExpectPixels(screen, {{52, 30, kRed}, {95, 30, kWhite}}, "the border stops the fill");
}

TEST_F(PaintPrimitives, CirclesEllipsesArcsAndPieSlices) {
    const struct {
        std::array<int32_t, 8> figure; // option, visible, x1, y1, x2, y2, start and end angle
        Probes probes;
        const char* what;
    } cases[] = {
        {{2, -1, 20, 20, 60, 60, 0, 360},
         {{40, 40, kGreen}, {60, 40, kBlue}, {20, 40, kBlue}, {21, 21, kWhite}},
         "filled from the palette"},
        {{2, -1, 20, 20, 60, 60, 45, 405}, {{47, 33, kGreen}}, "a full turn from any start has no radius"},
        {{2, 0, 20, 20, 60, 60, 0, 360},
         {{40, 40, kGrey}, {60, 40, kGrey}},
         "erased: filled with the background"},
        {{8, -1, 20, 20, 60, 60, 90, -270}, {{40, 40, kWhite}, {40, 20, kBlue}}, "outline"},
        {{1, -1, 20, 20, 60, 60, 0, 90},
         {{48, 32, kRed}, {32, 48, kWhite}, {50, 40, kBlue}, {40, 30, kBlue}},
         "a filled quarter is a pie slice, with a radius at angle 0 too"},
        {{9, -1, 20, 20, 60, 60, 0, 180},
         {{40, 20, kBlue}, {40, 60, kWhite}, {30, 40, kWhite}, {50, 40, kWhite}},
         "an outline arc has no radii"},
        {{8, -1, 10, 10, 90, 30, 0, 360},
         {{10, 20, kBlue}, {90, 20, kBlue}, {50, 10, kBlue}, {50, 30, kBlue}, {50, 20, kWhite}},
         "an ellipse takes the longer half axis"},
        {{8, -1, 130, 10, 130, 90, 0, 360},
         {{130, 30, kBlue}, {130, 70, kBlue}, {90, 50, kWhite}, {110, 22, kWhite}},
         "a figure without width is a line, not a circle"},
    };
    for (const auto& c : cases) {
        screen.Cls();
        const auto [option, visible, x1, y1, x2, y2, start, end] = c.figure;
        cElement e = Element(ET_CIRCLE, x1, y1, x2, y2, kBlue);
        e.m_Option = option;
        e.m_StartAngle = start;
        e.m_EndAngle = end;
        Paint(e, visible);
        ExpectPixels(screen, c.probes, c.what);
        EXPECT_EQ(screen.FillStyle(), FS_TRANSPARENT);
    }
}

TEST_F(PaintPrimitives, SymbolDrawsItsChildrenWithTheSameVisibility) {
    cElement symbol = Element(ET_SYMBOL, 0, 0);
    symbol.m_SymbolElements.push_back(
        std::make_unique<cElement>(Labelled(ET_TEXT, 30, 30, "S", kRed, kBlue)));
    Paint(symbol);
    EXPECT_GT(Count(QRect(29, 30, 10, 14), kRed), 3);
    Paint(symbol, 0);
    EXPECT_EQ(Count(QRect(29, 30, 10, 14), kRed), 0);
    EXPECT_EQ(At(29, 30), kGrey);
}

using PaintDynamic = PaintTest;

TEST_F(PaintDynamic, ValueKeepsItsUnitsDigitInTheCellOfX1) {
    scale.m_XMul = 2;
    scale.m_XAdd = 3;
    const struct {
        int32_t decimals;
        const char* text;
        int shift; // where the text and its box start, in digit cells from X1
    } cases[] = {
        {2, "12.34", -1}, {2, "5.00", 0}, {2, "-123.45", -3}, {0, "123", -2}, {0, "7", 0}, {1, "0.5", 0},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.text);
        screen.Cls();
        cElement e = Labelled(ET_DYNVALUE, 50, 20, test.text, kRed, kBlue);
        e.m_Decimals = test.decimals;
        Paint(e);
        const int x = 50 * 2 + 3 + test.shift * Cell();
        const int width = static_cast<int>(screen.TextWidth(test.text));
        EXPECT_EQ(At(x - 1, 25), kWhite);
        EXPECT_EQ(At(x, 20), kBlue);
        EXPECT_GT(Count(QRect(x, 20, width, 14), kRed), 5);
        // The hit box reaches from the text's start to where the text would end unshifted.
        EXPECT_EQ(e.m_ScanBox_X1, x);
        EXPECT_EQ(e.m_ScanBox_X2, RoundHalfEven(x + 3 + screen.TextWidth(test.text) - test.shift * Cell()));
        EXPECT_EQ(e.m_ScanBox_Y1, 20);
        EXPECT_EQ(e.m_ScanBox_Y2, 20 + RoundHalfEven(screen.TextHeight("8")));
        // Erased, the box stays and the text goes.
        Paint(e, 0);
        EXPECT_EQ(Count(QRect(x, 20, width, 14), kRed), 0);
        EXPECT_EQ(Count(QRect(x, 20, width, 14), kBlue), width * 14);
    }
    screen.Cls();
    cElement empty = Labelled(ET_DYNVALUE, 40, 30, "", kRed, kBlue);
    Paint(empty);
    EXPECT_EQ(Count(QRect(0, 0, 160, 100), kBlue), 0) << "an empty value draws no box";
}

// A state group whose children are texts in their own colour on a blue box, child 5 beside the others.
cElement Group(std::initializer_list<int32_t> positions, int32_t defaultPosition) {
    const std::map<int32_t, Colour> colours = {{0, kRed},   {2, kGreen}, {3, kRed},
                                               {4, kBlack}, {5, kGreen}, {15, kYellow}};
    cElement group = Element(ET_DYNGROUP, 10, 10);
    group.m_DefaultDynamicElementPosition = defaultPosition;
    for (int32_t position : positions) {
        auto child =
            std::make_unique<cElement>(Labelled(ET_TEXT, position == 5 ? 60 : 10, 10,
                                                "p" + std::to_string(position), colours.at(position), kBlue));
        child->m_DynamicElementRealPosition = position;
        group.m_DynamicElements.push_back(std::move(child));
    }
    return group;
}

TEST_F(PaintDynamic, GroupValueChoosesTheChildRoundingHalvesToEven) {
    const struct {
        int32_t status;
        double value;
        Colour shown; // kWhite: no child at that position
    } cases[] = {
        {1, 15.4, kYellow}, {1, 15.6, kRed}, {1, -0.2, kRed}, {1, 2.5, kGreen},
        {1, 3.5, kBlack},   {0, 2, kRed},    {1, 7, kWhite},
    };
    const QRect area(9, 10, 30, 14);
    for (const auto& test : cases) {
        SCOPED_TRACE(test.value);
        screen.Cls();
        cElement group = Group({0, 2, 4, 15}, 0);
        group.m_Status = test.status;
        group.m_Value = test.value;
        Paint(group);
        for (Colour colour : {kRed, kGreen, kBlack, kYellow})
            EXPECT_EQ(Count(area, colour) > 0, colour == test.shown) << "colour " << colour;
    }
}

TEST_F(PaintDynamic, GroupErasesThePreviousChildUnlessTheSurfaceWasCleared) {
    const int width = static_cast<int>(screen.TextWidth("p3")) + 1;
    const QRect child3(9, 10, width, 14), child5(59, 10, width, 14);
    cElement group = Group({3, 5}, 9);
    group.m_Status = 1;
    group.m_Value = 3;
    Paint(group);
    EXPECT_GT(Count(child3, kBlue), 0);

    group.m_Value = 5;
    Paint(group);
    EXPECT_EQ(Count(child3, kGrey), child3.width() * child3.height()) << "child 3 erased";
    EXPECT_GT(Count(child5, kGreen), 0);
    EXPECT_EQ(group.m_LastDynamicElementPosition, 5);

    group.m_Value = 3;
    Paint(group, -1, -1);
    EXPECT_GT(Count(child5, kGreen), 0) << "after a cleared surface nothing is erased";
    EXPECT_GT(Count(child3, kRed), 0);
    EXPECT_EQ(group.m_ScanBox_X1, 10);
    EXPECT_EQ(group.m_ScanBox_X2, -1);

    group.m_Value = 7;
    Paint(group);
    EXPECT_EQ(group.m_LastDynamicElementPosition, 3) << "no child at 7: the last position stays";
}

TEST_F(PaintDynamic, PictureLinkIsDrawnTheSameWhenErasedAndKeepsItsFirstHitBox) {
    cElement link = Labelled(ET_PICTURELINK, 30, 40, "Bi", kBlue, kYellow);
    Paint(link, 0);
    EXPECT_EQ(At(29, 40), kYellow);
    EXPECT_GT(Count(QRect(30, 40, 20, 14), kBlue), 5);
    EXPECT_EQ(link.m_ScanBox_X1, 30);
    EXPECT_EQ(link.m_ScanBox_Y1, 40);
    EXPECT_EQ(link.m_ScanBox_X2, RoundHalfEven(30 + screen.TextWidth("Bi")));
    scale.m_XMul = 2;
    Paint(link);
    EXPECT_EQ(link.m_ScanBox_X1, 30);
}

TEST_F(PaintDynamic, PaintAllClearsTheScreenToTheBackgroundButNotThePaper) {
    ElementList elements;
    elements.push_back(std::make_unique<cElement>(Labelled(ET_TEXT, 5, 5, "X", kRed)));
    Painter().PaintAllElements(screen, elements, -1);
    EXPECT_EQ(At(150, 90), kGrey);
    EXPECT_GT(Count(QRect(5, 5, 10, 14), kRed), 3);
    paper.SetPixel(150, 90, kBlue);
    Painter().PaintAllElements(paper, elements, -1);
    EXPECT_EQ(At(paper, 150, 90), kBlue);
    EXPECT_GT(Count(paper, QRect(5, 5, 10, 14), kRed), 3);
}

TEST_F(PaintDynamic, PaperGetsItsOwnColoursThinDotsAndNoPaletteFills) {
    // Yellow is unreadable on paper and becomes orange; white becomes black; other colours stay.
    int y = 10;
    for (const auto& [colour, printed] : {std::pair{kYellow, kOrange}, {kWhite, kBlack}, {kRed, kRed}}) {
        cElement line = Element(ET_LINE, 0, y, 50, y, colour, 2);
        Print(line);
        Paint(line);
        EXPECT_EQ(At(paper, 25, y), printed);
        EXPECT_EQ(At(25, y), colour);
        y += 10;
    }

    // On a black picture background texts get no boxes on paper, visible or erased.
    background = kBlack;
    cElement text = Labelled(ET_TEXT, 60, 10, "T", kWhite);
    Print(text);
    Print(text, 0);
    EXPECT_EQ(At(paper, 59, 10), kWhite);
    EXPECT_GT(Count(paper, QRect(60, 10, 10, 14), kBlack), 3) << "white text printed black";

    // Links are blue boxes on paper with the text in its stored colour.
    cElement link = Labelled(ET_PICTURELINK, 60, 40, "Bi", kWhite, kYellow);
    Print(link);
    EXPECT_EQ(At(paper, 59, 40), kBlue);
    EXPECT_GT(Count(paper, QRect(60, 40, 16, 14), kWhite), 3);

    // Fills in black are left out; the border colour is mapped like the others.
    cElement border = Element(ET_BOX, 100, 10, 140, 50, kWhite, 1);
    Print(border);
    cElement fill = Element(ET_FILL, 120, 30, 0, 0, kBlack);
    fill.m_BCol = kWhite;
    Print(fill);
    EXPECT_EQ(At(paper, 120, 30), kWhite);
    fill.m_FCol = kRed;
    Print(fill);
    EXPECT_EQ(At(paper, 120, 30), kRed);
    EXPECT_EQ(At(paper, 150, 30), kWhite) << "bounded by the border as printed";

    // Dots with a thin pen, which is then given back; no palette fills.
    paper.Cls();
    paper.SetDrawWidth(5);
    cElement line = Element(ET_LINE, 0, 50, 50, 50, kRed, 1);
    line.m_Dashed = 1;
    Print(line);
    EXPECT_GT(Count(paper, QRect(0, 50, 51, 1), kRed), 10);
    EXPECT_EQ(Count(paper, QRect(0, 46, 51, 9), kRed), Count(paper, QRect(0, 50, 51, 1), kRed))
        << "one pixel wide";
    ExpectPixels(paper, {{0, 50, kRed}, {50, 50, kRed}}, "both end pixels");
    EXPECT_EQ(paper.DrawWidth(), 5);
    EXPECT_EQ(paper.DrawStyle(), DS_SOLID);

    cElement circle = Element(ET_CIRCLE, 60, 0, 100, 40, kBlue);
    circle.m_Option = 2;
    circle.m_EndAngle = 360;
    Print(circle);
    EXPECT_EQ(At(paper, 80, 20), kWhite);
    EXPECT_EQ(paper.FillStyle(), FS_TRANSPARENT);
}

} // namespace
} // namespace pelorin::test
