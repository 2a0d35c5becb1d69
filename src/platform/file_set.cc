#include "platform/file_set.h"

#include <charconv>
#include <utility>

#include "model/file_names.h"

#include "platform/os_files.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kJournalHeader = "scenarioc journal 2";
constexpr std::string_view kJournalEnd = "end";
// A journal names five files at most: far below this.
constexpr uint64_t kLargestJournal = 1 << 20;
constexpr std::string_view kMark = ".scenarioc.tmp-";

InstallStepHook& step_hook() {
  static InstallStepHook hook;
  return hook;
}

std::optional<std::string> hook_says(std::string_view name, const fs::path& file) {
  if (!step_hook()) return std::nullopt;
  return step_hook()(name, file);
}

void step(std::string_view name, const fs::path& file) {
  if (std::optional<std::string> why = hook_says(name, file)) throw FileError(file, *why);
}

// A name in the folder as the journal keeps it: in UTF-8, whatever the
// platform's own narrow encoding of names (on Windows, the code page).
std::string name_of(const fs::path& p) {
  const std::u8string u = p.filename().u8string();
  return std::string(u.begin(), u.end());
}

fs::path in(const fs::path& dir, const std::string& name) {
  return dir / fs::path(std::u8string(name.begin(), name.end()));
}

using os_files::FileStamp;

// One file of a set, each name within the folder. `backup` is empty when
// there was no earlier file of that name.
struct Entry {
  std::string target, temp, backup;
  FileStamp fresh;                   // the new file, as written to its temporary
  std::optional<FileStamp> earlier;  // the earlier file, when there was one
  bool moved_aside = false;  // no link could be made: the earlier file itself is moved
};

struct Journal {
  RunIdentity run;
  uint64_t folder_device = 0, folder_inode = 0;
  std::vector<Entry> set;
};

// Whether anything (a file, a link, even a dangling one) has that name.
bool present(const fs::path& p) {
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(p, ec);
  if (ec && st.type() != fs::file_type::not_found) throw FileError(p, ec.message());
  return st.type() != fs::file_type::not_found && st.type() != fs::file_type::none;
}

void remove_file(const fs::path& p) {
  step("unlink", p);
  std::error_code ec;
  fs::remove(p, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) throw FileError(p, ec.message());
}

std::string stamp_text(const std::optional<FileStamp>& s) {
  if (!s) return "-";
  return std::to_string(s->size) + "," + std::to_string(s->modified_ns) + "," +
         std::to_string(s->device) + "," + std::to_string(s->inode);
}

template <typename T>
bool number(std::string_view text, T& v) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> split(std::string_view text, char by) {
  std::vector<std::string_view> parts;
  for (;;) {
    const size_t at = text.find(by);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

bool parse_stamp(std::string_view text, std::optional<FileStamp>& s) {
  if (text == "-") {
    s.reset();
    return true;
  }
  const std::vector<std::string_view> f = split(text, ',');
  FileStamp st;
  st.regular = true;
  if (f.size() != 4 || !number(f[0], st.size) || !number(f[1], st.modified_ns) ||
      !number(f[2], st.device) || !number(f[3], st.inode))
    return false;
  s = st;
  return true;
}

std::string journal_text(const Journal& j) {
  std::string text(kJournalHeader);
  text += "\nrun\t" + std::to_string(j.run.pid) + "\t" + std::to_string(j.run.start) +
          "\nfolder\t" + std::to_string(j.folder_device) + "\t" +
          std::to_string(j.folder_inode) + "\n";
  for (const Entry& e : j.set)
    text += "file\t" + e.target + '\t' + e.temp + '\t' + e.backup + '\t' + stamp_text(e.fresh) +
            '\t' + stamp_text(e.earlier) + '\n';
  text += kJournalEnd;
  text += '\n';
  return text;
}

bool plain_name(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7f || c == '/' || c == '\\' || c == ':') return false;
  return true;
}

// A temporary or backup of `target` made by `run`: only such names are ever
// removed or renamed on a journal's word.
bool own_name_of(std::string_view name, std::string_view target, const RunIdentity& run) {
  return plain_name(name) && name.size() > target.size() &&
         name.substr(0, target.size()) == target && name.rfind(kMark) == target.size() &&
         temporary_owner(name) == run;
}

// The journal as written, or nothing with `why` saying what is wrong with it.
std::optional<Journal> parse_journal(std::string_view text, std::string& why) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    if (nl == std::string_view::npos) break;  // cut short: no end line below
    lines.push_back(text.substr(0, nl));
    text.remove_prefix(nl + 1);
  }
  why = "it is not a journal this version of scenarioc wrote, or it is damaged";
  if (lines.size() < 4 || lines.front() != kJournalHeader || lines.back() != kJournalEnd ||
      !text.empty())
    return std::nullopt;
  Journal j;
  const std::vector<std::string_view> run = split(lines[1], '\t');
  const std::vector<std::string_view> folder = split(lines[2], '\t');
  if (run.size() != 3 || run[0] != "run" || !number(run[1], j.run.pid) ||
      !number(run[2], j.run.start) || folder.size() != 3 || folder[0] != "folder" ||
      !number(folder[1], j.folder_device) || !number(folder[2], j.folder_inode))
    return std::nullopt;
  for (size_t i = 3; i + 1 < lines.size(); ++i) {
    const std::vector<std::string_view> f = split(lines[i], '\t');
    Entry e;
    std::optional<FileStamp> fresh;
    if (f.size() != 6 || f[0] != "file" || !parse_stamp(f[4], fresh) || !fresh ||
        !parse_stamp(f[5], e.earlier))
      return std::nullopt;
    e.target = f[1];
    e.temp = f[2];
    e.backup = f[3];
    e.fresh = *fresh;
    if (e.backup.empty() != !e.earlier) return std::nullopt;
    j.set.push_back(std::move(e));
  }
  std::vector<std::string> targets;
  for (const Entry& e : j.set) {
    if (!plain_name(e.target) || !own_name_of(e.temp, e.target, j.run) ||
        (!e.backup.empty() && !own_name_of(e.backup, e.target, j.run))) {
      why = "it names files that are none of a set of this program's (" + e.target + ")";
      return std::nullopt;
    }
    targets.push_back(e.target);
  }
  if (!is_one_written_set(targets)) {
    why = "it names files that are not one set this program writes";
    return std::nullopt;
  }
  return j;
}

// The very file the journal recorded: its number on its device is its
// identity, its size and time of writing say it has not been written since.
// Only regular files are ever acted on: never a folder, whatever its stamp.
bool same_stamp(const std::optional<FileStamp>& now, const FileStamp& then) {
  return now && now->regular && now->device == then.device && now->inode == then.inode &&
         now->size == then.size && now->modified_ns == then.modified_ns;
}

// Why the folder is not in a state the journal's run could have left it in
// (every file the journal names is the new file or the earlier one it
// recorded, under one of the names the install gives it, and no earlier file
// is missing), or nothing when it is.
std::optional<std::string> unproven(const fs::path& dir, const Journal& j) {
  const std::optional<FileStamp> folder = os_files::file_stamp(dir, /*follow_links=*/true);
  if (!folder || folder->device != j.folder_device || folder->inode != j.folder_inode)
    return "it was written in another folder";
  for (const Entry& e : j.set) {
    const std::optional<FileStamp> target = os_files::file_stamp(in(dir, e.target));
    const std::optional<FileStamp> temp = os_files::file_stamp(in(dir, e.temp));
    const std::optional<FileStamp> backup =
        e.backup.empty() ? std::nullopt : os_files::file_stamp(in(dir, e.backup));
    if (target && !same_stamp(target, e.fresh) && !(e.earlier && same_stamp(target, *e.earlier)))
      return e.target + " is not the file that run wrote or found there: it has changed since";
    if (temp && !same_stamp(temp, e.fresh)) return e.temp + " is not that run's temporary";
    if (backup && !same_stamp(backup, *e.earlier))
      return e.backup + " is not the earlier " + e.target;
    if (e.earlier && !same_stamp(target, *e.earlier) && !backup)
      return "the earlier " + e.target + " is nowhere to be found";
  }
  return std::nullopt;
}

// Puts every earlier file of `set` back and removes what the set brought.
// Each file is judged from what the folder holds, so that this may stop
// anywhere and start again:
//  - its temporary still there: it was never put in place; the earlier file
//    is where it was (or moved aside to its backup, from where it returns);
//  - else its backup there: the new file took its place; the backup returns;
//  - else, with no earlier file, the new file is removed;
//  - else the earlier file is back already.
// Throws FileError, once every file has been tried, if one could not be.
void put_back(const fs::path& dir, const std::vector<Entry>& set) {
  std::optional<FileError> first_failure;
  for (auto it = set.rbegin(); it != set.rend(); ++it) {
    const Entry& e = *it;
    const fs::path target = in(dir, e.target), temp = in(dir, e.temp);
    const fs::path backup = e.backup.empty() ? fs::path() : in(dir, e.backup);
    try {
      if (present(temp)) {
        if (!backup.empty() && present(backup)) {
          if (present(target)) {
            remove_file(backup);
          } else {
            step("restore", target);
            os_files::rename_over(backup, target);
          }
        }
        remove_file(temp);
      } else if (!backup.empty()) {
        if (present(backup)) {
          step("restore", target);
          os_files::rename_over(backup, target);
        }
      } else if (present(target)) {
        remove_file(target);
      }
    } catch (const FileError& f) {
      if (!first_failure) first_failure = f;
    }
  }
  if (first_failure) throw *first_failure;
}

// The temporaries and backups of `set` still in the folder.
std::string still_there(const fs::path& dir, const std::vector<Entry>& set) {
  std::string names;
  for (const Entry& e : set)
    for (const std::string* name : {&e.temp, &e.backup})
      if (!name->empty() && present(in(dir, *name)))
        names += (names.empty() ? "" : ", ") + *name;
  return names;
}

// A name for a journal that is not acted on, beside it and free.
fs::path set_aside_name(const fs::path& dir) {
  fs::path p = dir / kSetAsideJournalName;
  for (int n = 2; present(p) && n < 1000; ++n)
    p = dir / (std::string(kSetAsideJournalName) + "-" + std::to_string(n));
  if (present(p)) throw FileError(p, "no free name to set a journal aside under");
  return p;
}

}  // namespace

void set_install_step_hook(InstallStepHook hook) { step_hook() = std::move(hook); }

FileSet::FileSet(fs::path dir) : dir_(std::move(dir)) {}

FileSet::~FileSet() = default;

AtomicFile& FileSet::add(const std::string& name) {
  files_.push_back(std::make_unique<AtomicFile>(dir_ / name));
  return *files_.back();
}

void FileSet::install() {
  Journal journal_record;
  journal_record.run = this_run();
  std::vector<Entry>& set = journal_record.set;
  std::vector<std::string> targets;
  for (const std::unique_ptr<AtomicFile>& f : files_) {
    f->close();
    Entry e;
    e.target = name_of(f->path());
    e.temp = name_of(f->temp_path());
    const std::optional<FileStamp> fresh = os_files::file_stamp(f->temp_path());
    if (!fresh) throw FileError(f->temp_path(), "gone before it was put in place");
    e.fresh = *fresh;
    set.push_back(std::move(e));
    targets.push_back(set.back().target);
  }
  // The journal may name nothing else, and a mend would refuse it.
  if (!is_one_written_set(targets))
    throw FileError(dir_, "not a set of files this program writes together");
  const std::optional<FileStamp> folder = os_files::file_stamp(dir_, /*follow_links=*/true);
  if (!folder) throw FileError(dir_, "no such folder");
  journal_record.folder_device = folder->device;
  journal_record.folder_inode = folder->inode;
  const fs::path journal = dir_ / kJournalName;
  if (present(journal))
    throw FileError(journal, "left by a run that stopped; the next run puts the folder right");

  bool journal_written = false;
  try {
    // A second name for every earlier file, so that each can return.
    bool any_earlier = false;
    for (Entry& e : set) {
      const fs::path target = in(dir_, e.target);
      e.earlier = os_files::file_stamp(target);
      if (!e.earlier) continue;
      any_earlier = true;
      fs::path backup;
      do backup = temporary_name_beside(target);
      while (present(backup));
      e.backup = name_of(backup);
      std::string why;
      if (hook_says("link", target) || !os_files::link_file(target, backup, why))
        e.moved_aside = true;
    }
    // The journal, durable before the first file changes its place: where
    // there is no earlier file, there is nothing a power cut could lose, and
    // the two flushes to the disk are spared.
    step("journal", journal);
    try {
      AtomicFile j(journal);
      j.write(journal_text(journal_record));
      if (any_earlier) j.sync();
      j.commit();
    } catch (const FileError& f) {
      // The journal never came to be: the error says what stopped it.
      throw FileError(dir_, "could not write the journal " + std::string(kJournalName) +
                                " there, so nothing was replaced (" + f.reason() + ")");
    }
    journal_written = true;
    if (any_earlier) os_files::sync_directory(dir_);
    bool moved = false;
    for (Entry& e : set) {
      if (!e.moved_aside) continue;
      step("move", in(dir_, e.target));
      try {
        os_files::rename_over(in(dir_, e.target), in(dir_, e.backup));
      } catch (const FileError& f) {
        throw FileError(in(dir_, e.target), f.reason());  // the file at fault, not its backup
      }
      moved = true;
    }
    if (moved) os_files::sync_directory(dir_);
    for (const Entry& e : set) {
      step("rename", in(dir_, e.target));
      os_files::rename_over(in(dir_, e.temp), in(dir_, e.target));
    }
    // Removing the journal installs the set.
    step("commit", journal);
    std::error_code ec;
    fs::remove(journal, ec);
    if (ec) throw FileError(journal, ec.message());
  } catch (const FileError& failure) {
    std::string left;
    try {
      put_back(dir_, set);
      if (journal_written) remove_file(journal);
      for (const std::unique_ptr<AtomicFile>& f : files_) os_files::remove_quietly(f->temp_path());
      left = still_there(dir_, set);
    } catch (const FileError& stuck) {
      throw FileError(failure.path(),
                      failure.reason() + "; and putting the earlier files back failed (" +
                          stuck.what() + "): the folder holds a mix of earlier and new files "
                          "until the next run there puts it right, as " + kJournalName +
                          " says");
    }
    // A folder that would not let a temporary go: the author is told which.
    if (!left.empty())
      throw FileError(failure.path(), failure.reason() + "; and the folder would not let " +
                                          left + " be removed");
    throw;
  } catch (...) {
    // Out of memory, say: the earlier files come back all the same.
    try {
      put_back(dir_, set);
      if (journal_written) remove_file(journal);
    } catch (const FileError&) {
    }
    throw;
  }
  for (const std::unique_ptr<AtomicFile>& f : files_) f->disown();
  // The earlier files, no longer needed; a backup left here by a kill is a
  // temporary like any other, and the next run removes it.
  for (const Entry& e : set)
    if (!e.backup.empty()) {
      try {
        remove_file(in(dir_, e.backup));
      } catch (const FileError&) {
      }
    }
}

MendReport mend_folder(const fs::path& dir) {
  MendReport report;
  const fs::path journal = dir / kJournalName;
  if (present(journal)) {
    std::string why;
    std::optional<Journal> j;
    try {
      j = parse_journal(read_file(journal, kLargestJournal), why);
    } catch (const FileError& e) {
      why = "it cannot be read (" + e.reason() + ")";
    }
    std::optional<std::string> doubt;
    if (!j) {
      doubt = why;
    } else if (j->run != this_run() && may_be_running(j->run)) {
      // Under the lock no writer can be running: a program that does not
      // take the lock, then. Its files are its own until it ends.
      throw FileError(journal, "written by a run that is still going (process " +
                                   std::to_string(j->run.pid) +
                                   "); nothing is written in this folder until it ends");
    } else {
      doubt = unproven(dir, *j);
    }
    if (doubt) {
      // Not acted on, and kept for whoever wants to see it.
      const fs::path aside = set_aside_name(dir);
      os_files::rename_over(journal, aside);
      os_files::sync_directory(dir);
      report.set_aside_as = name_of(aside);
      report.set_aside_because = *doubt;
    } else {
      put_back(dir, j->set);
      remove_file(journal);
      os_files::sync_directory(dir);
      for (const Entry& e : j->set) report.put_back.push_back(e.target);
    }
  }
  // The temporaries of runs that have ended: only a name with the program's
  // mark and a run that can no longer be running. A live run's are its own,
  // whatever it is (a plot writing its picture here, say).
  const RunIdentity me = this_run();
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name;
    try {
      name = name_of(it->path());
    } catch (const std::exception&) {
      continue;  // a name the system cannot spell in UTF-8 is none of ours
    }
    const std::optional<RunIdentity> owner = temporary_owner(name);
    if (!owner || *owner == me || may_be_running(*owner)) continue;
    std::optional<FileStamp> stamp;
    try {
      stamp = os_files::file_stamp(it->path());
    } catch (const FileError&) {
      continue;
    }
    if (!stamp || !stamp->regular) continue;
    os_files::remove_quietly(it->path());
    ++report.leftovers_removed;
  }
  return report;
}

bool holds_journal(const fs::path& dir) { return present(dir / kJournalName); }

}  // namespace scenarioc
