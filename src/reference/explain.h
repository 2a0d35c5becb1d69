// `scenarioc explain`: for each error code and each warning, what it means,
// its usual causes, and a wrong row beside its fix, for the authors of line
// and train files; and for each key of the files, its values.
// The entries are keyed by text, so that names (not only codes) can be
// looked up the same way.
#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace scenarioc {

// Where the rows of an example stand. Rows are compiled in a small
// scenario (see example_sources): a line of 40000 m with nothing on it and a
// train file with nothing in it, unless the example gives a whole file.
enum class ExamplePlace {
  kLineGeneral,  // the general data of a line file, after its route length
  kLineData,     // the line data of a line file
  kTrainData,    // a train file, after its [generale] header
  kLineFile,     // a whole line file
  kTrainFile,    // a whole train file
  kCommandLine,  // a command, not rows of a file
  kSketch,       // rows shortened with "...": shown, never compiled
};

struct ExplainExample {
  ExamplePlace place;
  std::string_view caption;  // which of the code's faults it shows
  std::string_view wrong;    // rows, one per line
  std::string_view right;
};

struct Explanation {
  std::string_view key;      // "16"
  std::string_view title;    // one line
  std::string_view meaning;  // paragraphs, separated by a blank line
  std::vector<std::string_view> causes;
  std::vector<ExplainExample> examples;
};

std::span<const Explanation> explanations();
// The same, codes in numeric order, names after them.
std::vector<const Explanation*> explanations_in_order();

// The entry for "25"; null when there is none.
const Explanation* find_explanation(std::string_view key);

struct Keyword;
// The keyword whose key or word is `key` ("stazione", "velocit"); null when none.
const Keyword* find_keyword(std::string_view key);
// `scenarioc explain KEY`: a key of the files with its values.
void print_keyword(const Keyword& k, std::ostream& out);

// The line file and the train file an example's rows are compiled in.
struct ExampleSources {
  std::string line;
  std::string train;
};
ExampleSources example_sources(ExamplePlace place, std::string_view rows);

void print_explanation(const Explanation& e, std::ostream& out);
// Every entry with its title, one a line.
void print_explanation_index(std::ostream& out);

// `scenarioc explain [KEY]`: the entry of a code or warning, or the key of
// the files, named by `key`; every entry's title without one. False when
// `key` names nothing.
bool explain(const std::optional<std::string>& key, std::ostream& out);

}  // namespace scenarioc
