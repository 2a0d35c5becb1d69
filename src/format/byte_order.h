// Little-endian fields, as the simulator reads them: each value goes byte by
// byte, low byte first, to or from a buffer that the caller has checked is
// long enough. The compiler merges the bytes into one load or store, and no
// call is made a field.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace scenarioc {

template <class T>
concept LittleEndianField = std::is_integral_v<T> || std::is_same_v<T, double>;

// Writes `v` at `p` and returns the byte after it.
template <LittleEndianField T>
inline char* put_le(char* p, T v) {
  if constexpr (std::is_same_v<T, double>) {
    static_assert(sizeof(uint64_t) == sizeof v);
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(p, &v, sizeof v);  // the line plan's millions of doubles
      return p + sizeof v;
    } else {
      uint64_t u;
      std::memcpy(&u, &v, sizeof u);
      return put_le(p, u);
    }
  } else {
    using U = std::make_unsigned_t<T>;
    const U u = static_cast<U>(v);
    for (size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xff);
    return p + sizeof(T);
  }
}

// Reads a T stored at `p`.
template <LittleEndianField T>
inline T get_le(const char* p) {
  if constexpr (std::is_same_v<T, double>) {
    double v;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&v, p, sizeof v);
    } else {
      const uint64_t u = get_le<uint64_t>(p);
      std::memcpy(&v, &u, sizeof v);
    }
    return v;
  } else {
    using U = std::make_unsigned_t<T>;
    U u = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
      u = static_cast<U>(u | static_cast<U>(static_cast<uint8_t>(p[i])) << (8 * i));
    return static_cast<T>(u);
  }
}

}  // namespace scenarioc
