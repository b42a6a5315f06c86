// Values drawn at the display's pace against values drawn as they come: two controls take the same
// frames and the same operator actions, and after every refresh their pictures agree pixel for pixel.

#include "common/TestSupport.h"
#include "control/ControlFixture.h"

#include "core/PictureWriter.h"
#include "platform/PictureBox.h"

#include <QImage>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace pelorin::test {
namespace {

constexpr int kValues = 24;
constexpr int kGroups = 4;

// Values in a grid, the first row over a filled box; groups over another box, whose children are a
// filled circle, a text, a filled box and a line, with positions no child has. What an erase leaves
// shows on the boxes.
std::string PictureMessage() {
    PictureWriter w;
    w.box(2, true, false, 1, 10, 10, 630, 40);
    w.box(5, true, false, 1, 20, 290, 630, 350);
    for (int i = 0; i < kValues; ++i)
        w.dynValue(static_cast<uint8_t>(i % 5), static_cast<uint8_t>(1 + i % 3), static_cast<uint8_t>(i % 4),
                   static_cast<int16_t>(70 + i % 4 * 150), static_cast<int16_t>(20 + i / 4 * 25),
                   "V" + std::to_string(i));
    for (int g = 0; g < kGroups; ++g) {
        const auto x = static_cast<int16_t>(60 + g * 150);
        const int16_t y = 300;
        w.dynGroup(0, 7, x, y, 0, "G" + std::to_string(g),
                   {{0, PictureWriter().circle(0, 3, 1, x, y, static_cast<int16_t>(x + 40),
                                               static_cast<int16_t>(y + 40), 0, 360)},
                    {1, PictureWriter().text(4, 1, x, y, "K\xF6r")},
                    {2, PictureWriter().box(2, true, false, 1, x, y, static_cast<int16_t>(x + 30),
                                            static_cast<int16_t>(y + 30))},
                    {3, PictureWriter().line(4, 3, false, x, y, static_cast<int16_t>(x + 40),
                                             static_cast<int16_t>(y + 40))}});
    }
    PictureHeader header;
    header.number = 3;
    header.background = 0xC0C0C0;
    header.palette = {0x000000, 0xFFFFFF, 0x0000E0, 0x00A000, 0xE00000, 0x00FFFF, 0x606060, 0xC0C0C0};
    return EncodePictureMessage(header, w.data());
}

std::string ValuePayload(int pointer, const std::string& text) {
    return std::string{static_cast<char>(pointer >> 8), static_cast<char>(pointer & 0xFF)} + text;
}

// Value texts of many lengths, signs and forms, so that boxes of every width come and go.
std::string RandomValueText(std::mt19937& random, bool group) {
    if (group) {
        static const char* const kGroupValues[] = {"0", "1", "2", "3", "2.5", "7", "-1", "15.6", "1.2"};
        return kGroupValues[random() % std::size(kGroupValues)];
    }
    switch (random() % 8) {
    case 0:
        return "abc";
    case 1:
        return "";
    default:
        break;
    }
    const double magnitude = std::pow(10.0, static_cast<int>(random() % 6));
    const double value = (static_cast<double>(random() % 20001) - 5000) / 10000.0 * magnitude;
    return std::to_string(value);
}

// The operator's actions, the frames and the refreshes, in the proportions drawn below.
enum class Step { Value, Refresh, Blink, DoubleClick, Escape, Exposed, Resized, NewPicture };

Step RandomStep(std::mt19937& random) {
    const int n = static_cast<int>(random() % 100);
    if (n < 70)
        return Step::Value;
    if (n < 80)
        return Step::Refresh;
    if (n < 88)
        return Step::Blink;
    if (n < 92)
        return Step::DoubleClick;
    if (n < 94)
        return Step::Escape;
    if (n < 97)
        return Step::Exposed;
    if (n < 99)
        return Step::Resized;
    return Step::NewPicture;
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

    // Runs one step on both controls, with the same arguments.
    void Run(Step step, std::mt19937& random) {
        switch (step) {
        case Step::Value: {
            const bool group = random() % 4 == 0;
            const int pointer =
                group ? kValues + static_cast<int>(random() % kGroups) : static_cast<int>(random() % kValues);
            Both([&, text = RandomValueText(random, group)](PelorinControl& c) {
                c.DispatchFrame(MSG_VALUE, ValuePayload(pointer, text));
            });
            break;
        }
        case Step::Refresh:
            paced->view().DrawPending();
            break;
        case Step::Blink:
            Both([](PelorinControl& c) { c.Timer_System_Timer(); });
            break;
        case Step::DoubleClick: {
            const auto x = static_cast<float>(random() % 640);
            const auto y = static_cast<float>(random() % 474);
            Both([x, y](PelorinControl& c) {
                c.view().Picture_PCT_MouseMove(0, 0, x, y);
                c.view().Picture_PCT_DblClick();
            });
            break;
        }
        case Step::Escape:
            Both([](PelorinControl& c) {
                int16_t key = 27;
                c.view().Picture_PCT_KeyPress(key);
            });
            break;
        case Step::Exposed:
            Both([](PelorinControl& c) { c.view().Picture_PCT_Paint(); });
            break;
        case Step::Resized:
            Both([](PelorinControl& c) { c.UpdateSize(); });
            break;
        case Step::NewPicture:
            Both([](PelorinControl& c) { c.DispatchFrame(MSG_PICTURE, PictureMessage()); });
            break;
        }
    }

    void Both(const std::function<void(PelorinControl&)>& action) {
        action(paced.control());
        action(everyValue.control());
    }

    // Where the pictures of the two controls differ, or an empty text when they agree.
    std::string Difference() {
        const QImage& a = paced->view().Picture_PCT->Surface().Image();
        const QImage& b = everyValue->view().Picture_PCT->Surface().Image();
        if (a == b)
            return {};
        if (a.size() != b.size())
            return "sizes differ";
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y))
                    return "first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        return {};
    }

    ControlFixture paced;
    ControlFixture everyValue;
};

TEST_F(ValueDrawingTest, EveryRefreshShowsWhatDrawingEachValueWouldHaveLeft) {
    std::mt19937 random(20240611);
    int refreshes = 0;
    for (int i = 0; i < 4000; ++i) {
        const Step step = RandomStep(random);
        Run(step, random);
        if (step != Step::Refresh)
            continue;
        ++refreshes;
        ASSERT_EQ(Difference(), "") << "after step " << i;
    }
    EXPECT_GT(refreshes, 300);

    // The last values are drawn by the refresh timer itself.
    for (int i = 0; i < 200; ++i)
        Run(Step::Value, random);
    ASSERT_TRUE(paced->view().Drawing().HasPending());
    ASSERT_TRUE(waitFor([this] { return !paced->view().Drawing().HasPending(); }));
    EXPECT_EQ(Difference(), "");
}

TEST_F(ValueDrawingTest, ValuesWaitForTheRefreshAndANewPictureDropsThem) {
    const QImage before = paced->view().Picture_PCT->Surface().Image();
    Both([](PelorinControl& c) { c.DispatchFrame(MSG_VALUE, ValuePayload(0, "12.5")); });
    EXPECT_EQ(paced->m_Elements[2]->m_Address, "V0");
    EXPECT_EQ(paced->m_Elements[2]->m_Text, "12") << "the value is applied at once";
    EXPECT_EQ(paced->view().Picture_PCT->Surface().Image(), before) << "and drawn at the refresh";
    EXPECT_NE(Difference(), "");

    Both([](PelorinControl& c) { c.DispatchFrame(MSG_PICTURE, PictureMessage()); });
    EXPECT_FALSE(paced->view().Drawing().HasPending());
    EXPECT_EQ(Difference(), "");
}

} // namespace
} // namespace pelorin::test
