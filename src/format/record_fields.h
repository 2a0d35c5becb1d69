// The fields of a compiled file's record, described once: their names, their
// order in the file, and through the member each one is, its width and
// signedness. The encoders, the decoders and the dump all walk the same list,
// so a field can be neither forgotten nor misplaced by one of them alone.
//
// A list is a std::tuple of Field<&Record::member>: walking it unrolls at
// compile time into the plain sequence of loads and stores a hand-written
// encoder would make.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "format/byte_order.h"

namespace scenarioc {

template <class M>
struct MemberTraits;
template <class R, class T>
struct MemberTraits<T R::*> {
  using Record = R;
  using Type = T;
};

// A text is stored as its length in 2 bytes, unsigned, then its bytes.
constexpr size_t kTextLengthBytes = 2;
constexpr size_t kLongestText = 0xffff;

template <auto Member>
struct Field {
  using Record = typename MemberTraits<decltype(Member)>::Record;
  using Type = typename MemberTraits<decltype(Member)>::Type;
  static constexpr bool kIsText = std::is_same_v<Type, std::string>;
  static_assert(kIsText || LittleEndianField<Type>);
  // Bytes the field takes in the file besides a text's own bytes.
  static constexpr size_t kWidth = kIsText ? kTextLengthBytes : sizeof(Type);
  static constexpr bool kSigned = std::is_signed_v<Type>;

  std::string_view name;

  static const Type& of(const Record& r) { return r.*Member; }
  static Type& of(Record& r) { return r.*Member; }
};

// Calls f(field) for each field of the list, in file order.
template <class Fields, class F>
constexpr void for_each_field(const Fields& fields, F&& f) {
  std::apply([&f](const auto&... field) { (f(field), ...); }, fields);
}

// The bytes of a record without its texts' own bytes.
template <class Fields>
constexpr size_t fixed_bytes(const Fields& fields) {
  size_t n = 0;
  for_each_field(fields, [&n](const auto& f) { n += std::decay_t<decltype(f)>::kWidth; });
  return n;
}

// Writes the record's fields at `p`; the buffer holds them all. A text must
// be kLongestText bytes or shorter.
template <class Fields, class Record>
inline char* put_fields(char* p, const Fields& fields, const Record& r) {
  for_each_field(fields, [&p, &r](const auto& f) {
    const auto& v = f.of(r);
    if constexpr (std::decay_t<decltype(f)>::kIsText) {
      p = put_le(p, static_cast<uint16_t>(v.size()));
      if (!v.empty()) std::memcpy(p, v.data(), v.size());
      p += v.size();
    } else {
      p = put_le(p, v);
    }
  });
  return p;
}

// Reads the record's fields from `p`; the caller has checked that the bytes
// are there, texts included (see text_bytes_at).
template <class Fields, class Record>
inline const char* get_fields(const char* p, const Fields& fields, Record& r) {
  for_each_field(fields, [&p, &r](const auto& f) {
    using F = std::decay_t<decltype(f)>;
    auto& v = f.of(r);
    if constexpr (F::kIsText) {
      const uint16_t n = get_le<uint16_t>(p);
      p += kTextLengthBytes;
      v.assign(p, n);
      p += n;
    } else {
      v = get_le<typename F::Type>(p);
      p += F::kWidth;
    }
  });
  return p;
}

// Where a record's text length is stored, from the record's start: the
// fixed bytes of the fields before the text. Only for lists with one text.
template <class Fields>
constexpr size_t text_length_offset(const Fields& fields) {
  size_t at = 0;
  bool found = false;
  for_each_field(fields, [&](const auto& f) {
    using F = std::decay_t<decltype(f)>;
    if (F::kIsText) found = true;
    if (!found) at += F::kWidth;
  });
  return at;
}

// The name of the field that holds byte `at` of a record, counted from the
// record's start, when its text is `text_bytes` long: a text's length bytes
// are "text length", its own bytes carry the text's name. Empty past the
// record's end. Tells a reader which field a byte offset falls in.
template <class Fields>
constexpr std::string_view field_at(const Fields& fields, size_t at, size_t text_bytes = 0) {
  std::string_view found;
  size_t start = 0;
  for_each_field(fields, [&](const auto& f) {
    using F = std::decay_t<decltype(f)>;
    if (!found.empty()) return;
    if (at < start + F::kWidth) {
      found = F::kIsText ? std::string_view("text length") : f.name;
      return;
    }
    start += F::kWidth;
    if constexpr (F::kIsText) {
      if (at < start + text_bytes) found = f.name;
      start += text_bytes;
    }
  });
  return found;
}

}  // namespace scenarioc
