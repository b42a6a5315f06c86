#include "control/ControlLayout.h"

#include "core/PictureFormat.h"
#include "picture/PictureView.h"
#include "platform/PictureBox.h"
#include "platform/Screen.h"
#include "platform/Widgets.h"
#include "toolbar/ToolbarRow.h"

#include <algorithm>

namespace pelorin {

namespace {

// Host and stored values are not trusted: a picture side stays within what today's largest screens show.
constexpr int32_t kLargestPictureSide = 8192;
// The picture font stays within what can be rendered; the automatic size is measured at 100 points.
constexpr double kLargestRenderedFontSize = 1000;
constexpr double kMeasuringFontSize = 100;

int32_t PictureSide(int32_t pixels) {
    return std::clamp(pixels, 1, kLargestPictureSide);
}

} // namespace

ControlLayout::ControlLayout(ControlLayoutContext context)
    : m_Control(context.control), m_Scale(context.scale), m_Settings(context.settings),
      m_Session(context.session), m_View(context.view), m_Toolbar(context.toolbar),
      m_Panels(std::move(context.panels)), m_Overlays(std::move(context.overlays)) {}

void ControlLayout::PlacePictureBelowToolbar() {
    m_View.Geometry().SetLeft(0);
    m_View.Geometry().SetTop(m_Toolbar.Toolbar->Top() + m_Toolbar.Toolbar->Height() + 50);
}

void ControlLayout::UpdateSize() {
    const double tx = Screen::TwipsPerPixelX();
    const double ty = Screen::TwipsPerPixelY();
    const int32_t width = PictureSide(m_Settings.m_Width);
    const int32_t height = PictureSide(m_Settings.m_Height);
    m_Scale.m_XMul = static_cast<float>(width / kPictureWidth);
    m_Scale.m_YMul = static_cast<float>(height / kPictureHeight);
    m_Scale.m_XAdd = 0;
    m_Scale.m_YAdd = 0;
    // The control has no border of its own: its outer and inner sizes are the same.
    m_Control.SetHeight(m_View.Geometry().Top() + ty * height);
    m_Control.SetWidth(tx * width);
    m_View.Picture_PCT->SetPixelSize(QSize(width, height));
    m_Toolbar.Layout(m_Control.Width());
    m_Toolbar.LayoutUserName(m_Session.m_UserName);
    ApplyPictureFont(width);
    CentrePanels();
    CoverPictureWithOverlays();
}

// The automatic size follows the picture's width as laid out, so that font and scale agree.
void ControlLayout::ApplyPictureFont(int32_t width) {
    ImageSurface& picture = m_View.Surface();
    picture.SetFontName(m_Settings.m_FontName);
    picture.SetFontBold(m_Settings.m_FontBold != 0);
    picture.SetFontItalic(false);
    if (m_Settings.m_FontSize > 0) {
        picture.SetFontSize(std::min<double>(m_Settings.m_FontSize, kLargestRenderedFontSize));
        return;
    }
    // Automatic size: the digit cell that fits 8 columns by 12 rows of the 640-unit picture.
    picture.SetFontSize(kMeasuringFontSize);
    const double w = picture.TextWidth("8");
    const double h = picture.TextHeight("8");
    const double cell = h / 12 < w / 8 ? h / 12 : w / 8;
    picture.SetFontSize(std::min(cell * kPictureWidth / width, kLargestRenderedFontSize));
}

// Each panel is centred in the control; one larger than the control sticks to the top-left corner.
void ControlLayout::CentrePanels() {
    for (Frame* panel : m_Panels) {
        panel->SetLeft(m_Control.Width() / 2 - panel->Width() / 2);
        panel->SetTop(m_Control.Height() / 2 - panel->Height() / 2);
    }
    for (Frame* panel : m_Panels) {
        if (panel->Left() < 0)
            panel->SetLeft(0);
        if (panel->Top() < 0)
            panel->SetTop(0);
    }
}

void ControlLayout::CoverPictureWithOverlays() {
    const ControlBase& picture = m_View.Geometry();
    for (TextBox* overlay : m_Overlays) {
        overlay->SetLeft(picture.Left());
        overlay->SetTop(picture.Top());
        overlay->SetWidth(picture.Width());
        overlay->SetHeight(picture.Height());
    }
}

} // namespace pelorin
