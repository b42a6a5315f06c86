// The picture view alone, on fakes of its ports: links followed, values and groups selected for
// writing, and the selection blinking and ended.

#include "PictureViewParts.h"
#include "core/ClientProcs.h"
#include "core/PictureWriter.h"
#include "core/Protocol.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"

#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

// A value, two groups 200 units apart on one row, and links to pictures that exist (3) and do not.
class PictureViewAlone : public ::testing::Test, protected PictureViewParts {};

TEST_F(PictureViewAlone,
       LinksAreFollowedOnlyToExistingPicturesAndADoubleClickSelectsAValueOrTheNearestGroup) {
    view.Picture_PCT->SetPixelSize(QSize(640, 480));
    std::string table(kPictureTableSize, '\0');
    table[3] = 1;
    model.OnPictureTable(table + Long2String(0));
    PictureWriter w;
    w.dynValue(0, 1, 1, 100, 100, "PG01.BV.GP1").dynGroup(0, 0, 300, 300, 0, "G.IND.A", {});
    w.dynGroup(0, 0, 100, 300, 0, "G.IND.B", {});
    int16_t y = 100;
    for (int16_t target : {2, 0, -1, 1000, 3})
        w.pictureLink(1, 4, 400, y += 30, target);
    model.ExtractAllElements(model.ReadPictureHeader(EncodePictureMessage({}, w.data())), 8, 14);
    model.ApplyValue(element(0), "45.5");
    view.PaintAllElements(-1);
    const auto pointAt = [this](int32_t x, int32_t y) {
        view.Picture_PCT_MouseMove(0, 0, static_cast<float>(x), static_cast<float>(y));
    };

    for (size_t link = 3; link < 8; ++link) {
        pointAt(element(link).m_ScanBox_X1, element(link).m_ScanBox_Y2);
        view.Picture_PCT_Click();
    }
    pointAt(0, 0);
    view.Picture_PCT_Click();
    EXPECT_EQ(sender.sent, (Requests{{CMD_GET_PICTURE, "3"}}));

    pointAt(element(0).m_ScanBox_X2, element(0).m_ScanBox_Y1);
    view.Picture_PCT_DblClick();
    EXPECT_EQ(selection.m_SelectedElement, &element(0));
    EXPECT_EQ(toolbar.Text_Address->Text() + " " + toolbar.Text_NewValue->Text(), "PG01.BV.GP1 45.5");
    EXPECT_EQ(viewSwitch.updates, 1);
    // Far away, then halfway between the groups: the first in the picture wins a tie.
    for (const auto& [x, chosen] : {std::pair(639, 1), std::pair(200, 1), std::pair(199, 2)}) {
        pointAt(x, 300);
        view.Picture_PCT_DblClick();
        EXPECT_EQ(selection.m_SelectedElement, &element(static_cast<size_t>(chosen))) << x;
    }
    EXPECT_EQ(toolbar.Text_Address->Text(), "G.IND.B");

    view.Blink();
    EXPECT_EQ(selection.m_LastSelectedVisible, -1);
    view.Blink();
    EXPECT_EQ(selection.m_LastSelectedVisible, 0);
    // Escape ends the selection; with nothing selected it is only consumed.
    const int updates = viewSwitch.updates;
    for (int repeat = 0; repeat < 2; ++repeat) {
        int16_t key = 27;
        view.Picture_PCT_KeyPress(key);
        EXPECT_EQ(std::tuple(key, selection.m_SelectedElement, viewSwitch.updates),
                  std::tuple(int16_t{0}, nullptr, updates + 1));
    }
}

} // namespace
} // namespace pelorin::test
