#include "core/PictureParser.h"

#include "core/ClientProcs.h"
#include "core/PictureFormat.h"

#include <algorithm>
#include <utility>
#include <vector>

// The element data comes from the network and is not trusted. An inconsistent record costs only
// itself: when its fields run past its length, or a child runs past its parent, what fits is read
// (missing fields read as 0 or empty), and the next record is found by the length as usual. Parsing
// stops only where nothing tells where the next record begins: a head or a length that runs past the
// data, or a negative length. A child head that cannot be followed ends its parent's children in the
// same way. Reads never leave the bytes of the record being parsed, so nothing outside the buffer is
// touched; symbols nest as deep as the data allows and are parsed without recursion.

namespace pelorin {

namespace {

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

PictureParser::ReadLimitScope::ReadLimitScope(PictureParser& parser, int32_t end)
    : m_Parser(parser), m_OuterLimit(parser.m_ReadLimit) {
    m_Parser.m_ReadLimit = std::min(end, m_OuterLimit);
}

PictureParser::ReadLimitScope::~ReadLimitScope() {
    m_Parser.m_ReadLimit = m_OuterLimit;
}

int32_t PictureParser::ExtractAllElements(std::string_view data, ElementList& elements) {
    elements.clear();
    m_DynamicPointers = 0;
    // Bytes past the buffer belong to no picture: a record that crosses its end ends the picture.
    m_VGFileLen = static_cast<int32_t>(std::min<size_t>(data.size(), kBufferSize));
    std::copy_n(data.begin(), m_VGFileLen, m_VGFile.begin());
    m_ReadLimit = m_VGFileLen;

    int32_t pointer = 0;
    while (pointer < m_VGFileLen) {
        const std::optional<RecordHead> head = ReadHead(pointer, HeadKind::Record);
        if (!head || head->end > m_VGFileLen)
            break;
        std::unique_ptr<cElement> element = ExtractTopLevelRecord(pointer, *head);
        if (element)
            elements.push_back(std::move(element));
        pointer = head->end;
    }
    return m_DynamicPointers;
}

// The head of the record at `start`, when it lies inside the bytes being parsed and its length
// leads forward; otherwise nothing after `start` can be found.
std::optional<PictureParser::RecordHead> PictureParser::ReadHead(int32_t start, HeadKind kind) {
    const int32_t headSize = kind == HeadKind::GroupChild ? kGroupChildHeadSize : kRecordHeadSize;
    if (!Fits(start, headSize))
        return std::nullopt;
    RecordHead head;
    int32_t pointer = start;
    if (kind == HeadKind::GroupChild)
        head.position = ReadByte(pointer);
    head.type = ReadByte(pointer);
    head.length = ReadShort(pointer);
    head.bodyStart = pointer;
    head.end = pointer + head.length;
    if (head.length < 0)
        return std::nullopt;
    return head;
}

// Parses the body of the top-level record at `start`. Returns null for type 0, which is dropped;
// every other record is kept, and the dynamic ones are numbered even when their fields ran short,
// so that the numbers of the records after them still match the server's.
std::unique_ptr<cElement> PictureParser::ExtractTopLevelRecord(int32_t start, const RecordHead& head) {
    auto element = std::make_unique<cElement>();
    element->m_ElementType = head.type;
    ReadLimitScope scope(*this, head.end);
    int32_t pointer = head.bodyStart;
    switch (element->m_ElementType) {
    case ET_DYNVALUE:
        ExtractDynValue(*element, pointer);
        break;
    case ET_DYNGROUP:
        ExtractDynGroup(*element, head.end, pointer);
        break;
    case ET_SETPOINT:
        ExtractSetpoint(*element, pointer);
        break;
    default:
        // Codes without a body layout keep only their type: they draw nothing and are never hit.
        if (HasElementBody(element->m_ElementType))
            ExtractElement(*element, start, head.length, pointer);
    }
    if (element->m_ElementType <= 0)
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
    while (pointer < end) {
        const std::optional<RecordHead> head = ReadHead(pointer, HeadKind::GroupChild);
        if (!head)
            break;
        auto child = std::make_unique<cElement>();
        child->m_DynamicElementRealPosition = head->position;
        child->m_ElementType = head->type;
        {
            ReadLimitScope scope(*this, head->end);
            int32_t body = head->bodyStart;
            ExtractElement(*child, pointer, head->length, body);
        }
        if (child->m_ElementType > 0)
            element.m_DynamicElements.push_back(std::move(child));
        pointer = head->end;
    }
}

void PictureParser::ExtractSetpoint(cElement& element, int32_t& pointer) {
    element.m_Address = ReadShortString(pointer);
    element.m_PAR1_Description = ReadShortString(pointer);
    element.m_PAR2_Description = ReadShortString(pointer);
    element.m_PAR3_Description = ReadShortString(pointer);
    element.m_PAR4_Description = ReadShortString(pointer);
}

// Every level of nesting costs a record head and a colour byte, so the data allows symbols thousands
// of levels deep: they are parsed with a stack of open symbols instead of by recursion.
void PictureParser::ExtractSymbol(cElement& element, int32_t childrenEnd, int32_t& pointer) {
    struct OpenSymbol {
        cElement* symbol;
        int32_t next; // where its next child starts
        int32_t childrenEnd;
        int32_t readLimit;
    };
    element.m_Option = ReadByte(pointer);
    std::vector<OpenSymbol> open{{&element, pointer, childrenEnd, m_ReadLimit}};
    while (!open.empty()) {
        OpenSymbol& parent = open.back();
        ReadLimitScope parentScope(*this, parent.readLimit);
        const std::optional<RecordHead> head =
            parent.next < parent.childrenEnd ? ReadHead(parent.next, HeadKind::Record) : std::nullopt;
        if (!head) {
            if (open.size() == 1)
                pointer = std::max(parent.next, pointer);
            open.pop_back();
            continue;
        }
        const int32_t start = std::exchange(parent.next, head->end);
        cElement& symbol = *parent.symbol;
        auto child = std::make_unique<cElement>();
        child->m_ElementType = head->type;
        ReadLimitScope childScope(*this, head->end);
        int32_t body = head->bodyStart;
        if (child->m_ElementType == ET_SYMBOL) {
            child->m_Option = ReadByte(body);
            open.push_back({child.get(), body, head->end, m_ReadLimit}); // `parent` is invalid from here
        } else {
            ExtractElement(*child, start, head->length, body);
        }
        // The symbol's colour overrides whatever its children carry.
        if (symbol.m_Option < kNoColourOverride)
            child->m_FCol = child->m_BCol = m_Palette[static_cast<size_t>(symbol.m_Option)];
        if (child->m_ElementType > 0)
            symbol.m_SymbolElements.push_back(std::move(child));
    }
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

bool PictureParser::Fits(int32_t pointer, int32_t count) const {
    return pointer >= 0 && int64_t{pointer} + count <= m_ReadLimit;
}

// True when `count` bytes from `pointer` lie inside the record being parsed; otherwise the field is
// missing, and so is every field after it: `pointer` moves to the record's end.
bool PictureParser::ReadsFit(int32_t& pointer, int32_t count) {
    if (Fits(pointer, count))
        return true;
    pointer = std::max(pointer, m_ReadLimit);
    return false;
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
    const int32_t length = Fits(pointer, 1) ? m_VGFile[static_cast<size_t>(pointer)] : 0;
    if (!ReadsFit(pointer, 1 + length))
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
