// SHA-256 of a byte string, for pinning whole files by a checked-in sum: one
// byte changed anywhere in a compiled file changes its sum.
#pragma once

#include <string>
#include <string_view>

namespace scenarioc::testing {

// The sum as 64 lower-case hexadecimal digits.
std::string sha256_hex(std::string_view bytes);

}  // namespace scenarioc::testing
