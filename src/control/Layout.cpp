#include "control/PelorinControl.h"
#include "platform/PictureBox.h"
#include "platform/Screen.h"
#include "platform/Widgets.h"

#include <algorithm>

// The layout for the chosen resolution: the picture's scale, the picture box's pixels, the control
// around it, the toolbar row, the picture font, the centred panels and the overlays.

namespace pelorin {

namespace {

constexpr double kLogicalWidth = 640;
constexpr double kLogicalHeight = 474;
// Host and stored values are not trusted: a picture side stays within what a screen can show.
constexpr int32_t kLargestPictureSide = 4096;
// The picture font stays within what can be rendered; the automatic size is measured at 100 points.
constexpr double kLargestFontSize = 1000;
constexpr double kMeasuringFontSize = 100;
constexpr double kRowFontSizeWhilePlacing = 2;
constexpr double kRowFontSize = 8;

int32_t PictureSide(int32_t pixels) {
    return std::clamp(pixels, 1, kLargestPictureSide);
}

} // namespace

void PelorinControl::UpdateSize() {
    const double tx = Screen::TwipsPerPixelX();
    const double ty = Screen::TwipsPerPixelY();
    const int32_t width = PictureSide(m_Width);
    const int32_t height = PictureSide(m_Height);
    m_XMul = static_cast<float>(width / kLogicalWidth);
    m_YMul = static_cast<float>(height / kLogicalHeight);
    m_XAdd = 0;
    m_YAdd = 0;
    // The control has no border of its own: its outer and inner sizes are the same.
    m_Geometry->SetHeight(m_PictureGeometry->Top() + ty * height);
    m_Geometry->SetWidth(tx * width);
    Picture_PCT->SetPixelSize(QSize(width, height));
    LayoutToolbarRow();
    LayoutUserName();
    ApplyPictureFont();
    CentrePanels();
    for (TextBox* overlay : {Text_Sysdial, Text_Any}) {
        overlay->SetLeft(m_PictureGeometry->Left());
        overlay->SetTop(m_PictureGeometry->Top());
        overlay->SetWidth(m_PictureGeometry->Width());
        overlay->SetHeight(m_PictureGeometry->Height());
    }
    PaintAllElements(Picture_PCT->Surface(), -1);
}

void PelorinControl::LayoutToolbarRow() {
    const std::initializer_list<TextBox*> row = {Text_PCT, Text_Address, Text_NewValue, Text_Updated};
    Text_Updated->SetLeft(m_Geometry->Width() - Text_Updated->Width() - 50);
    for (TextBox* box : row)
        box->SetFontSize(kRowFontSizeWhilePlacing);
    for (TextBox* box : row) {
        box->SetHeight(Toolbar->Height() - 60);
        box->SetTop(Toolbar->Top() + 30);
    }
    // The picture-number box is centred in the gap between TB_GET_NEXT and TB_GET_PCT.
    const ToolButton& next = *Toolbar->Button("TB_GET_NEXT");
    const double numberGapStart = next.Left() + next.Width();
    const double numberGap = Toolbar->Button("TB_GET_PCT")->Left() - numberGapStart;
    Text_PCT->SetLeft(numberGapStart + (numberGap - Text_PCT->Width()) / 2);
    // The address and value pair, 50 twips apart, is centred between TB_SPV and TB_SEND_SPV.
    const ToolButton& setpoints = *Toolbar->Button("TB_SPV");
    const double pairGapStart = setpoints.Left() + setpoints.Width();
    const double pairGap = Toolbar->Button("TB_SEND_SPV")->Left() - pairGapStart;
    Text_Address->SetLeft(pairGapStart +
                          (pairGap - (Text_Address->Width() + 50 + Text_NewValue->Width())) / 2);
    Text_NewValue->SetLeft(Text_Address->Left() + Text_Address->Width() + 50);
    for (TextBox* box : row)
        box->SetFontSize(kRowFontSize);
}

// The user's name sits right-aligned in the toolbar row, 150 twips left of the update indicator.
void PelorinControl::LayoutUserName() {
    Label_UserName->SetCaption(m_UserName);
    Frame_UserName->SetWidth(Label_UserName->Width());
    Frame_UserName->SetHeight(Label_UserName->Height());
    Frame_UserName->SetLeft(Text_Updated->Left() - Frame_UserName->Width() - 150);
    Frame_UserName->SetTop(Toolbar->Top() + (Toolbar->Height() - Frame_UserName->Height()) / 2);
}

void PelorinControl::ApplyPictureFont() {
    ImageSurface& picture = Picture_PCT->Surface();
    picture.SetFontName(m_FontName);
    picture.SetFontBold(m_FontBold != 0);
    picture.SetFontItalic(false);
    if (m_FontSize > 0) {
        picture.SetFontSize(std::min<double>(m_FontSize, kLargestFontSize));
        return;
    }
    // Automatic size: the digit cell that fits 8 columns by 12 rows of the 640-unit picture.
    picture.SetFontSize(kMeasuringFontSize);
    if (m_Width <= 0)
        return;
    const double w = picture.TextWidth("8");
    const double h = picture.TextHeight("8");
    const double cell = h / 12 < w / 8 ? h / 12 : w / 8;
    picture.SetFontSize(std::min(cell * kLogicalWidth / m_Width, kLargestFontSize));
}

// Each panel is centred in the control; one larger than the control sticks to the top-left corner.
void PelorinControl::CentrePanels() {
    const std::initializer_list<Frame*> panels = {Frame_Login, Frame_SPV, Frame_SPV_Curve, Frame_Settings};
    for (Frame* panel : panels) {
        panel->SetLeft(m_Geometry->Width() / 2 - panel->Width() / 2);
        panel->SetTop(m_Geometry->Height() / 2 - panel->Height() / 2);
    }
    for (Frame* panel : panels) {
        if (panel->Left() < 0)
            panel->SetLeft(0);
        if (panel->Top() < 0)
            panel->SetTop(0);
    }
}

} // namespace pelorin
