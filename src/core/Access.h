#pragma once

#include <cstdint>
#include <string_view>

// The rights of a logged-in user (a bit mask in the login reply) and the rule for writable values,
// shared by the control and the simulator.
namespace pelorin {

enum AccessBit : int32_t {
    ACCESS_WRITE = 2,
    ACCESS_SYSDIAL = 4,
    ACCESS_PICTURE_LOG = 8,
    ACCESS_GLOBAL_LOG = 16,
};

// A value may be written when the parameter name of its address (the text between the first and the
// second ".") is one of the server's writable names, each enclosed in commas in `writeParameters`.
bool IsWritableAddress(std::string_view address, std::string_view writeParameters);

} // namespace pelorin
