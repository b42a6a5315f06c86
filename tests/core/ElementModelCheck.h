#pragma once

#include "core/Element.h"
#include "core/PictureParser.h"

#include <string>

namespace pelorin::test {

// Element-model invariants for any element data: only known types below the top level, children only
// in symbols and groups, nesting bounded, dynamic numbers in order on top-level dynamic elements only.
// Returns the first violation, empty when none. Used by the randomised test and the fuzz targets.
inline std::string ChildViolation(const ElementList& children, int depth) {
    // Each level needs at least one record header of the data.
    if (depth > PictureParser::kBufferSize / 4)
        return "nesting deeper than the data allows";
    for (const auto& child : children) {
        const int32_t type = child->m_ElementType;
        if (!((type >= ET_TEXT && type <= ET_PICTURELINK) || type == ET_EMPTY))
            return "child of type " + std::to_string(type);
        if (child->m_DynamicArrayPointer != -1)
            return "child with dynamic number " + std::to_string(child->m_DynamicArrayPointer);
        if (!child->m_DynamicElements.empty())
            return "child with group members";
        if (!child->m_SymbolElements.empty() && type != ET_SYMBOL)
            return "symbol children under type " + std::to_string(type);
        if (std::string nested = ChildViolation(child->m_SymbolElements, depth + 1); !nested.empty())
            return nested;
    }
    return {};
}

inline std::string ElementModelViolation(const ElementList& elements, int32_t dynamicPointers) {
    int32_t nextIndex = 0;
    for (const auto& element : elements) {
        const int32_t type = element->m_ElementType;
        if (type <= 0)
            return "top-level element of type " + std::to_string(type);
        const bool dynamic = type == ET_DYNVALUE || type == ET_DYNGROUP || type == ET_SETPOINT;
        if (element->m_DynamicArrayPointer != (dynamic ? nextIndex++ : -1))
            return "dynamic number " + std::to_string(element->m_DynamicArrayPointer) + " out of order";
        if (!element->m_SymbolElements.empty() && type != ET_SYMBOL)
            return "symbol children under type " + std::to_string(type);
        if (!element->m_DynamicElements.empty() && type != ET_DYNGROUP)
            return "group members under type " + std::to_string(type);
        for (const ElementList* children : {&element->m_SymbolElements, &element->m_DynamicElements})
            if (std::string violation = ChildViolation(*children, 2); !violation.empty())
                return violation;
    }
    if (dynamicPointers != nextIndex)
        return std::to_string(dynamicPointers) + " dynamic numbers handed out for " +
               std::to_string(nextIndex);
    return {};
}

} // namespace pelorin::test
