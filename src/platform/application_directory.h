// The application directory: the one that holds the running program, and the
// folder the built-in run works in.
#pragma once

#include <filesystem>

namespace scenarioc {

// The folder that holds the running program.
std::filesystem::path application_directory();

// Where the built-in run writes when no folder is named: next to the program
// for a copy in a folder of its own (a build folder, the unpacked Windows
// zip), the current directory for a copy installed on the system, whose
// folder (/usr/bin) is no place for a scenario's files.
std::filesystem::path builtin_run_directory();

// Whether `program` is a copy installed on the system. The install lays down
// a marker file, at `marker` relative to the program's folder (for the
// package, /usr/share/scenarioc/installed-program beside /usr/bin), that
// names the installed program by its path relative to the marker's folder.
// Only a marker that leads back to this very program counts: a copy moved or
// built elsewhere finds none, or one that names another file.
bool installed_on_system(const std::filesystem::path& program,
                         const std::filesystem::path& marker);

}  // namespace scenarioc
