#include "control/PelorinControl.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"

#include <algorithm>
#include <string_view>

// The control's element collection: building it from a picture's element data and releasing it.

namespace pelorin {

void PelorinControl::ExtractAllElements(const std::string& StringArray) {
    RemoveAllElements();
    // Picture links are sized by the picture box's digit cell in its current font and scale.
    m_Parser.SetLinkCell(Picture_PCT->Surface().TextWidth("8"), Picture_PCT->Surface().TextHeight("8"));
    const std::string_view data(StringArray);
    m_DynamicPointers =
        m_Parser.ExtractAllElements(data.substr(0, std::max<int32_t>(m_VGFileLen, 0)), m_Elements);
    BuildValueIndex();
}

void PelorinControl::ExtractElement(cElement& MyElement, int32_t& ElementPointer, int32_t& Length,
                                    int32_t& ParameterPointer) {
    m_Parser.ExtractElement(MyElement, ElementPointer, Length, ParameterPointer);
}

void PelorinControl::RemoveAllElements() {
    m_SelectedElement = nullptr;
    m_SPVElement = nullptr;
    m_Elements.clear();
    m_DynamicPointers = 0;
    if (ToolButton* setpoints = Toolbar->Button("TB_SPV"))
        setpoints->ClearMenu();
    BuildValueIndex();
}

} // namespace pelorin
