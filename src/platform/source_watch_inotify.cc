#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "platform/file_io.h"
#include "platform/source_watch.h"

namespace scenarioc {
namespace fs = std::filesystem;

namespace {

std::atomic<bool> interrupted{false};

extern "C" void note_interrupt(int) { interrupted.store(true); }

// The folder of a file as given: "x.txt" lies in ".".
fs::path folder_of(const fs::path& file) {
  const fs::path parent = file.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

}  // namespace

struct SourceWatch::State {
  int fd = -1;
  // Per watched folder, the names in it that are sources.
  std::map<int, std::set<std::string>> names;
};

SourceWatch::SourceWatch(const std::vector<fs::path>& files) : state_(std::make_unique<State>()) {
  state_->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (state_->fd < 0) throw FileError(folder_of(files.at(0)), std::strerror(errno));
  constexpr uint32_t kChanges = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE |
                                IN_MOVED_FROM | IN_MOVED_TO;
  for (const fs::path& file : files) {
    const fs::path folder = folder_of(file);
    const int wd = inotify_add_watch(state_->fd, folder.c_str(), kChanges);
    if (wd < 0) {
      const std::string why = std::strerror(errno);
      close(state_->fd);
      throw FileError(folder, "cannot watch it: " + why);
    }
    // Two sources in one folder share its watch.
    state_->names[wd].insert(file.filename().string());
    // A source that is a symbolic link changes where its target lies: an
    // edit of the target is no event in the link's folder. Its folder is
    // watched too, as well as it can be; the link's own is what must work.
    std::error_code ec;
    if (!fs::is_symlink(file, ec)) continue;
    const fs::path target = fs::canonical(file, ec);
    if (ec) continue;  // a link to nothing yet: seen when it is made
    const int target_wd = inotify_add_watch(state_->fd, folder_of(target).c_str(), kChanges);
    if (target_wd >= 0) state_->names[target_wd].insert(target.filename().string());
  }
}

SourceWatch::~SourceWatch() {
  if (state_->fd >= 0) close(state_->fd);
}

bool SourceWatch::wait_for_change(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (interrupted.load()) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() < 0) return false;
    pollfd p{state_->fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;  // a signal or the timeout: looked at above
    bool ours = false;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
      const ssize_t n = read(state_->fd, buffer, sizeof buffer);
      if (n <= 0) break;
      for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        if (e->mask & IN_Q_OVERFLOW) ours = true;  // events lost: look again
        if (e->len == 0) continue;
        const auto it = state_->names.find(e->wd);
        if (it != state_->names.end() && it->second.count(std::string(e->name)) > 0) ours = true;
      }
    }
    if (ours) return true;
  }
}

void catch_interrupt() {
  struct sigaction sa {};
  sa.sa_handler = note_interrupt;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a wait in poll() wakes at once
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

bool stop_requested() { return interrupted.load(); }

}  // namespace scenarioc
