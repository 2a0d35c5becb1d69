// The two sources read from files. An author's files are read and never
// touched; the built-in run's own files are deleted as soon as the compiler
// is done with each, as the simulator's tool always did.
#pragma once

#include <filesystem>
#include <string>

#include "compiler/source_input.h"

namespace scenarioc {

class FileSources final : public SourceInput {
 public:
  struct File {
    std::string label;  // as the author named it
    std::filesystem::path path;
    // The text already read (and converted to the simulator's code page);
    // when left out, the file is read when the compiler asks for it.
    std::optional<std::string> text = std::nullopt;
  };
  // `consume`: delete each file once the compiler is done with it.
  FileSources(File line, File train, bool consume)
      : line_(std::move(line)), train_(std::move(train)), consume_(consume) {}

  const std::string& label(SourceRole role) const override { return of(role).label; }
  bool exists(SourceRole role) const override;
  std::string_view read(SourceRole role) override;
  std::optional<std::string> release(SourceRole role) override;

 private:
  const File& of(SourceRole role) const { return role == SourceRole::kLine ? line_ : train_; }
  File line_, train_;
  bool consume_;
  // The texts read from disk, kept so that a diagnostic can still name a
  // row of the line file while the train file is read.
  std::optional<std::string> read_text_[2];
};

}  // namespace scenarioc
