// The simulator's demo plant drawn straight through the parser and the painting code at 1024x768, as
// the operator sees it. With PELORIN_SHOTS_DIR set the views are also saved there as PNG files.

#include "common/TestSupport.h"
#include "control/ControlFixture.h"

#include "Plant.h"
#include "platform/Colour.h"
#include "platform/PictureBox.h"

#include <QDir>
#include <QSet>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

TEST(DemoPicture, EveryPictureIsDrawnOverItsBackgroundAndTheViewsShowTheirToolbar) {
    sim::Plant plant;
    QString error;
    ASSERT_TRUE(sim::LoadPlant(sim::DemoPlantFolder(), plant, &error)) << error.toStdString();
    ASSERT_FALSE(plant.pictures.empty());
    ControlFixture f;
    PelorinControl& c = f.Start(Bag({{"PCTWidth", "1024"}, {"PCTHeight", "768"}}));
    c.session().Timer_System->SetEnabled(false);

    for (const auto& [number, picture] : plant.pictures) {
        SCOPED_TRACE(number);
        std::string header = Long2String(number) + Long2String(0) + Long2String(picture.header.background);
        for (size_t i = 0; i < 8; ++i)
            header += Long2String(picture.header.palette[i]);
        header.resize(kPictureHeaderSize, '\0');
        c.DispatchFrame(MSG_PICTURE, header + picture.elementData);
        ASSERT_FALSE(c.m_Elements.empty());
        // Sample values, as if the server had sent them.
        for (const auto& e : c.m_Elements) {
            if (e->m_ElementType == ET_DYNVALUE)
                e->m_Text =
                    e->m_Decimals > 0 ? "21." + std::string(static_cast<size_t>(e->m_Decimals), '5') : "42";
            if (e->m_ElementType == ET_DYNGROUP) {
                e->m_Status = 1;
                e->m_Value = 1;
            }
        }
        c.view().PaintAllElements(-1);

        const QImage& image = c.view().Picture_PCT->Surface().Image();
        ASSERT_EQ(image.size(), QSize(1024, 768));
        QSet<QRgb> colours;
        int background = 0, samples = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2, ++samples) {
                colours.insert(image.pixel(x, y));
                background += RgbToColour(image.pixel(x, y)) == picture.header.background;
            }
        EXPECT_GT(background, samples / 4) << "the background shows";
        EXPECT_LT(background, samples) << "something is drawn on it";
        EXPECT_GE(colours.size(), 5);
        SaveShot(image, QStringLiteral("demo-picture-%1.png").arg(number));
    }

    c.m_ViewState = VS_PICTURE;
    c.m_AccessLevel = 31;
    c.m_UserName = "\xC5sa \xD6"
                   "berg";
    c.UpdateSize();
    c.UpdateToolBarView();
    const QImage shot = c.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(1024, c.view().Picture_PCT->y() + 768));
    SaveShot(shot, QStringLiteral("picture-view.png"));
    c.m_ViewState = VS_LOGIN;
    c.UpdateToolBarView();
    SaveShot(c.grab().toImage(), QStringLiteral("login-view.png"));
}

} // namespace
} // namespace pelorin::test
