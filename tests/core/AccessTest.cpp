#include "core/Access.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

TEST(Access, WritableNeedsAListedParameterBetweenTheFirstAndSecondPoint) {
    const std::pair<const char*, bool> cases[] = {
        {"PG01.PAR2.X", true}, {"PG01.PAR2", true},   {"PG01.BV.X", true},    {"PG01.PAR", false},
        {"PAR2", false},       {"PG01..PAR2", false}, {"PG01.ARR2.X", false}, {"", false}};
    for (const auto& [address, writable] : cases)
        EXPECT_EQ(IsWritableAddress(address, ",PAR2,BV,"), writable) << address;
    EXPECT_FALSE(IsWritableAddress("PG01..X", ",,"));
}

} // namespace
} // namespace pelorin
