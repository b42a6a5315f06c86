#pragma once

#include "core/PictureParser.h"
#include "core/Protocol.h"
#include "ports/ControlMembers.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pelorin {

// What a value did to its element.
enum class ValueEffect {
    None,
    Redraw,
    // A setpoint block learnt its kind: it is offered in the setpoint menu.
    SetpointKindKnown,
};

// The current picture: its header, its elements with an index from dynamic number to elements, and the
// server's table of existing pictures with the writable parameter names.
class PictureModel {
public:
    explicit PictureModel(PictureMembers& members);

    // The program-wide colour palette: entries 0..7 from the picture header, 8 stays 0.
    Palette ColorPalette{};

    // The header fields of MSG_PICTURE; returns the element data that follows them.
    std::string ReadPictureHeader(const std::string& payload);
    // Parses the element data into the (empty) element list; links are sized by the digit cell.
    void ExtractAllElements(const std::string& StringArray, double cellWidth, double cellHeight);
    void ExtractElement(cElement& MyElement, int32_t& ElementPointer, int32_t& Length,
                        int32_t& ParameterPointer);
    void RemoveAllElements();

    void OnPictureTable(const std::string& payload);
    // The session ended: the next login's table is not mixed with this one's.
    void ForgetPictureTable();
    bool PictureExists(int64_t number) const;

    // The positions in m_Elements of the elements carrying dynamic number `pointer`, in picture order;
    // none for a number outside the picture's.
    const std::vector<size_t>& PositionsOfPointer(int32_t pointer);
    // Takes a value for one element: number, status and text; a setpoint block's first usable value
    // names its kind.
    ValueEffect ApplyValue(cElement& e, const std::string& valueText);
    // How many of the picture's elements hold a value.
    int32_t ElementsWithValue() const { return m_ElementsWithValue; }

private:
    void BuildValueIndex();

    PictureMembers& m_Picture;
    PictureParser m_Parser{ColorPalette, 0, 0};
    // Non-zero for each picture number that exists.
    std::array<uint8_t, kPictureTableSize> m_PictureExists{};
    // Positions in m_Elements by dynamic number, and how many elements hold a value, so that a value
    // is applied without walking the whole picture.
    std::vector<std::vector<size_t>> m_PositionsByPointer;
    size_t m_IndexedElementCount = 0;
    int32_t m_ElementsWithValue = 0;
};

} // namespace pelorin
