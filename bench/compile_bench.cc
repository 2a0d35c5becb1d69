// Benchmarks of the compiler: the item reader, whole compiles in memory and
// the encoding and decoding of the compiled files. Run them with bench/run.sh.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "compiler/item_reader.h"
#include "compiler/compile.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "cli/report.h"
#include "largest_scenario.h"
#include "builtin/builtin_sources.h"
#include "builtin/text_file.h"

namespace scenarioc::bench {
namespace {

struct Texts {
  std::string line_name, train_number, line, train;
};

const Texts& builtin_texts() {
  static const Texts t{"Valdena", "704", text_file_bytes(line_source_table()),
                       text_file_bytes(train_source_table())};
  return t;
}

const Texts& largest_texts() {
  static const Texts t{kLargestLine, kLargestTrain, largest_line_source(),
                       largest_train_source()};
  return t;
}

// The three compiled files in memory; the buffers keep their capacity from
// one iteration to the next, as a file's page cache would.
struct Output {
  std::string plan, timetable, route;
  size_t bytes() const { return plan.size() + timetable.size() + route.size(); }
};

// As the compile writes them: the line plan in one pass, its pieces placed
// by offset.
void encode(const Scenario& s, Output& out) {
  out.plan.resize(line_plan_bytes(s.track_plan));
  encode_line_plan_at(s.track_plan, [&out](uint64_t at, std::string_view piece) {
    std::memcpy(out.plan.data() + at, piece.data(), piece.size());
  });
  out.timetable = encode_timetable(s);
  out.route = encode_route(s);
}

// Parses, finishes and checks the route, as the command line does before
// writing. Returns the closing check's code.
int32_t compile(const Texts& t, Scenario& s) {
  CompileResult r = scenarioc::compile(t.line, t.train, {t.line_name, t.train_number, true});
  s = std::move(r.scenario);
  return r.closing_failure;
}

// A benchmark of a scenario that does not compile cleanly measures the
// wrong thing: stop with its report.
void require_clean(const Texts& t) {
  Scenario s;
  const int32_t code = compile(t, s);
  if (code == 0 && s.failures.empty()) return;
  for (const Failure& f : s.failures) std::fputs(format_failure(f).c_str(), stderr);
  std::fprintf(stderr, "bench: the %s scenario compiles with failures (closing check %d)\n",
               t.line_name.c_str(), code);
  std::abort();
}

void whole_compile(benchmark::State& state, const Texts& t) {
  require_clean(t);
  Output out;
  for (auto _ : state) {
    Scenario s;
    compile(t, s);
    encode(s, out);
    benchmark::DoNotOptimize(out.plan.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * out.bytes()));
  state.counters["file_bytes"] = static_cast<double>(out.bytes());
}

void BM_CompileBuiltin(benchmark::State& state) { whole_compile(state, builtin_texts()); }
BENCHMARK(BM_CompileBuiltin)->Unit(benchmark::kMillisecond);

void BM_CompileLargest(benchmark::State& state) { whole_compile(state, largest_texts()); }
BENCHMARK(BM_CompileLargest)->Unit(benchmark::kMillisecond);

// The same compile as `scenarioc compile` runs it: every warning looked
// for, the report kept, reading on ready. (The last signal stands 200 m past
// the line's end, which is worth one warning.)
void BM_ParseAndFinishLargestForAuthor(benchmark::State& state) {
  const Texts& t = largest_texts();
  require_clean(t);
  const CompileOptions options = author_options(t.line_name, t.train_number);
  for (auto _ : state) {
    CompileResult r = scenarioc::compile(t.line, t.train, options);
    if (r.report.errors != 0) std::abort();
    benchmark::DoNotOptimize(r.closing_failure);
  }
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * (t.line.size() + t.train.size())));
}
BENCHMARK(BM_ParseAndFinishLargestForAuthor)->Unit(benchmark::kMillisecond);

// The compile of the largest scenario without the encoding.
void BM_ParseAndFinishLargest(benchmark::State& state) {
  const Texts& t = largest_texts();
  require_clean(t);
  for (auto _ : state) {
    Scenario s;
    benchmark::DoNotOptimize(compile(t, s));
  }
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * (t.line.size() + t.train.size())));
}
BENCHMARK(BM_ParseAndFinishLargest)->Unit(benchmark::kMillisecond);

// Encoding the three files of the largest scenario, compiled once.
void BM_EncodeLargest(benchmark::State& state) {
  const Texts& t = largest_texts();
  require_clean(t);
  Scenario s;
  compile(t, s);
  Output out;
  for (auto _ : state) {
    encode(s, out);
    benchmark::DoNotOptimize(out.plan.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * out.bytes()));
}
BENCHMARK(BM_EncodeLargest)->Unit(benchmark::kMillisecond);

// The route and the timetable alone: the line plan's bytes dwarf them above.
void BM_EncodeLargestRoute(benchmark::State& state) {
  Scenario s;
  compile(largest_texts(), s);
  std::string route;
  for (auto _ : state) {
    route = encode_route(s);
    benchmark::DoNotOptimize(route.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * route.size()));
}
BENCHMARK(BM_EncodeLargestRoute)->Unit(benchmark::kMicrosecond);

void BM_EncodeLargestTimetable(benchmark::State& state) {
  Scenario s;
  compile(largest_texts(), s);
  std::string timetable;
  for (auto _ : state) {
    timetable = encode_timetable(s);
    benchmark::DoNotOptimize(timetable.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * timetable.size()));
}
BENCHMARK(BM_EncodeLargestTimetable)->Unit(benchmark::kMicrosecond);

// Reading the largest scenario's three files back, as `dump` does.
void BM_DecodeLargest(benchmark::State& state) {
  Scenario s;
  compile(largest_texts(), s);
  Output enc;
  encode(s, enc);
  for (auto _ : state) {
    benchmark::DoNotOptimize(decode_line_plan(enc.plan).last_computed());
    benchmark::DoNotOptimize(decode_timetable(enc.timetable).data());
    benchmark::DoNotOptimize(decode_route(enc.route).data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * enc.bytes()));
}
BENCHMARK(BM_DecodeLargest)->Unit(benchmark::kMillisecond);

// Working out the points of the largest plan, without encoding them.
void BM_ReadLargestPlan(benchmark::State& state) {
  Scenario s;
  compile(largest_texts(), s);
  double xs[512], ys[512];
  for (auto _ : state) {
    TrackPlan::Reader r(s.track_plan);
    while (const size_t n = r.read(xs, ys, 512)) benchmark::DoNotOptimize(xs[n - 1] + ys[n - 1]);
  }
}
BENCHMARK(BM_ReadLargestPlan)->Unit(benchmark::kMillisecond);

// The floor for the encoding: copying as many bytes as the three files hold.
void BM_CopyLargestBytes(benchmark::State& state) {
  const Texts& t = largest_texts();
  Scenario s;
  compile(t, s);
  Output enc;
  encode(s, enc);
  const std::string from = enc.plan + enc.timetable + enc.route;
  std::string to(from.size(), '\0');
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * from.size()));
}
BENCHMARK(BM_CopyLargestBytes)->Unit(benchmark::kMillisecond);

// The reader alone on the largest line file: every item as a text item,
// then the gradient list as keys and numbers.
void BM_ItemReaderText(benchmark::State& state) {
  const std::string& data = largest_texts().line;
  for (auto _ : state) {
    ItemReader r(data, "Lungavia_linea.txt");
    size_t items = 0;
    while (!r.at_end()) {
      benchmark::DoNotOptimize(r.read_text().data());
      ++items;
    }
    benchmark::DoNotOptimize(items);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_ItemReaderText);

void BM_ItemReaderNumbers(benchmark::State& state) {
  std::string data;
  for (int p = 0; p <= 1000000; p += 100)
    data += "pendenza,  " + std::to_string(p) + ",   " + std::to_string(p % 25 - 12) + "\r\n";
  for (auto _ : state) {
    ItemReader r(data, "pendenze.txt");
    int64_t sum = 0;
    while (!r.at_end()) {
      benchmark::DoNotOptimize(r.read_text().data());
      sum += r.read_long();
      sum += r.read_long();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_ItemReaderNumbers);

}  // namespace
}  // namespace scenarioc::bench

BENCHMARK_MAIN();
