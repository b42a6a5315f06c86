#include "core/Access.h"

#include "core/ClientProcs.h"

#include <string>

namespace pelorin {

bool IsWritableAddress(std::string_view address, std::string_view writeParameters) {
    const std::string parameter = GetField(address, 1, ".");
    if (parameter.empty())
        return false;
    return writeParameters.find("," + parameter + ",") != std::string_view::npos;
}

} // namespace pelorin
