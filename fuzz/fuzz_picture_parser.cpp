// The picture parser on arbitrary element data: nothing outside its buffer is touched (the
// sanitizers watch), the element model keeps its invariants, and parsing is repeatable with the
// same parser, as the client reuses one for every picture.

#include "ElementModelCheck.h"
#include "FuzzSupport.h"
#include "core/PictureParser.h"

#include <string_view>

namespace {

// Distinct entries so that a wrong lookup would differ; entry 8 stays 0.
const pelorin::Palette kPalette = {0x000011, 0x002200, 0x330000, 0x444444, 0x0000FF,
                                   0x00FF00, 0xFF0000, 0x808080, 0};

size_t CountElements(const pelorin::ElementList& elements) {
    size_t count = elements.size();
    for (const auto& element : elements)
        count += CountElements(element->m_SymbolElements) + CountElements(element->m_DynamicElements);
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelorin;
    static PictureParser parser(kPalette, 7, 13);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    ElementList elements;
    const int32_t dynamicPointers = parser.ExtractAllElements(bytes, elements);
    const std::string violation = test::ElementModelViolation(elements, dynamicPointers);
    fuzz::Check(violation.empty(), "element model:", violation);
    fuzz::Check(parser.m_DynamicPointers == dynamicPointers, "dynamic count returned and kept agree");
    // Every element takes at least its 3-byte record head (an empty record) of the data read.
    fuzz::Check(CountElements(elements) * 3 <= std::min<size_t>(size, PictureParser::kBufferSize),
                "no more elements than records fit the data");

    ElementList again;
    fuzz::Check(parser.ExtractAllElements(bytes, again) == dynamicPointers &&
                    CountElements(again) == CountElements(elements),
                "a second parse gives the same picture");
    return 0;
}
