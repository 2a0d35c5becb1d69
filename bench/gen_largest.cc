// Writes the largest scenario's two text sources into a directory, for
// timing the command line on them (bench/compare.sh).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "largest_scenario.h"

namespace {

bool write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_largest DIR\n");
    return 2;
  }
  namespace b = scenarioc::bench;
  const std::filesystem::path dir = argv[1];
  const std::string line = std::string(b::kLargestLine) + "_linea.txt";
  const std::string train =
      std::string(b::kLargestLine) + "_" + b::kLargestTrain + "-.txt";
  if (!write(dir / line, b::largest_line_source()) ||
      !write(dir / train, b::largest_train_source())) {
    std::fprintf(stderr, "gen_largest: cannot write into %s\n", dir.string().c_str());
    return 1;
  }
  std::printf("%s\n%s\n", (dir / line).string().c_str(), (dir / train).string().c_str());
  return 0;
}
