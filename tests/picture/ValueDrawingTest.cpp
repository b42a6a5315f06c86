// Values drawn at the display's pace against values drawn as they come: two controls take the same
// frames and operator actions, and after every refresh their pictures agree pixel for pixel.

#include "common/ControlFixture.h"
#include "common/TestSupport.h"

#include "core/PictureWriter.h"
#include "platform/PictureBox.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace pelorin::test {
namespace {

constexpr int kValues = 24;
constexpr int kGroups = 4;

// Values in a grid, the first row over a filled box; groups over another box, whose children are a
// filled circle, a text, a filled box and a line. What an erase leaves shows on the boxes.
std::string PictureMessage() {
    PictureWriter w;
    w.box(2, true, false, 1, 10, 10, 630, 40);
    w.box(5, true, false, 1, 20, 290, 630, 350);
    for (int i = 0; i < kValues; ++i)
        w.dynValue(static_cast<uint8_t>(i % 5), static_cast<uint8_t>(1 + i % 3), static_cast<uint8_t>(i % 4),
                   static_cast<int16_t>(70 + i % 4 * 150), static_cast<int16_t>(20 + i / 4 * 25),
                   "V" + std::to_string(i));
    for (int g = 0; g < kGroups; ++g) {
        const auto x = static_cast<int16_t>(60 + g * 150), y = int16_t{300};
        const auto x2 = static_cast<int16_t>(x + 40), y2 = static_cast<int16_t>(y + 40);
        w.dynGroup(0, 7, x, y, 0, "G" + std::to_string(g),
                   {{0, PictureWriter().circle(0, 3, 1, x, y, x2, y2, 0, 360)},
                    {1, PictureWriter().text(4, 1, x, y, "K\xF6r")},
                    {2, PictureWriter().box(2, true, false, 1, x, y, x2, y2)},
                    {3, PictureWriter().line(4, 3, false, x, y, x2, y2)}});
    }
    PictureHeader header;
    header.number = 3;
    header.background = 0xC0C0C0;
    header.palette = {0x000000, 0xFFFFFF, 0x0000E0, 0x00A000, 0xE00000, 0x00FFFF, 0x606060, 0xC0C0C0};
    return EncodePictureMessage(header, w.data());
}

class ValueDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (ControlFixture* f : {&paced, &everyValue}) {
            f->Start();
            f->control().session().Timer_System->SetEnabled(false);
            f->control().DispatchFrame(MSG_PICTURE, PictureMessage());
        }
        everyValue->view().Drawing().SetDrawEveryValue(true);
    }

    void Both(const std::function<void(PelorinControl&)>& action) {
        action(paced.control());
        action(everyValue.control());
    }

    // Texts of many lengths, signs and forms, so that value boxes of every width come and go; to a
    // group they name children, positions without one and the default.
    void RandomValue(std::mt19937& random) {
        static const char* const kTexts[] = {
            "0",       "1",    "2",      "3",   "2.5",   "7",  "-1",         "15.6",    "abc", "",
            "-0.0042", "12.5", "-987.6", "1e5", "31415", "-3", "0.00049999", "99999.9", "4.5", "-12345.678"};
        const int pointer = static_cast<int>(random() % (kValues + kGroups));
        const std::string payload = ValuePayload(pointer, kTexts[random() % std::size(kTexts)]);
        Both([&](PelorinControl& c) { c.DispatchFrame(MSG_VALUE, payload); });
    }

    bool Same() {
        return paced->view().Picture_PCT->Surface().Image() ==
               everyValue->view().Picture_PCT->Surface().Image();
    }

    ControlFixture paced;
    ControlFixture everyValue;
};

TEST_F(ValueDrawingTest, EveryRefreshShowsWhatDrawingEachValueWouldHaveLeft) {
    std::mt19937 random(20240611);
    // The operator's actions, the frames and the refreshes, each with its share in a hundred steps.
    const std::vector<std::pair<int, std::function<void()>>> steps = {
        {70, [&] { RandomValue(random); }},
        {10, [this] { paced->view().DrawPending(); }},
        {8, [this] { Both([](PelorinControl& c) { c.Timer_System_Timer(); }); }},
        {4,
         [&] {
             const auto x = static_cast<float>(random() % 640), y = static_cast<float>(random() % 474);
             Both([x, y](PelorinControl& c) {
                 c.view().Picture_PCT_MouseMove(0, 0, x, y);
                 c.view().Picture_PCT_DblClick();
             });
         }},
        {2,
         [this] {
             Both([](PelorinControl& c) {
                 int16_t key = 27;
                 c.view().Picture_PCT_KeyPress(key);
             });
         }},
        {3, [this] { Both([](PelorinControl& c) { c.view().Picture_PCT_Paint(); }); }},
        {3, [this] { Both([](PelorinControl& c) { c.DispatchFrame(MSG_PICTURE, PictureMessage()); }); }},
    };
    int refreshes = 0;
    for (int i = 0; i < 4000; ++i) {
        int n = static_cast<int>(random() % 100);
        size_t step = 0;
        while (n >= steps[step].first)
            n -= steps[step++].first;
        steps[step].second();
        if (step == 1) {
            ++refreshes;
            ASSERT_TRUE(Same()) << "after step " << i;
        }
    }
    EXPECT_GT(refreshes, 300);

    // The last values are drawn by the refresh timer itself.
    for (int i = 0; i < 200; ++i)
        RandomValue(random);
    ASSERT_TRUE(paced->view().Drawing().HasPending());
    ASSERT_TRUE(waitFor([this] { return !paced->view().Drawing().HasPending(); }));
    EXPECT_TRUE(Same());
}

TEST_F(ValueDrawingTest, ValuesAreAppliedAtOnceAndDrawnAtTheRefresh) {
    const QImage before = paced->view().Picture_PCT->Surface().Image();
    Both([](PelorinControl& c) { c.DispatchFrame(MSG_VALUE, ValuePayload(0, "12.5")); });
    EXPECT_EQ(paced->m_Elements[2]->m_Text, "13") << "a half rounds away from zero, as a format mask does";
    EXPECT_EQ(paced->view().Picture_PCT->Surface().Image(), before);
    EXPECT_FALSE(Same());
}

// A new picture is shown with the values that came with it, and turns green only once they are all
// on it: neither waits for the refresh.
TEST_F(ValueDrawingTest, ANewPictureShowsWithItsValuesAndIsGreenOnlyWithAllOfThemOnIt) {
    const auto sendValues = [this](int from, int to) {
        for (int pointer = from; pointer < to; ++pointer)
            Both([pointer](PelorinControl& c) { c.DispatchFrame(MSG_VALUE, ValuePayload(pointer, "2.5")); });
    };
    Both([](PelorinControl& c) { c.DispatchFrame(MSG_PICTURE, PictureMessage()); });
    sendValues(0, (kValues + kGroups) / 2);
    ASSERT_FALSE(Same()) << "the values wait for the picture's first showing";
    paced->view().Picture_PCT->grab();
    EXPECT_TRUE(Same()) << "shown with the picture";

    Both([](PelorinControl& c) { c.DispatchFrame(MSG_PICTURE, PictureMessage()); });
    sendValues(0, kValues + kGroups - 1);
    EXPECT_NE(paced->toolbar().Text_Updated->Text(), "100%");
    sendValues(kValues + kGroups - 1, kValues + kGroups);
    EXPECT_EQ(paced->toolbar().Text_Updated->Text(), "100%");
    EXPECT_TRUE(Same()) << "green with every value on the picture";
}

} // namespace
} // namespace pelorin::test
