#include "platform/file_set.h"

#include <utility>

#include "platform/os_files.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kJournalHeader = "scenarioc journal 1";
constexpr std::string_view kJournalEnd = "end";
// A journal names three files: far below this.
constexpr uint64_t kLargestJournal = 1 << 20;

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

// One file of a set, each name within the folder. `backup` is empty when
// there was no earlier file of that name.
struct Entry {
  std::string target, temp, backup;
  bool moved_aside = false;  // no link could be made: the earlier file itself is moved
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

std::string journal_text(const std::vector<Entry>& set) {
  std::string text(kJournalHeader);
  text += '\n';
  for (const Entry& e : set) text += e.target + '\t' + e.temp + '\t' + e.backup + '\n';
  text += kJournalEnd;
  text += '\n';
  return text;
}

bool plain_name(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7f || c == '/' || c == '\\') return false;
  return true;
}

// A temporary or backup of `target`: only such names are ever removed or
// renamed on a journal's word.
bool own_name_of(std::string_view name, std::string_view target) {
  return name.size() > target.size() && name.substr(0, target.size()) == target &&
         name.substr(target.size(), 5) == ".tmp-" && is_temporary_name(name) &&
         plain_name(name);
}

std::optional<std::vector<Entry>> parse_journal(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    if (nl == std::string_view::npos) return std::nullopt;  // cut short
    lines.push_back(text.substr(0, nl));
    text.remove_prefix(nl + 1);
  }
  if (lines.size() < 2 || lines.front() != kJournalHeader || lines.back() != kJournalEnd)
    return std::nullopt;
  std::vector<Entry> set;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const size_t t1 = line.find('\t');
    const size_t t2 = t1 == std::string_view::npos ? t1 : line.find('\t', t1 + 1);
    if (t2 == std::string_view::npos) return std::nullopt;
    Entry e{std::string(line.substr(0, t1)), std::string(line.substr(t1 + 1, t2 - t1 - 1)),
            std::string(line.substr(t2 + 1))};
    if (!plain_name(e.target) || !own_name_of(e.temp, e.target) ||
        (!e.backup.empty() && !own_name_of(e.backup, e.target)))
      return std::nullopt;
    set.push_back(std::move(e));
  }
  return set;
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

// A temporary of one of the files this program writes in a folder: compiled
// files (.dat, .sim), text sources and printed forms (.txt), the journal. A
// name of that form with another stem (notes.tmp-2024-05) is someone else's.
bool own_temporary(std::string_view name) {
  if (!is_temporary_name(name)) return false;
  const std::string_view stem = name.substr(0, name.rfind(".tmp-"));
  const auto ends_with = [stem](std::string_view tail) {
    return stem.size() > tail.size() && stem.substr(stem.size() - tail.size()) == tail;
  };
  return ends_with(".dat") || ends_with(".sim") || ends_with(".txt") || stem == kJournalName;
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
  std::vector<Entry> set;
  for (const std::unique_ptr<AtomicFile>& f : files_) {
    f->close();
    set.push_back(Entry{name_of(f->path()), name_of(f->temp_path()), ""});
  }
  const fs::path journal = dir_ / kJournalName;
  if (present(journal))
    throw FileError(journal, "left by a run that stopped; the next run puts the folder right");

  bool journal_written = false;
  try {
    // A second name for every earlier file, so that each can return.
    bool any_earlier = false;
    for (Entry& e : set) {
      const fs::path target = in(dir_, e.target);
      if (!present(target)) continue;
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
    {
      AtomicFile j(journal);
      j.write(journal_text(set));
      if (any_earlier) j.sync();
      j.commit();
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
    try {
      put_back(dir_, set);
      if (journal_written) remove_file(journal);
    } catch (const FileError& stuck) {
      throw FileError(failure.path(),
                      failure.reason() + "; and putting the earlier files back failed (" +
                          stuck.what() + "): the folder holds a mix of earlier and new files "
                          "until the next run there puts it right, as " + kJournalName +
                          " says");
    }
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
    const std::optional<std::vector<Entry>> set =
        parse_journal(read_file(journal, kLargestJournal));
    if (!set)
      throw FileError(journal,
                      "not a journal this program wrote, or a damaged one; nothing is written "
                      "in this folder until it is moved away");
    put_back(dir, *set);
    remove_file(journal);
    os_files::sync_directory(dir);
    for (const Entry& e : *set) report.put_back.push_back(in(dir, e.target).filename().string());
  }
  // Only runs that hold the lock write here, and the lock is ours: every
  // temporary in the folder belongs to a run that has ended.
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name;
    try {
      name = name_of(it->path());
    } catch (const std::exception&) {
      continue;  // a name the system cannot spell in UTF-8 is none of ours
    }
    std::error_code type_ec;
    if (!own_temporary(name) || it->is_directory(type_ec)) continue;
    os_files::remove_quietly(it->path());
    ++report.leftovers_removed;
  }
  return report;
}

}  // namespace scenarioc
