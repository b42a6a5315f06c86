#pragma once

#include <string_view>
#include <vector>

namespace pelorin {

// The lines of byte text, split at CR LF, a lone CR and a lone LF. Every line but the last was ended
// by a line end; the last is what follows the final one (empty when the text ends with a line end).
std::vector<std::string_view> SplitLines(std::string_view text);

} // namespace pelorin
