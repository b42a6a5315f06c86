#include "core/PictureParser.h"

#include "core/ClientProcs.h"

#include <algorithm>

// The element data comes from the network and is not trusted. One rule covers every malformation:
// parsing stops at the first malformed top-level record, which is dropped, and the elements before it
// are kept. A record is malformed when its length is negative, when it (or a child) ends past the
// record that encloses it or past the data, when one of its fields runs past its own end, or when
// symbols nest deeper than kMaxNesting. Reads never leave the bytes of the record being parsed, so
// nothing outside the buffer is touched, and the bounded nesting keeps parsing and destruction shallow.

namespace pelorin {

namespace {

constexpr int32_t kRecordHeadSize = 3;
constexpr int32_t kGroupChildHeadSize = 4;
constexpr int32_t kNoColourOverride = 8;

bool IsDynamicType(int32_t type) {
    return type == ET_DYNVALUE || type == ET_DYNGROUP || type == ET_SETPOINT;
}

bool HasElementBody(int32_t type) {
    return (type >= ET_TEXT && type <= ET_PICTURELINK) || type == ET_EMPTY;
}

// The display format of a value with `decimals` decimals: "#", "#.#", "#.##", ...
std::string ValueFormat(int32_t decimals) {
    return decimals == 0 ? "#" : "#." + std::string(decimals, '#');
}

} // namespace

PictureParser::PictureParser(const Palette& palette, double linkCellWidth, double linkCellHeight)
    : m_Palette(palette), m_LinkCellWidth(linkCellWidth), m_LinkCellHeight(linkCellHeight) {}

PictureParser::RecordScope::RecordScope(PictureParser& parser, int32_t end)
    : m_Parser(parser), m_OuterLimit(parser.m_ReadLimit) {
    m_Parser.m_ReadLimit = end;
    if (++m_Parser.m_Depth > kMaxNesting)
        m_Parser.m_Malformed = true;
}

PictureParser::RecordScope::~RecordScope() {
    m_Parser.m_ReadLimit = m_OuterLimit;
    --m_Parser.m_Depth;
}

int32_t PictureParser::ExtractAllElements(std::string_view data, ElementList& elements) {
    elements.clear();
    m_DynamicPointers = 0;
    // Bytes past the buffer belong to no picture: a record that crosses its end is malformed.
    m_VGFileLen = static_cast<int32_t>(std::min<size_t>(data.size(), kBufferSize));
    std::copy_n(data.begin(), m_VGFileLen, m_VGFile.begin());
    m_ReadLimit = m_VGFileLen;
    m_Depth = 0;
    m_Malformed = false;

    int32_t pointer = 0;
    while (pointer < m_VGFileLen && !m_Malformed) {
        std::unique_ptr<cElement> element = ExtractTopLevelRecord(pointer);
        if (element)
            elements.push_back(std::move(element));
    }
    return m_DynamicPointers;
}

// Parses the record at `pointer` and moves `pointer` to the next one. Returns null for a dropped
// record (type 0 or malformed); the dynamic index is handed out only to a record that is kept.
std::unique_ptr<cElement> PictureParser::ExtractTopLevelRecord(int32_t& pointer) {
    const int32_t start = pointer;
    auto element = std::make_unique<cElement>();
    element->m_ElementType = ReadByte(pointer);
    const int32_t length = ReadShort(pointer);
    const int32_t end = RecordEnd(start, kRecordHeadSize, length);
    if (m_Malformed)
        return nullptr;
    {
        RecordScope scope(*this, end);
        switch (element->m_ElementType) {
        case ET_DYNVALUE:
            ExtractDynValue(*element, pointer);
            break;
        case ET_DYNGROUP:
            ExtractDynGroup(*element, end, pointer);
            break;
        case ET_SETPOINT:
            ExtractSetpoint(*element, pointer);
            break;
        default:
            // Codes without a body layout keep only their type: they draw nothing and are never hit.
            if (HasElementBody(element->m_ElementType))
                ExtractElement(*element, start, length, pointer);
        }
    }
    pointer = end;
    if (m_Malformed || element->m_ElementType <= 0)
        return nullptr;
    if (IsDynamicType(element->m_ElementType))
        element->m_DynamicArrayPointer = m_DynamicPointers++;
    return element;
}

void PictureParser::ExtractElement(cElement& element, int32_t elementPointer, int32_t length,
                                   int32_t& parameterPointer) {
    int32_t& p = parameterPointer;
    switch (element.m_ElementType) {
    case ET_TEXT:
        element.m_FCol = ReadColour(p);
        element.m_BCol = ReadColour(p);
        element.m_X1 = ReadShort(p);
        element.m_Y1 = ReadShort(p);
        element.m_Text = ReadShortString(p);
        break;
    case ET_SYMBOL:
        ExtractSymbol(element, elementPointer + length + kRecordHeadSize, p);
        break;
    case ET_LINE:
        element.m_FCol = ReadColour(p);
        element.m_Thickness = ReadByte(p);
        element.m_Dashed = ReadByte(p);
        element.m_X1 = ReadShort(p);
        element.m_Y1 = ReadShort(p);
        element.m_X2 = ReadShort(p);
        element.m_Y2 = ReadShort(p);
        break;
    case ET_BOX:
        element.m_FCol = ReadColour(p);
        element.m_Filled = ReadByte(p);
        element.m_Rounded = ReadByte(p);
        element.m_Thickness = ReadByte(p);
        element.m_X1 = ReadShort(p);
        element.m_Y1 = ReadShort(p);
        element.m_X2 = ReadShort(p);
        element.m_Y2 = ReadShort(p);
        break;
    case ET_CIRCLE:
        element.m_FCol = ReadColour(p);
        element.m_Option = ReadByte(p);
        element.m_Thickness = ReadByte(p);
        element.m_X1 = ReadShort(p);
        element.m_Y1 = ReadShort(p);
        element.m_X2 = ReadShort(p);
        element.m_Y2 = ReadShort(p);
        element.m_StartAngle = ReadShort(p);
        element.m_EndAngle = ReadShort(p);
        break;
    case ET_FILL:
        element.m_FCol = ReadColour(p);
        element.m_BCol = ReadColour(p);
        element.m_X1 = ReadShort(p);
        element.m_Y1 = ReadShort(p);
        break;
    case ET_PICTURELINK:
        ExtractPictureLink(element, p);
        break;
    case ET_EMPTY:
        break;
    default:
        // Dynamic types are top-level only; inside a symbol or a group they and unknown codes are dropped.
        element.m_ElementType = 0;
    }
}

void PictureParser::ExtractDynValue(cElement& element, int32_t& pointer) {
    element.m_FCol = ReadColour(pointer);
    element.m_BCol = ReadColour(pointer);
    element.m_Decimals = ReadByte(pointer);
    element.m_X1 = ReadShort(pointer);
    element.m_Y1 = ReadShort(pointer);
    element.m_Address = ReadShortString(pointer);
    element.m_Text = ValueFormat(element.m_Decimals);
}

void PictureParser::ExtractDynGroup(cElement& element, int32_t end, int32_t& pointer) {
    // Group colours are raw bytes, not palette indexes.
    element.m_FCol = ReadByte(pointer);
    element.m_BCol = ReadByte(pointer);
    element.m_X1 = ReadShort(pointer);
    element.m_Y1 = ReadShort(pointer);
    element.m_DefaultDynamicElementPosition = ReadByte(pointer);
    element.m_Address = ReadShortString(pointer);
    while (pointer < end && !m_Malformed) {
        std::unique_ptr<cElement> child = ExtractChild(pointer, ChildKind::Group);
        if (child->m_ElementType > 0 && !m_Malformed)
            element.m_DynamicElements.push_back(std::move(child));
    }
}

void PictureParser::ExtractSetpoint(cElement& element, int32_t& pointer) {
    element.m_Address = ReadShortString(pointer);
    element.m_PAR1_Description = ReadShortString(pointer);
    element.m_PAR2_Description = ReadShortString(pointer);
    element.m_PAR3_Description = ReadShortString(pointer);
    element.m_PAR4_Description = ReadShortString(pointer);
}

void PictureParser::ExtractSymbol(cElement& element, int32_t childrenEnd, int32_t& pointer) {
    element.m_Option = ReadByte(pointer);
    while (pointer < childrenEnd && !m_Malformed) {
        std::unique_ptr<cElement> child = ExtractChild(pointer, ChildKind::Symbol);
        // The symbol's colour overrides whatever its children carry.
        if (element.m_Option < kNoColourOverride)
            child->m_FCol = child->m_BCol = m_Palette[static_cast<size_t>(element.m_Option)];
        if (child->m_ElementType > 0 && !m_Malformed)
            element.m_SymbolElements.push_back(std::move(child));
    }
}

// Parses the child record at `start` (a group child's head carries its position first) and moves
// `start` to the next child. The child's type is 0 when it is to be dropped.
std::unique_ptr<cElement> PictureParser::ExtractChild(int32_t& start, ChildKind kind) {
    auto child = std::make_unique<cElement>();
    int32_t pointer = start;
    if (kind == ChildKind::Group)
        child->m_DynamicElementRealPosition = ReadByte(pointer);
    child->m_ElementType = ReadByte(pointer);
    const int32_t length = ReadShort(pointer);
    const int32_t end =
        RecordEnd(start, kind == ChildKind::Group ? kGroupChildHeadSize : kRecordHeadSize, length);
    if (!m_Malformed) {
        RecordScope scope(*this, end);
        ExtractElement(*child, start, length, pointer);
    }
    start = end;
    return child;
}

void PictureParser::ExtractPictureLink(cElement& element, int32_t& pointer) {
    element.m_FCol = ReadColour(pointer);
    element.m_BCol = ReadColour(pointer);
    element.m_X1 = ReadShort(pointer);
    element.m_Y1 = ReadShort(pointer);
    element.m_NewPicture = ReadShort(pointer);
    element.m_Text = "Bi";
    element.m_X2 = RoundTo<int32_t>(element.m_X1 + 2 * m_LinkCellWidth);
    element.m_Y2 = RoundTo<int32_t>(element.m_Y1 + m_LinkCellHeight);
}

// The end of the record whose head starts at `start`. A negative length, or an end past the
// enclosing record or the data, marks the record malformed.
int32_t PictureParser::RecordEnd(int32_t start, int32_t headSize, int32_t length) {
    const int64_t end = int64_t{start} + headSize + length;
    if (length < 0 || end > m_ReadLimit) {
        m_Malformed = true;
        return m_ReadLimit;
    }
    return static_cast<int32_t>(end);
}

// True when `count` bytes from `pointer` lie inside the record being parsed; otherwise the record
// is malformed.
bool PictureParser::ReadsFit(int32_t pointer, int32_t count) {
    if (pointer < 0 || int64_t{pointer} + count > m_ReadLimit) {
        m_Malformed = true;
        return false;
    }
    return true;
}

int32_t PictureParser::ReadByte(int32_t& pointer) {
    if (!ReadsFit(pointer, 1))
        return 0;
    return m_VGFile[static_cast<size_t>(pointer++)];
}

int32_t PictureParser::ReadShort(int32_t& pointer) {
    if (!ReadsFit(pointer, 2))
        return 0;
    const int32_t value =
        m_VGFile[static_cast<size_t>(pointer)] * 256 + m_VGFile[static_cast<size_t>(pointer) + 1];
    pointer += 2;
    return value > 32767 ? value - 65536 : value;
}

std::string PictureParser::ReadShortString(int32_t& pointer) {
    if (!ReadsFit(pointer, 1))
        return {};
    const int32_t length = m_VGFile[static_cast<size_t>(pointer)];
    if (!ReadsFit(pointer + 1, length))
        return {};
    const auto* first = reinterpret_cast<const char*>(m_VGFile.data()) + pointer + 1;
    pointer += 1 + length;
    return std::string(first, static_cast<size_t>(length));
}

// A palette index past the table reads as colour 0, like entry 8: a wrong colour is no reason to
// lose the picture, and the index is never used to address memory.
int32_t PictureParser::ReadColour(int32_t& pointer) {
    const auto index = static_cast<size_t>(ReadByte(pointer));
    return index < m_Palette.size() ? m_Palette[index] : 0;
}

} // namespace pelorin
