#pragma once

#include "core/Element.h"
#include "core/PictureParser.h"

#include <string>

namespace pelorin::test {

// The first violation at `depth` (1: top level) and below; `numbered` counts the dynamic numbers.
inline std::string ElementViolation(const ElementList& elements, int depth, int32_t& numbered) {
    // Each level needs at least one record header of the data.
    if (depth > PictureParser::kBufferSize / 4)
        return "nesting deeper than the data allows";
    for (const auto& element : elements) {
        const int32_t type = element->m_ElementType;
        const bool known = (type >= ET_TEXT && type <= ET_PICTURELINK) || type == ET_EMPTY;
        if (depth == 1 ? type <= 0 : !known)
            return "element of type " + std::to_string(type) + " at level " + std::to_string(depth);
        const bool dynamic = type == ET_DYNVALUE || type == ET_DYNGROUP || type == ET_SETPOINT;
        if (element->m_DynamicArrayPointer != (depth == 1 && dynamic ? numbered++ : -1))
            return "dynamic number " + std::to_string(element->m_DynamicArrayPointer) + " out of order";
        if (!element->m_SymbolElements.empty() && type != ET_SYMBOL)
            return "symbol children under type " + std::to_string(type);
        if (!element->m_DynamicElements.empty() && (depth > 1 || type != ET_DYNGROUP))
            return "group members under type " + std::to_string(type);
        for (const ElementList* children : {&element->m_SymbolElements, &element->m_DynamicElements})
            if (std::string violation = ElementViolation(*children, depth + 1, numbered); !violation.empty())
                return violation;
    }
    return {};
}

// Element-model invariants for any element data: only known types below the top level, children only
// in symbols and groups, nesting bounded, dynamic numbers in order on top-level dynamic elements only.
// Returns the first violation, empty when none. Used by the randomised test and the fuzz targets.
inline std::string ElementModelViolation(const ElementList& elements, int32_t dynamicPointers) {
    int32_t numbered = 0;
    if (std::string violation = ElementViolation(elements, 1, numbered); !violation.empty())
        return violation;
    if (dynamicPointers != numbered)
        return std::to_string(dynamicPointers) + " dynamic numbers handed out for " +
               std::to_string(numbered);
    return {};
}

} // namespace pelorin::test
