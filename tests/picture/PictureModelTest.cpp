// The picture model alone: the picture header, values applied to elements, setpoint kinds and the
// table of existing pictures, each read as far as its payload goes.

#include "picture/PictureModel.h"
#include "core/ClientProcs.h"
#include "core/PictureWriter.h"
#include "core/Protocol.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

TEST(PictureModel, HeaderAndPictureTableAreReadAsFarAsTheirPayloadGoes) {
    PictureMembers m;
    PictureModel model{m};
    PictureHeader header{17, true, 0xC0C0C0, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(model.ReadPictureHeader(EncodePictureMessage(header, "xyz")), "xyz");
    EXPECT_EQ(
        std::tuple(m.m_PictureNumber, m.m_FunctionTextAvailable, m.m_DefaultBackgroundColor, m.m_VGFileLen),
        std::tuple(17, -1, 0xC0C0C0, 3));
    EXPECT_EQ(model.ColorPalette, (Palette{1, 2, 3, 4, 5, 6, 7, 8, 0}));
    EXPECT_EQ(model.ReadPictureHeader(std::string("\0\0\0\x05\0\0", 6)), "");
    EXPECT_EQ(std::tuple(m.m_PictureNumber, m.m_FunctionTextAvailable, m.m_VGFileLen), std::tuple(5, 0, 0));

    model.OnPictureTable(std::string(kPictureTableSize, '\x01') + Long2String(7) + ",XX,YY,extra");
    EXPECT_EQ(m.m_WriteParameters, ",XX,YY,");
    for (const auto& [number, exists] : {std::pair(0, true), {999, true}, {1000, false}, {-1, false}})
        EXPECT_EQ(model.PictureExists(number), exists) << number;
    model.OnPictureTable(std::string("\0\x01\x01", 3));
    EXPECT_EQ(std::tuple(model.PictureExists(0), model.PictureExists(2), model.PictureExists(3),
                         m.m_WriteParameters),
              std::tuple(false, true, false, ""));
    model.OnPictureTable(std::string(kPictureTableSize, '\0') + Long2String(-5) + ",XX,");
    EXPECT_EQ(m.m_WriteParameters, "") << "a negative length lists nothing";
}

class PictureModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        PictureWriter w;
        w.dynValue(4, 1, 2, 100, 50, "A.MV.X").dynValue(4, 1, 0, 100, 80, "A.MV.Y");
        w.dynGroup(0, 0, 0, 0, 0, "A.IND.P1", {}).setpoint("SP.A", "Tryck", "", "", "");
        for (const char* address : {"SP.B", "SP.C", "SP.D", "SP.E", "SP.F"})
            w.setpoint(address, "", "", "", "");
        model.ExtractAllElements(model.ReadPictureHeader(EncodePictureMessage({}, w.data())), 8, 14);
    }

    // Applies `text` to the elements of dynamic number `pointer`, as the control does with a value.
    std::vector<ValueEffect> Value(int32_t pointer, const std::string& text) {
        std::vector<ValueEffect> effects;
        for (size_t position : model.PositionsOfPointer(pointer))
            effects.push_back(model.ApplyValue(*m.m_Elements.at(position), text));
        return effects;
    }

    PictureMembers m;
    PictureModel model{m};
};

TEST_F(PictureModelTest, ValuesShowTheirDecimalsAndEachElementCountsOnce) {
    const struct {
        int pointer;
        const char* sent;
        const char* shown;
        double value;
    } cases[] = {
        {0, "3", "3.00", 3},
        {0, "2.5", "2.50", 2.5},
        {0, "abc", "0.00", 0},
        {0, "", "0.00", 0},
        {0, " 12.5e1xyz", "125.00", 125},
        {0, "-4.126", "-4.13", -4.126},
        {1, "17.2", "17", 17.2},
        {2, "1.6", "", 1.6},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Value(c.pointer, c.sent), std::vector{ValueEffect::Redraw}) << c.sent;
        const cElement& e = *m.m_Elements[static_cast<size_t>(c.pointer)];
        EXPECT_EQ(std::tuple(e.m_Text, e.m_Value, e.m_Status), std::tuple(c.shown, c.value, 1)) << c.sent;
    }
    EXPECT_EQ(model.ElementsWithValue(), 3) << "repeated values count once";
    for (int32_t beyond : {-1, m.m_DynamicPointers, 40000})
        EXPECT_TRUE(model.PositionsOfPointer(beyond).empty()) << beyond;
}

// Kind 0 without descriptions (SP.E) is examined again; later kinds, kind 0's too, are ignored; 7 is none.
TEST_F(PictureModelTest, TheFirstUsableValueNamesTheSetpointKind) {
    const struct {
        int pointer;
        const char* sent;
        bool named;
    } values[] = {{3, "0", true},  {4, "1", true},  {5, "2", true}, {5, "3", false}, {6, "3", true},
                  {7, "0", false}, {8, "7", false}, {7, "2", true}, {3, "1", false}};
    for (const auto& v : values)
        EXPECT_EQ(Value(v.pointer, v.sent),
                  std::vector{v.named ? ValueEffect::SetpointKindKnown : ValueEffect::None})
            << v.pointer << " " << v.sent;
    const int32_t kinds[] = {0, 1, 2, 3, 2, -1};
    for (size_t i = 0; i < std::size(kinds); ++i)
        EXPECT_EQ(m.m_Elements[i + 3]->m_SPVType, kinds[i]) << "setpoint " << i;
    EXPECT_EQ(m.m_Elements[3]->m_PAR1_Description, "Tryck");
    EXPECT_EQ(m.m_Elements[3]->m_PAR4_Description, "(ej anv\xE4nd)");
    EXPECT_EQ(m.m_Elements[4]->m_PAR2_Description, "") << "only kind 0 marks unused parameters";
    EXPECT_EQ(model.ElementsWithValue(), 6) << "a value without a kind is a value too";
}

} // namespace
} // namespace pelorin
