#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pelorin {

// Element type codes of the picture data.
enum ElementType : int32_t {
    ET_TEXT = 1,
    ET_SYMBOL = 2,
    ET_LINE = 3,
    ET_BOX = 4,
    ET_CIRCLE = 5,
    ET_FILL = 6,
    ET_PICTURELINK = 7,
    ET_DYNVALUE = 8,
    ET_DYNGROUP = 9,
    ET_EMPTY = 13,
    ET_SETPOINT = 200,
};

class cElement;
// Collections own their elements, in picture data order.
using ElementList = std::vector<std::unique_ptr<cElement>>;

// One picture element: a plain record of public fields plus the hit test.
class cElement {
public:
    int32_t m_ElementType = 0;
    int32_t m_DynamicArrayPointer = -1;
    int32_t m_X1 = 0;
    int32_t m_Y1 = 0;
    int32_t m_X2 = 0;
    int32_t m_Y2 = 0;
    int32_t m_Transparent = 0;
    int32_t m_FCol = 0;
    int32_t m_BCol = 0;
    std::string m_Text;
    std::string m_Address;
    int32_t m_Decimals = 0;
    int32_t m_Thickness = 0;
    int32_t m_Option = 0;
    int32_t m_StartAngle = 0;
    int32_t m_EndAngle = 0;
    int32_t m_NewPicture = 0;
    int32_t m_DefaultDynamicElementPosition = 0;
    int32_t m_Filled = 0;
    int32_t m_Rounded = 0;
    int32_t m_Dashed = 0;
    double m_Value = 0;
    int32_t m_Status = 0;
    ElementList m_DynamicElements;
    ElementList m_SymbolElements;
    int32_t m_DynamicElementRealPosition = 0;
    int32_t m_LastDynamicElementPosition = -1;
    int32_t m_ScanBox_X1 = -1;
    int32_t m_ScanBox_Y1 = -1;
    int32_t m_ScanBox_X2 = -1;
    int32_t m_ScanBox_Y2 = -1;
    std::string m_PAR1_Description;
    std::string m_PAR2_Description;
    std::string m_PAR3_Description;
    std::string m_PAR4_Description;
    int32_t m_SPVType = -1;

    // True when (x, y) lies inside the hit box, all four bounds inclusive.
    bool HitTest(int32_t x, int32_t y) const;
};

} // namespace pelorin
