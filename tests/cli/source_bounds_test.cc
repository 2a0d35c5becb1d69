// Sources no scenario could need: a file larger than the bound is refused
// before it is read, with one line naming it, its size and the bound; within
// the bound, whatever its shape, the compiler holds about twice the source at
// most; and running out of memory is one line and status 2, never an abort.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <functional>

#include "compiler/source_input.h"
#include "test_util.h"

#if defined(__SANITIZE_ADDRESS__)
#define SCENARIOC_MEASURES_MEMORY 0  // the sanitizer's own memory would count
#else
#define SCENARIOC_MEASURES_MEMORY 1
#endif

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::list_dir;
using testing::slurp;
using testing::TempDir;

constexpr uint64_t kMiB = 1 << 20;

// A file of `size` bytes: a hole (reading as NUL bytes, taking no disk) when
// `fill` is 0, else `fill` written out.
void make_file(const fs::path& p, uint64_t size, char fill) {
  { std::ofstream create(p, std::ios::binary); }
  if (fill == 0) {
    fs::resize_file(p, size);
    return;
  }
  std::ofstream out(p, std::ios::binary);
  const std::string block(kMiB, fill);
  for (uint64_t left = size; left > 0; left -= std::min<uint64_t>(left, kMiB))
    out.write(block.data(), static_cast<std::streamsize>(std::min<uint64_t>(left, kMiB)));
}

struct Outcome {
  int status;
  std::string err;
  long peak_kib;
};

// A child's peak counts the pages it shared with this process before it
// started the program, so the peak says something only while this process
// is small: as it is alone under CTest, but not after other tests in one run.
bool peak_is_the_programs() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long kib = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> kib;
      return kib < 16 * 1024;
    }
  }
  return false;
}

Outcome run(const std::vector<std::string>& args, const fs::path& cwd, uint64_t memory_limit = 0) {
  TempDir capture;
  const int pid =
      testing::start_scenarioc(args, cwd, "", capture / "err", 0, memory_limit);
  Outcome r{};
  r.status = testing::wait_scenarioc(pid, &r.peak_kib);
  r.err = slurp(capture / "err");
  return r;
}

// The built-in sources, to pair a bad file with.
class Sources : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(testing::run_scenarioc({"emit"}, dir.path()).status, 0); }
  TempDir dir;
};

struct Oversized {
  const char* name;
  bool line_side;
  uint64_t size;
  char fill;
};

void PrintTo(const Oversized& c, std::ostream* os) { *os << c.name; }

class OversizedSource : public Sources, public ::testing::WithParamInterface<Oversized> {};

TEST_P(OversizedSource, IsRefusedBeforeItIsReadInOneLine) {
  const Oversized& c = GetParam();
  const std::string bad = c.line_side ? "Grande_linea.txt" : "Grande_1-.txt";
  make_file(dir / bad, c.size, c.fill);
  const std::string line = c.line_side ? bad : "Valdena_linea.txt";
  const std::string train = c.line_side ? "Valdena_704-.txt" : bad;
  const auto before = list_dir(dir.path());
  for (const char* command : {"check", "compile"}) {
    const Outcome r = run({command, line, train, "--line-name", "G", "--train-number", "1"},
                      dir.path());
    EXPECT_EQ(r.status, 2) << command;
    EXPECT_EQ(r.err, "scenarioc: error: " + bad + " holds " + std::to_string(c.size) +
                         " bytes, more than any scenario source needs (at most 16 MiB, " +
                         std::to_string(kLargestSource) + " bytes); nothing compiled\n");
#if SCENARIOC_MEASURES_MEMORY
    if (peak_is_the_programs()) {
      EXPECT_LT(r.peak_kib, 16 * 1024) << command << ": the source was read";
    }
#endif
    EXPECT_EQ(list_dir(dir.path()), before) << command;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, OversizedSource,
    ::testing::Values(Oversized{"AHundredGigabyteLineFile", true, uint64_t{100} << 30, 0},
                      Oversized{"TwoGibibytesOfNulBytes", true, uint64_t{2} << 30, 0},
                      Oversized{"CommasJustPastTheBound", true, kLargestSource + 1, ','},
                      Oversized{"ATrainFilePastTheBound", false, uint64_t{2} << 30, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Files just within the bound, in the shapes that once made the compiler
// hold many copies of them: one line of commas, of NUL bytes, of digits,
// only line ends, and UTF-8 with a character the simulator cannot show at the
// very end.
struct Shape {
  const char* name;
  std::function<std::string()> text;
};

void PrintTo(const Shape& c, std::ostream* os) { *os << c.name; }

std::string filled(std::string head, char fill, std::string tail = "") {
  head.resize(kLargestSource - tail.size(), fill);
  return head + tail;
}

class SourceShape : public Sources, public ::testing::WithParamInterface<Shape> {};

TEST_P(SourceShape, KeepsThePeakBelowTwiceTheSourceAndReportsBriefly) {
  {
    std::ofstream out(dir / "Forma_linea.txt", std::ios::binary);
    const std::string text = GetParam().text();
    ASSERT_EQ(text.size(), kLargestSource);
    out << text;
  }
  const Outcome r = run({"compile", "Forma_linea.txt", "Valdena_704-.txt", "--train-number", "1"},
                    dir.path());
  EXPECT_EQ(r.status, 2) << r.err.substr(0, 2000);
  // One failure and the closing line: the quoted source line is cut short.
  EXPECT_LT(r.err.size(), 1000u) << r.err.substr(0, 2000);
  // The error names the source and its row ("Forma_linea.txt:2:20: error
  // 25"), the source alone when it is refused, or the run.
  EXPECT_NE(r.err.find(": error"), std::string::npos) << r.err.substr(0, 2000);
  EXPECT_FALSE(fs::exists(dir / "Forma_1.dat"));
#if SCENARIOC_MEASURES_MEMORY
  if (peak_is_the_programs()) {
    EXPECT_LT(r.peak_kib, static_cast<long>(2 * kLargestSource / 1024 + 16 * 1024))
        << "peak " << r.peak_kib << " KiB";
  } else {
    std::cerr << "the peak is not measured: this test process is too large\n";
  }
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SourceShape,
    ::testing::Values(
        Shape{"OneLineOfCommas", [] { return filled("", ','); }},
        Shape{"OneLineOfNulBytes", [] { return filled("", '\0'); }},
        Shape{"OnlyLineEnds", [] { return filled("", '\n'); }},
        Shape{"ANumberOfSixteenMillionDigits",
              [] { return filled("[generale]\r\nlunghezza percorso,", '7'); }},
        Shape{"CommentsToTheEnd", [] { return filled("[generale]\r\n", '-'); }},
        Shape{"Utf8WithAnArrowAtTheEnd",
              [] {
                std::string t = "[generale]\r\nlunghezza percorso, 10000\r\n";
                while (t.size() + 2 + 3 <= kLargestSource) t += "\xC3\xA0";  // à
                t.resize(kLargestSource - 3, ' ');
                return t + "\xE2\x86\x92";  // →, not in Windows-1252
              }}),
    [](const auto& info) { return std::string(info.param.name); });

#if SCENARIOC_MEASURES_MEMORY
// Memory runs out while a large source is read: one line, status 2, and the
// earlier compiled files stay.
TEST_F(Sources, OutOfMemoryIsOneLineAndStatusTwo) {
  make_file(dir / "Forma_linea.txt", kLargestSource - 1, ',');
  // The least address space in which the program starts at all, in 4 MiB
  // steps; a source of 16 MiB does not fit in 6 MiB more.
  uint64_t least = 0;
  for (uint64_t limit = 8 * kMiB; limit <= 512 * kMiB && least == 0; limit += 4 * kMiB)
    if (run({"--version"}, dir.path(), limit).status == 0) least = limit;
  ASSERT_NE(least, 0u);
  testing::spit(dir / "Forma_1.dat", "earlier route");
  const Outcome r = run({"compile", "Forma_linea.txt", "Valdena_704-.txt", "--train-number", "1"},
                    dir.path(), least + 6 * kMiB);
  EXPECT_EQ(r.status, 2) << r.err.substr(0, 2000);
  EXPECT_EQ(r.err, "scenarioc: error: out of memory; the run ended there\n");
  EXPECT_EQ(slurp(dir / "Forma_1.dat"), "earlier route");
}
#endif

}  // namespace
}  // namespace scenarioc

#endif  // _WIN32
