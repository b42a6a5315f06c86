#include "picture/PictureModel.h"

#include "core/ClientProcs.h"
#include "core/NumberText.h"
#include "core/Payload.h"
#include "core/Protocol.h"

#include <algorithm>
#include <string_view>

namespace pelorin {

namespace {

const std::string kUnusedDescription = "(ej anv\xE4nd)"; // Latin-1 byte text

bool HasAnyDescription(const cElement& e) {
    return !(e.m_PAR1_Description.empty() && e.m_PAR2_Description.empty() && e.m_PAR3_Description.empty() &&
             e.m_PAR4_Description.empty());
}

void MarkUnusedDescriptions(cElement& e) {
    for (std::string* description :
         {&e.m_PAR1_Description, &e.m_PAR2_Description, &e.m_PAR3_Description, &e.m_PAR4_Description})
        if (description->empty())
            *description = kUnusedDescription;
}

// The setpoint kind named by a setpoint element's first usable value, or -1 while it names none.
int32_t SetpointKindOf(const cElement& e) {
    if (e.m_Value == 0)
        return HasAnyDescription(e) ? 0 : -1;
    if (e.m_Value == 1 || e.m_Value == 2 || e.m_Value == 3)
        return static_cast<int32_t>(e.m_Value);
    return -1;
}

} // namespace

PictureModel::PictureModel(PictureMembers& members) : m_Picture(members) {}

std::string PictureModel::ReadPictureHeader(const std::string& payload) {
    m_Picture.m_PictureNumber = String2Long(payload, 0);
    m_Picture.m_FunctionTextAvailable = String2Long(payload, 4) != 0 ? -1 : 0;
    m_Picture.m_DefaultBackgroundColor = String2Long(payload, 8);
    for (int i = 0; i < 8; ++i)
        ColorPalette[i] = String2Long(payload, 12 + 4 * i);
    std::string elementData = PayloadBytes(payload, kPictureHeaderSize);
    m_Picture.m_VGFileLen = static_cast<int32_t>(elementData.size());
    return elementData;
}

void PictureModel::ExtractAllElements(const std::string& StringArray, double cellWidth, double cellHeight) {
    m_Parser.SetLinkCell(cellWidth, cellHeight);
    const std::string_view data(StringArray);
    m_Picture.m_DynamicPointers = m_Parser.ExtractAllElements(
        data.substr(0, std::max<int32_t>(m_Picture.m_VGFileLen, 0)), m_Picture.m_Elements);
    BuildValueIndex();
}

void PictureModel::ExtractElement(cElement& MyElement, int32_t& ElementPointer, int32_t& Length,
                                  int32_t& ParameterPointer) {
    m_Parser.ExtractElement(MyElement, ElementPointer, Length, ParameterPointer);
}

void PictureModel::RemoveAllElements() {
    m_Picture.m_Elements.clear();
    m_Picture.m_DynamicPointers = 0;
    BuildValueIndex();
}

void PictureModel::OnPictureTable(const std::string& payload) {
    for (size_t i = 0; i < kPictureTableSize; ++i)
        m_PictureExists[i] = i < payload.size() ? static_cast<uint8_t>(payload[i]) : 0;
    const int32_t length = String2Long(payload, kPictureTableSize);
    m_Picture.m_WriteParameters = PayloadBytes(payload, kPictureTableSize + 4, std::max(length, 0));
}

void PictureModel::ForgetPictureTable() {
    m_PictureExists = {};
    m_Picture.m_WriteParameters.clear();
}

bool PictureModel::PictureExists(int64_t number) const {
    return number >= 0 && number < kPictureTableSize && m_PictureExists[static_cast<size_t>(number)] != 0;
}

void PictureModel::BuildValueIndex() {
    m_PositionsByPointer.assign(static_cast<size_t>(std::max(m_Picture.m_DynamicPointers, 0)), {});
    m_ElementsWithValue = 0;
    for (size_t position = 0; position < m_Picture.m_Elements.size(); ++position) {
        const cElement& e = *m_Picture.m_Elements[position];
        if (e.m_DynamicArrayPointer >= 0 && e.m_DynamicArrayPointer < m_Picture.m_DynamicPointers)
            m_PositionsByPointer[static_cast<size_t>(e.m_DynamicArrayPointer)].push_back(position);
        if (e.m_Status == 1)
            ++m_ElementsWithValue;
    }
    m_IndexedElementCount = m_Picture.m_Elements.size();
}

// The positions of the elements carrying `pointer`. A host may change m_Elements, a public member:
// such a change is noticed here and the index rebuilt, so it never names a position that is gone.
const std::vector<size_t>& PictureModel::PositionsOfPointer(int32_t pointer) {
    static const std::vector<size_t> kNone;
    if (pointer < 0 || pointer >= m_Picture.m_DynamicPointers)
        return kNone;
    const auto isCurrent = [this, pointer] {
        if (m_IndexedElementCount != m_Picture.m_Elements.size() ||
            m_PositionsByPointer.size() != static_cast<size_t>(m_Picture.m_DynamicPointers))
            return false;
        const auto& positions = m_PositionsByPointer[static_cast<size_t>(pointer)];
        return std::all_of(positions.begin(), positions.end(), [this, pointer](size_t p) {
            return m_Picture.m_Elements[p]->m_DynamicArrayPointer == pointer;
        });
    };
    if (!isCurrent())
        BuildValueIndex();
    return m_PositionsByPointer[static_cast<size_t>(pointer)];
}

ValueEffect PictureModel::ApplyValue(cElement& e, const std::string& valueText) {
    const bool hadValue = e.m_Status == 1;
    ValueEffect effect = ValueEffect::None;
    switch (e.m_ElementType) {
    case ET_DYNVALUE:
        e.m_Value = ReadNumber(valueText);
        e.m_Status = 1;
        e.m_Text = FixedText(e.m_Value, e.m_Decimals);
        effect = ValueEffect::Redraw;
        break;
    case ET_DYNGROUP:
        e.m_Value = ReadNumber(valueText);
        e.m_Status = 1;
        effect = ValueEffect::Redraw;
        break;
    case ET_SETPOINT:
        // The first usable value names the kind; later values are ignored.
        if (e.m_SPVType != -1)
            break;
        e.m_Value = ReadNumber(valueText);
        e.m_Status = 1;
        e.m_SPVType = SetpointKindOf(e);
        if (e.m_SPVType == 0)
            MarkUnusedDescriptions(e);
        if (e.m_SPVType != -1)
            effect = ValueEffect::SetpointKindKnown;
        break;
    default:
        break;
    }
    if (!hadValue && e.m_Status == 1)
        ++m_ElementsWithValue;
    return effect;
}

} // namespace pelorin
