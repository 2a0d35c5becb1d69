// The table of error codes: each code is found by its number and by its
// name, and no two codes share either.
#include "model/error_codes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace scenarioc {
namespace {

TEST(ErrorCodes, EachCodeIsFoundByItsNumberAndItsName) {
  std::set<int32_t> numbers;
  std::set<std::string_view> names;
  for (const ErrorInfo& e : error_table()) {
    EXPECT_TRUE(numbers.insert(number(e.code)).second) << number(e.code);
    EXPECT_TRUE(names.insert(e.name).second) << e.name;
    EXPECT_EQ(error_info(number(e.code)), &e);
    EXPECT_EQ(&error_info(e.code), &e);
    EXPECT_EQ(error_named(e.name), e.code);
    EXPECT_FALSE(e.title.empty()) << e.name;
  }
  EXPECT_EQ(error_info(0), nullptr);  // 0 is no failure
  EXPECT_EQ(error_info(14), nullptr);
  EXPECT_FALSE(error_named("no-such-code").has_value());
}

}  // namespace
}  // namespace scenarioc
