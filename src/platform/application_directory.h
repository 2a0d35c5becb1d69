// The application directory: the one that holds the running program.
#pragma once

#include <filesystem>

namespace scenarioc {

std::filesystem::path application_directory();

}  // namespace scenarioc
