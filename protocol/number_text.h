#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// The atoi rule: leading blanks skipped, optional sign, decimal digits up to the first other
// character; no digits gives 0. Values beyond 32 bits saturate instead of wrapping.
int32_t atoiRule(std::string_view text);

// The strtoul base-16 rule: leading blanks, optional sign, optional "0x"; 0 when no digits.
// Values beyond 32 bits saturate.
uint32_t hexRule(std::string_view text);

// The text split at every comma; an empty text gives one empty field.
std::vector<std::string_view> splitAtCommas(std::string_view text);

} // namespace tessaly
