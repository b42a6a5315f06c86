#pragma once

#include "core/Colours.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pelorin {

// The fixed-pitch font of the picture, the printouts and the text boxes unless the user picks another.
constexpr const char* kFixedPitchFont = "Courier New";

enum class LineKind { Plain, Box, FilledBox };
enum DrawStyleValue : int { DS_SOLID = 0, DS_DOT = 2 };
enum DrawModeValue : int { DM_XOR_PEN = 7, DM_COPY_PEN = 13 };
enum FillStyleValue : int { FS_SOLID = 0, FS_TRANSPARENT = 1 };

// A drawing target: the picture box on screen, the curve box, or the printer. Coordinates are the
// surface's pixels; text is byte text (Latin-1).
class PaintSurface {
public:
    virtual ~PaintSurface() = default;

    virtual bool IsPrinter() const = 0;
    virtual double ScaleWidth() const = 0;
    virtual double ScaleHeight() const = 0;

    // Font
    virtual void SetFontName(const std::string& name) = 0;
    virtual std::string FontName() const = 0;
    virtual void SetFontSize(double points) = 0;
    virtual double FontSize() const = 0;
    virtual void SetFontBold(bool bold) = 0;
    virtual bool FontBold() const = 0;
    virtual void SetFontItalic(bool italic) = 0;
    virtual bool FontItalic() const = 0;

    // Text: measured in the current font; Print draws with its top-left at (CurrentX, CurrentY)
    // in ForeColor with no background, then moves the position to the end of the text (or to the
    // start of the next line when the text ends with a line end).
    virtual double TextWidth(const std::string& text) const = 0;
    virtual double TextHeight(const std::string& text) const = 0;
    virtual void SetCurrentX(double x) = 0;
    virtual void SetCurrentY(double y) = 0;
    virtual double CurrentX() const = 0;
    virtual double CurrentY() const = 0;
    virtual void Print(const std::string& text) = 0;

    virtual void SetForeColor(Colour c) = 0;
    virtual Colour ForeColor() const = 0;
    virtual void SetBackColor(Colour c) = 0;
    virtual Colour BackColor() const = 0;
    // Clears the whole surface to BackColor (on the printer: nothing is put on paper).
    virtual void Cls() = 0;

    // A plain line leaves out its last pixel; Box and FilledBox include both corners.
    virtual void Line(double x1, double y1, double x2, double y2, Colour c,
                      LineKind kind = LineKind::Plain) = 0;
    // An ellipse centred at (x, y): the radius is the horizontal half-axis when aspect <= 1, else the
    // vertical one; aspect = vertical / horizontal. With start and end (radians, counter-clockwise
    // from the positive x axis) an arc; a negative angle adds a radius line to that end. Closed
    // figures are filled according to FillStyle and FillColor.
    virtual void Circle(double x, double y, double radius, Colour c,
                        std::optional<double> start = std::nullopt, std::optional<double> end = std::nullopt,
                        double aspect = 1.0) = 0;

    virtual void SetDrawWidth(int width) = 0;
    virtual int DrawWidth() const = 0;
    virtual void SetDrawStyle(int style) = 0;
    virtual int DrawStyle() const = 0;
    virtual void SetDrawMode(int mode) = 0;
    virtual int DrawMode() const = 0;
    virtual void SetFillStyle(int style) = 0;
    virtual int FillStyle() const = 0;
    virtual void SetFillColor(Colour c) = 0;
    virtual Colour FillColor() const = 0;

    // Device-level operations: fill the region around (x, y) bounded by pixels of `border` with
    // the current FillColor (when FillStyle is solid), and set one pixel.
    virtual void FloodFill(int x, int y, Colour border) = 0;
    virtual void SetPixel(int x, int y, Colour c) = 0;
};

} // namespace pelorin
