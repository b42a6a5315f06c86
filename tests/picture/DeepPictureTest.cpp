// A picture whose symbols nest as deep as the picture data can hold is drawn like any other.

#include "control/ControlFixture.h"
#include "core/PictureParser.h"
#include "core/PictureWriter.h"
#include "platform/Colour.h"
#include "platform/PictureBox.h"

#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

TEST(DeepPicture, SymbolsNestedAsDeepAsTheDataHoldsAreDrawn) {
    // A level costs its record head and colour byte; the line inside takes 14 bytes.
    const int levels = (PictureParser::kBufferSize - 14) / 4;
    PictureWriter nested;
    nested.line(0, 1, false, 100, 100, 300, 100);
    for (int level = 0; level < levels; ++level) {
        PictureWriter outer;
        nested = outer.symbol(8, nested);
    }
    ASSERT_LE(nested.data().size(), static_cast<size_t>(PictureParser::kBufferSize));

    ControlFixture f;
    PelorinControl& c = f.Start(Bag({{"PCTWidth", "640"}, {"PCTHeight", "474"}}));
    std::string header = Long2String(1) + Long2String(0) + Long2String(kWhite) + Long2String(kBlack);
    header.resize(kPictureHeaderSize, '\0');
    c.DispatchFrame(MSG_PICTURE, header + nested.data());

    ASSERT_EQ(c.m_Elements.size(), 1u);
    EXPECT_EQ(RgbToColour(c.view().Picture_PCT->Surface().Image().pixel(200, 100)), kBlack);
    c.RemoveAllElements();
    EXPECT_TRUE(c.m_Elements.empty());
}

} // namespace
} // namespace pelorin::test
