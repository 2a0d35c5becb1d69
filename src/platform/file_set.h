// Files replaced as one set: a folder holds either every earlier file of the
// set or every new one, also when the process is killed halfway or a rename
// fails, because the simulator reads a line plan, a timetable and a route
// that belong together.
//
// The technique is a rollback journal. The new files are written whole to
// temporaries first. Each earlier file gets a second name (its backup, a hard
// link, or the file itself moved aside where the file system has no links),
// and the journal `scenarioc.journal` naming the set, its temporaries and its
// backups is written and synced before the first rename. Then the
// temporaries are renamed into place and the journal is removed: that is the
// moment the new set counts as installed. A failure before it puts every
// earlier file back; a run killed before it leaves the journal, and the next
// run that writes in the folder puts the earlier files back (mend_folder)
// before it does anything else. While the journal is there, the folder may
// hold a mix of earlier and new files, and no reader takes the set.
//
// A journal is a proof, and the mend acts on nothing it cannot prove. The
// journal carries the run that wrote it, the folder it was written in and,
// for every file, its stamp: device and file number, size and time of the
// last write. A stamp, not a hash of the bytes: the number follows a file
// through every rename and second name the install makes, an author's edit
// either writes a new file or changes the time (and mostly the size), and
// it costs one look at each file where a hash would read every byte of the
// set again, a line plan of many megabytes among them. Where a file is not
// the one the journal names (an edited source, a journal from another folder
// or one nobody here wrote, a name outside the program's sets), nothing is
// touched: the journal is set aside under scenarioc.journal.set-aside and
// the run says so.
//
// Every function here expects the caller to hold the folder's lock.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_io.h"

namespace scenarioc {

constexpr const char* kJournalName = "scenarioc.journal";

class FileSet {
 public:
  explicit FileSet(std::filesystem::path dir);
  ~FileSet();
  FileSet(const FileSet&) = delete;
  FileSet& operator=(const FileSet&) = delete;

  // A new file of the set named `name` in the folder, to be written whole
  // before install(). Throws FileError.
  AtomicFile& add(const std::string& name);
  // Puts every file of the set in place, or none: when it throws FileError,
  // every earlier file is as it was (should even that fail, the journal stays
  // and the error says so).
  void install();

 private:
  std::filesystem::path dir_;
  std::vector<std::unique_ptr<AtomicFile>> files_;
};

// The name a journal that is not acted on is set aside under (with -2, -3
// and so on when that is taken).
constexpr const char* kSetAsideJournalName = "scenarioc.journal.set-aside";

// What mend_folder found and did.
struct MendReport {
  std::vector<std::string> put_back;  // the set a stopped run left half installed
  std::string set_aside_as;           // a journal not acted on, under this name
  std::string set_aside_because;      // and why
  int leftovers_removed = 0;          // temporaries of runs that are gone
};

// Run first by every writing run once it holds the folder's lock: puts back
// the earlier files of a set that a stopped run left half installed, when
// every file is still the one its journal names, or else sets the journal
// aside and leaves every file as it is; then removes the temporaries that
// carry the program's mark (temporary_name_beside) of runs that can no
// longer be running. Throws FileError when the folder cannot be put right;
// the journal then stays for the next run.
MendReport mend_folder(const std::filesystem::path& dir);

// Whether a journal in `dir` says a set there may be half replaced: readers
// take no file of such a folder.
bool holds_journal(const std::filesystem::path& dir);

// For tests: called before each step of install() and of putting a set back,
// with the step's name and the file it concerns: "link" (an earlier file's
// backup; failing there moves the file aside instead, as on a file system
// without links), "journal", "move", "rename", "commit", "unlink" and
// "restore". A returned reason makes the step fail as if the system had
// refused it; a hook may also end the process there.
using InstallStepHook =
    std::function<std::optional<std::string>(std::string_view step,
                                             const std::filesystem::path& file)>;
void set_install_step_hook(InstallStepHook hook);

}  // namespace scenarioc
