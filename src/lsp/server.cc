#include "lsp/server.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <set>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "compiler/compile.h"
#include "compiler/display_text.h"
#include "compiler/source_check.h"
#include "compiler/warnings.h"
#include "lsp/fixes.h"
#include "lsp/source_view.h"
#include "lsp/text_lines.h"
#include "model/file_names.h"
#include "model/kilometric.h"
#include "model/route_rules.h"
#include "model/scenario_names.h"

namespace scenarioc::lsp {

namespace fs = std::filesystem;

namespace {

// The colours of the files, by what the compiler makes of each item.
const char* const kTokenTypes[] = {"keyword", "namespace", "enumMember", "number",
                                   "string",  "comment",   "variable"};
enum TokenType { kTokKeyword, kTokHeader, kTokVariant, kTokNumber, kTokText, kTokComment, kTokUnread };
const char* const kTokenModifiers[] = {"deprecated"};

struct Document {
  std::string uri, path;
  std::string text;
  int64_t version = 0;
  SourceRole role = SourceRole::kTrain;
};

struct StoredDiagnostic {
  json lsp;
  std::string explain_key;  // "25" or "unknown-key"
  std::vector<json> actions;
};

struct Published {
  std::vector<StoredDiagnostic> diagnostics;
  std::shared_ptr<const CompileResult> compiled;
};

json position(size_t line, size_t character) {
  return {{"line", line}, {"character", character}};
}

json range(size_t l0, size_t c0, size_t l1, size_t c1) {
  return {{"start", position(l0, c0)}, {"end", position(l1, c1)}};
}

std::string file_name(const std::string& path) { return fs::path(path).filename().string(); }

// The byte after `chars` characters of `line`.
size_t byte_after_chars(std::string_view line, size_t chars) {
  size_t i = 0;
  for (size_t k = 0; k < chars && i < line.size(); ++k) i += char_size(line, i).bytes;
  return i;
}

// The item at `at`: up to its comma or the end of the line, trailing
// blanks left out; one character at least.
size_t item_end(std::string_view line, size_t at) {
  if (at >= line.size()) return line.size();
  size_t end = line.find(',', at);
  if (end == std::string_view::npos) end = line.size();
  while (end > at + 1 && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
  if (end <= at) end = at + char_size(line, at).bytes;
  return end;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

size_t find_ci(std::string_view hay, std::string_view needle, bool case_sensitive) {
  if (needle.empty() || needle.size() > hay.size()) return std::string_view::npos;
  for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() &&
           (case_sensitive ? hay[i + k] == needle[k] : lower(hay[i + k]) == lower(needle[k])))
      ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

}  // namespace

struct Server::State {
  std::map<std::string, Document> open;          // by URI
  std::map<std::string, Published> published;    // by URI
  bool snippets = false;

  const Document* open_by_path(const std::string& path) const {
    for (const auto& [uri, d] : open)
      if (d.path == path) return &d;
    return nullptr;
  }
  std::string uri_for(const std::string& path) const {
    const Document* d = open_by_path(path);
    return d ? d->uri : uri_of_path(path);
  }
  // The text of a source: the editor's unsaved one when it is open, the
  // file's otherwise; nothing when there is neither or it is too large.
  std::optional<std::string> text_of(const std::string& path) const {
    if (const Document* d = open_by_path(path)) return d->text;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    const auto size = fs::file_size(path, ec);
    if (ec || size > kLargestSource) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

Server::Server(ReferenceTexts texts, std::string version)
    : texts_(std::move(texts)), version_(std::move(version)), state_(std::make_unique<State>()) {}

Server::~Server() = default;

namespace {

json error_response(const json& id, int code, const std::string& message) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

json result_response(const json& id, json result) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

json notification(const std::string& method, json params) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

json capabilities() {
  json tokens = {{"legend",
                  {{"tokenTypes", json(std::vector<std::string>(std::begin(kTokenTypes), std::end(kTokenTypes)))},
                   {"tokenModifiers",
                    json(std::vector<std::string>(std::begin(kTokenModifiers), std::end(kTokenModifiers)))}}},
                 {"full", true}};
  return {{"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
          {"hoverProvider", true},
          {"completionProvider", {{"triggerCharacters", {"["}}}},
          {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
          {"documentSymbolProvider", true},
          {"semanticTokensProvider", tokens}};
}

// ---- diagnostics --------------------------------------------------------------

// One compile of a line file and a train file, and where its diagnostics go.
struct PairCompile {
  std::string line_path, train_path;  // train_path empty: a stand-in train
  std::map<std::string, std::vector<StoredDiagnostic>> by_path;
  std::shared_ptr<const CompileResult> compiled;
};

class DiagnosticMaker {
 public:
  DiagnosticMaker(const Server::State& state, const std::map<std::string, std::string>& path_of_label,
                  const std::map<std::string, const std::string*>& text_of_path, std::string fallback)
      : state_(state), path_of_label_(path_of_label), text_of_path_(text_of_path),
        fallback_(std::move(fallback)) {
    // Each text split into lines once, however many diagnostics it has.
    for (const auto& [path, text] : text_of_path_) lines_.emplace(path, TextLines(*text));
  }

  // The file a location is in, and its range there.
  std::pair<std::string, json> place(const std::optional<SourceLocation>& where, size_t* line = nullptr,
                                     size_t* at = nullptr, size_t* end = nullptr) const {
    std::string path = fallback_;
    if (where) {
      const auto p = path_of_label_.find(where->file);
      if (p != path_of_label_.end()) path = p->second;
    }
    if (!where || where->line <= 0 || !text_of_path_.count(path))
      return {path, range(0, 0, 0, 0)};
    const TextLines& lines = lines_.at(path);
    const size_t n = static_cast<size_t>(where->line - 1);
    const std::string_view l = lines.line(n);
    const size_t b = byte_after_chars(l, static_cast<size_t>(std::max(where->column, 1) - 1));
    const size_t e = item_end(l, b);
    if (line) *line = n;
    if (at) *at = b;
    if (end) *end = e;
    return {path, range(n, lines.utf16_of(n, b), n, lines.utf16_of(n, e))};
  }

  StoredDiagnostic make(const Diagnostic& d, std::string& path) const {
    StoredDiagnostic s;
    size_t line = 0, at = 0, end = 0;
    auto [p, r] = place(d.failure.where, &line, &at, &end);
    path = p;
    std::string message = shown_utf8(d.failure.message);
    if (d.failure.position && (!d.failure.where || d.failure.where->line <= 0))
      message = "at metre " + std::to_string(*d.failure.position) + ": " + message;
    json related = json::array();
    for (const Note& n : d.failure.notes) {
      if (n.where && n.where->line > 0) {
        auto [np, nr] = place(n.where);
        related.push_back({{"location", {{"uri", state_.uri_for(np)}, {"range", nr}}},
                           {"message", shown_utf8(n.message)}});
      } else {
        message += "\nnote: " + shown_utf8(n.message);
      }
    }
    s.lsp = {{"range", r}, {"severity", d.severity == Severity::kError ? 1 : 2},
             {"source", "scenarioc"}, {"message", message}};
    if (!d.warning.empty()) {
      s.lsp["code"] = d.warning;
      s.explain_key = d.warning;
    } else if (d.failure.code != 0) {
      s.lsp["code"] = d.failure.code;
      s.explain_key = std::to_string(d.failure.code);
    }
    if (!related.empty()) s.lsp["relatedInformation"] = related;

    // The fixes, as edits of the text that was compiled.
    if (d.failure.where && d.failure.where->line > 0 && text_of_path_.count(path)) {
      const std::string& text = *text_of_path_.at(path);
      const TextLines& lines = lines_.at(path);
      FixPlace fp;
      fp.line_text = lines.line(line);
      fp.line = line;
      fp.at = at;
      fp.item_end = end;
      fp.last_line = lines.count() - 1;
      fp.last_line_length = lines.line(fp.last_line).size();
      const size_t second = lines.line_start(1);
      fp.line_end = lines.count() > 1 && second >= 2 && text[second - 2] == '\r' ? "\r\n" : "\n";
      fp.ends_with_line_end = !text.empty() && (text.back() == '\n' || text.back() == '\r');
      const std::string uri = state_.uri_for(path);
      for (const TextFix& f : fixes_for(d, fp)) {
        const json edit_range =
            range(f.line, lines.utf16_of(f.line, f.begin), f.line, lines.utf16_of(f.line, f.end));
        s.actions.push_back({{"title", f.title}, {"kind", "quickfix"}, {"diagnostics", {s.lsp}},
                             {"isPreferred", f.preferred},
                             {"edit", {{"changes", {{uri, {{{"range", edit_range}, {"newText", f.text}}}}}}}}});
      }
    }
    return s;
  }

 private:
  const Server::State& state_;
  const std::map<std::string, std::string>& path_of_label_;
  const std::map<std::string, const std::string*>& text_of_path_;
  std::string fallback_;
  std::map<std::string, TextLines> lines_;
};

// A file-wide remark, at the top of the file.
StoredDiagnostic remark(const std::string& message, int severity = 3) {
  StoredDiagnostic s;
  s.lsp = {{"range", range(0, 0, 0, 0)}, {"severity", severity}, {"source", "scenarioc"},
           {"message", message}};
  return s;
}

// A train file for a line file that has none beside it, so that the line
// is compiled all the same; its diagnostics are not shown.
constexpr std::string_view kStandInTrain = "[generale]\r\n[fine]\r\n";

PairCompile compile_pair(const Server::State& state, const std::string& line_path,
                         const std::string& train_path, const std::string& edited) {
  PairCompile out;
  out.line_path = line_path;
  out.train_path = train_path;
  const std::string line_label = file_name(line_path);
  const std::string train_label = train_path.empty() ? "" : file_name(train_path);
  std::optional<std::string> line_text = state.text_of(line_path);
  std::optional<std::string> train_text =
      train_path.empty() ? std::optional<std::string>(std::string(kStandInTrain)) : state.text_of(train_path);
  if (!line_text) {
    out.by_path[train_path].push_back(remark(
        "there is no line file " + shown_utf8(line_label) +
        " beside this train file (or it cannot be read): the train is checked against its line, "
        "so nothing is compiled until it is there"));
    return out;
  }
  if (!train_text) return out;

  const std::string line_name = line_name_from_file(line_label).value_or("linea");
  std::string train_number = "0";
  if (!train_path.empty())
    if (const auto names = names_from_train_file(train_label)) train_number = names->train_number;
  CompileOptions options = author_options(line_name, train_number, /*build_line_plan=*/true);

  std::string line_source = *line_text, train_source = *train_text;
  const std::string shown_train_label = train_path.empty() ? "stand-in train file" : train_label;
  PreparedSource pl = prepare_source(line_source, SourceRole::kLine, line_label, options.diagnostics);
  PreparedSource pt = prepare_source(train_source, SourceRole::kTrain, shown_train_label, options.diagnostics);

  std::map<std::string, std::string> path_of_label = {{line_label, line_path}};
  if (!train_path.empty()) path_of_label[train_label] = train_path;
  std::map<std::string, const std::string*> text_of_path = {{line_path, &*line_text}};
  if (!train_path.empty()) text_of_path[train_path] = &*train_text;
  const DiagnosticMaker maker(state, path_of_label, text_of_path, edited);

  std::vector<Diagnostic> all;
  for (Diagnostic& d : pl.diagnostics) all.push_back(std::move(d));
  for (Diagnostic& d : pt.diagnostics) all.push_back(std::move(d));
  if (!pl.refused && !pt.refused) {
    TextSources sources({line_label, std::move(line_source)}, {shown_train_label, std::move(train_source)});
    auto result = std::make_shared<CompileResult>(compile(sources, options));
    for (Diagnostic& d : result->report.diagnostics) all.push_back(std::move(d));
    result->report.diagnostics.clear();
    for (const auto& [kind, count] : result->report.not_shown)
      out.by_path[edited].push_back(
          remark(std::to_string(count) + " more of " + kind + " not shown", 3));
    if (!result->has_route())
      out.by_path[line_path].push_back(remark(
          "the line file gives no route length: nothing is finished and nothing could be written", 1));
    out.compiled = std::move(result);
  }
  out.by_path[line_path];
  if (!train_path.empty()) out.by_path[train_path];
  for (const Diagnostic& d : all) {
    std::string path;
    StoredDiagnostic s = maker.make(d, path);
    if (train_path.empty() && path != line_path) continue;  // the stand-in's own
    out.by_path[path].push_back(std::move(s));
  }
  return out;
}

// The train files that go with a line file: the open ones first, else the
// first on the disk; none when there is neither.
std::vector<std::string> trains_of_line(const Server::State& state, const std::string& line_path) {
  const fs::path dir = fs::path(line_path).parent_path();
  const std::optional<std::string> L = line_name_from_file(file_name(line_path));
  std::vector<std::string> trains;
  if (!L) return trains;
  for (const auto& [uri, d] : state.open) {
    if (d.role != SourceRole::kTrain || fs::path(d.path).parent_path() != dir) continue;
    const auto names = names_from_train_file(file_name(d.path));
    if (names && names->line_name == *L) trains.push_back(d.path);
  }
  if (!trains.empty()) return trains;
  std::error_code ec;
  std::vector<std::string> on_disk;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const auto names = names_from_train_file(name);
    if (names && names->line_name == *L && role_of_file(name) == SourceRole::kTrain)
      on_disk.push_back(it->path().generic_string());
  }
  std::sort(on_disk.begin(), on_disk.end());
  if (!on_disk.empty()) trains.push_back(on_disk.front());
  return trains;
}

}  // namespace

// ---- the messages ----------------------------------------------------------------

namespace {

struct Context {
  Server::State& state;
  const ReferenceTexts& texts;
  const PendingInput& pending;
  const Server::Send& send;
};

void publish(Context& c, const std::string& path, std::vector<StoredDiagnostic> diagnostics,
             std::shared_ptr<const CompileResult> compiled) {
  const std::string uri = c.state.uri_for(path);
  json list = json::array();
  for (const StoredDiagnostic& d : diagnostics) list.push_back(d.lsp);
  json params = {{"uri", uri}, {"diagnostics", list}};
  if (const Document* d = c.state.open_by_path(path)) params["version"] = d->version;
  c.state.published[uri] = {std::move(diagnostics), std::move(compiled)};
  c.send(notification("textDocument/publishDiagnostics", params));
}

void check_document(Context& c, const std::string& uri) {
  const auto it = c.state.open.find(uri);
  if (it == c.state.open.end()) return;
  // A newer text is on its way: this one's result would be stale at once.
  if (c.pending.change_waiting(uri)) return;
  const Document& doc = it->second;
  std::vector<PairCompile> compiles;
  if (doc.role == SourceRole::kTrain) {
    const auto names = names_from_train_file(file_name(doc.path));
    if (!names) return;
    const std::string line_path =
        (fs::path(doc.path).parent_path() / line_source_name(names->line_name)).generic_string();
    compiles.push_back(compile_pair(c.state, line_path, doc.path, doc.path));
  } else {
    const std::vector<std::string> trains = trains_of_line(c.state, doc.path);
    if (trains.empty()) compiles.push_back(compile_pair(c.state, doc.path, "", doc.path));
    for (const std::string& t : trains) compiles.push_back(compile_pair(c.state, doc.path, t, doc.path));
  }
  // A change to any of the files that arrived while they compiled makes
  // the result stale: it is dropped, and the change compiles anew.
  for (const PairCompile& pc : compiles)
    for (const auto& [path, _] : pc.by_path)
      if (c.pending.change_waiting(c.state.uri_for(path))) return;
  std::set<std::string> done;
  for (PairCompile& pc : compiles)
    for (auto& [path, list] : pc.by_path)
      if (done.insert(path).second) publish(c, path, std::move(list), pc.compiled);
}

const Document& document(Context& c, const json& params) {
  const std::string uri = params.at("textDocument").at("uri").get<std::string>();
  const auto it = c.state.open.find(uri);
  if (it == c.state.open.end()) throw std::invalid_argument("the document " + uri + " is not open");
  return it->second;
}

std::pair<size_t, size_t> line_and_byte(const Document& d, const json& pos) {
  const size_t line = pos.at("line").get<size_t>();
  const size_t ch = pos.at("character").get<size_t>();
  return {line, TextLines(d.text).byte_of(line, ch)};
}

// "12+345", as a kilometre is written beside the track.
std::string km_text(int64_t metres) {
  const int64_t a = metres < 0 ? -metres : metres;
  std::string m = std::to_string(a % 1000);
  m.insert(0, 3 - m.size(), '0');
  return std::string(metres < 0 ? "-" : "") + std::to_string(a / 1000) + "+" + m;
}

// The kilometre of a metre of the route: counted up from the kilometric
// progressive (as ordered and flagged by the compile) with the greatest
// start at or before it; the metre itself where the line has none.
std::string kilometre(const Scenario& s, int64_t metre) {
  const ScenarioRecord* best = kilometric_progressive(s.scenario_table, metre);
  if (!best) return "km " + km_text(metre);
  return "km " + km_text(int64_t{best->stop_pos} + (metre - best->start_pos)) + " (the progressive " +
         km_text(best->stop_pos) + " at metre " + std::to_string(best->start_pos) + ", counted up)";
}

std::string value_text(Context& c, const Document& d, const Row& row, const Item& item,
                       std::string_view line) {
  const ValueSpec& v = row.key->values[static_cast<size_t>(item.value)];
  const std::string_view written = line.substr(item.begin, item.end - item.begin);
  std::ostringstream out;
  out << "value " << item.value + 1 << " of " << row.key->key << ": " << v.name;
  if (!v.unit.empty()) out << " (" << v.unit << ")";
  out << "\n" << v.meaning << "\n";
  // The range as the guide words it: the limits of a whole type go unsaid.
  const bool whole_type = (v.type == ValueType::kLong && v.min == INT32_MIN && v.max == INT32_MAX) ||
                          (v.type == ValueType::kInteger && v.min == INT16_MIN && v.max == INT16_MAX);
  if (v.type == ValueType::kText) out << "a text, up to the next comma\n";
  else if (whole_type) out << "any whole number\n";
  else if (v.min <= INT32_MIN) out << "at most " << v.max << "\n";
  else out << "from " << v.min << " to " << v.max << "\n";
  const std::optional<int64_t> n = number_of(written);
  if (n && v.role == ValueRole::kSpeed) out << "read as " << *n << " km/h\n";
  const bool position = v.role == ValueRole::kCellPosition || v.role == ValueRole::kPosition;
  if (n && position) {
    const auto pub = c.state.published.find(d.uri);
    const CompileResult* r = pub == c.state.published.end() ? nullptr : pub->second.compiled.get();
    const int64_t cell = row.key->id == Key::kAbbattimento ? point_cell(*n)
                         : v.role == ValueRole::kCellPosition ? item_cell(*n)
                                                              : cell_of(*n);
    out << "\nmetre " << *n << ": cell " << cell;
    if (r) out << ", " << kilometre(r->scenario, *n);
    out << "\n";
    if (r && r->scenario.has_cell(cell)) {
      const RouteCell& rc = r->scenario.route[static_cast<size_t>(cell)];
      out << "in the compiled route, cell " << cell << " holds " << kind_name(rc.kind);
      if (rc.kind != kEmpty)
        out << " (codes " << rc.code1 << ", " << rc.code2 << ", " << rc.code3 << ", " << rc.code4 << ")";
      out << "\n";
    } else if (r && r->has_route()) {
      out << "cell " << cell << " is outside the route (cells 0 to " << r->scenario.cell_count << ")\n";
    }
  }
  return out.str();
}

json hover(Context& c, const json& params) {
  const Document& d = document(c, params);
  const auto [line, byte] = line_and_byte(d, params.at("position"));
  const SourceView view = read_view(d.text, d.role);
  const TextLines lines(d.text);
  const std::string_view l = lines.line(line);
  std::string text;
  json item_range;
  if (const Row* row = view.row_at(line)) {
    for (const Item& it : row->items) {
      if (byte < it.begin || byte > it.end || it.begin == it.end) continue;
      item_range = range(line, lines.utf16_of(line, it.begin), line, lines.utf16_of(line, it.end));
      const std::string_view written = l.substr(it.begin, it.end - it.begin);
      switch (it.kind) {
        case ItemKind::kKey:
          if (c.texts.keyword) text = c.texts.keyword(*row->key);
          break;
        case ItemKind::kHeader:
          for (const Keyword& k : keyword_table())
            if (k.section == KeySection::kHeader && holds_keyword(written, k) && c.texts.keyword) {
              text = c.texts.keyword(k);
              break;
            }
          if (text.empty()) text = "a header the compiler passes over: it holds no key";
          break;
        case ItemKind::kNumber:
        case ItemKind::kText:
          if (row->key && it.value >= 0) text = value_text(c, d, *row, it, l);
          break;
        case ItemKind::kComment:
          text = "a comment: the compiler skips it";
          break;
        case ItemKind::kUnknown:
          text = "this matches no key of a " +
                 std::string(d.role == SourceRole::kLine ? "line" : "train") +
                 " file here: the compiler passes it over";
          break;
      }
      // A warning's name or an error code written in a comment.
      if (c.texts.explanation && (it.kind == ItemKind::kComment || it.kind == ItemKind::kUnknown)) {
        size_t b = byte, e = byte;
        const auto word = [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '-'; };
        while (b > it.begin && word(l[b - 1])) --b;
        while (e < it.end && word(l[e])) ++e;
        std::string w(l.substr(b, e - b));
        while (!w.empty() && w.front() == '-') w.erase(0, 1);
        while (!w.empty() && w.back() == '-') w.pop_back();
        if (!w.empty())
          if (const auto ex = c.texts.explanation(w)) text = *ex;
      }
      break;
    }
  }
  // The diagnostics at the position, with explain's text of each.
  const auto pub = c.state.published.find(d.uri);
  if (pub != c.state.published.end() && c.texts.explanation) {
    const size_t ch = params.at("position").at("character").get<size_t>();
    for (const StoredDiagnostic& s : pub->second.diagnostics) {
      const json& r = s.lsp["range"];
      if (r["start"]["line"].get<size_t>() != line || s.explain_key.empty()) continue;
      const size_t c0 = r["start"]["character"].get<size_t>(), c1 = r["end"]["character"].get<size_t>();
      if (ch < c0 || ch > c1) continue;
      if (const auto ex = c.texts.explanation(s.explain_key)) {
        if (!text.empty()) text += "\n---\n\n";
        text += *ex;
      }
    }
  }
  if (text.empty()) return nullptr;
  json h = {{"contents", {{"kind", "plaintext"}, {"value", text}}}};
  if (!item_range.is_null()) h["range"] = item_range;
  return h;
}

// How near a key stands to the header it is written under: "[segnali]"
// goes with "segnale", "[curve]" with "curvad1".
bool belongs_under(std::string_view header, std::string_view key) {
  if (!header.empty() && header.front() == '[') header.remove_prefix(1);
  size_t n = 0;
  while (n < header.size() && n < key.size() && lower(header[n]) == lower(key[n])) ++n;
  return n >= 4;
}

json completion(Context& c, const json& params) {
  const Document& d = document(c, params);
  const auto [line, byte] = line_and_byte(d, params.at("position"));
  const SourceView view = read_view(d.text, d.role);
  const TextLines lines(d.text);
  const std::string_view l = lines.line(line);
  // Only the first item of a row is a key: after a comma come values.
  if (l.substr(0, std::min(byte, l.size())).find(',') != std::string_view::npos) return json::array();
  size_t start = 0;
  while (start < byte && (l[start] == ' ' || l[start] == '\t')) ++start;
  const json edit_range = range(line, lines.utf16_of(line, start), line, lines.utf16_of(line, byte));
  const KeySection section = view.section_at(line);
  std::string header;
  for (const Section& s : view.sections)
    if (s.line < line) header = s.name;

  json items = json::array();
  for (const Keyword& k : keyword_table()) {
    const bool of_file = k.file == d.role || k.in_both_files;
    if (!of_file) continue;
    const bool is_header = k.section == KeySection::kHeader;
    if (!is_header && k.section != section) continue;
    std::string detail, snippet = std::string(k.key), plain = std::string(k.key);
    if (!is_header && !k.values.empty()) {
      snippet += ",  ";
      plain += ",  ";
      int n = 1;
      for (const ValueSpec& v : k.values) {
        if (n > 1) snippet += k.blank_separated ? "  " : ", ";
        snippet += "${" + std::to_string(n) + ":" + std::string(v.name) + "}";
        detail += (n > 1 ? ", " : "") + std::string(v.name) + (v.unit.empty() ? "" : " (" + std::string(v.unit) + ")");
        ++n;
      }
    }
    const bool preferred = !is_header && belongs_under(header, k.key);
    json item = {{"label", k.key},
                 {"kind", is_header ? 9 : 14},
                 {"detail", is_header ? std::string(k.description) : detail},
                 {"documentation", std::string(k.description)},
                 {"sortText", (preferred ? "0" : is_header ? "2" : "1") + std::string(k.key)},
                 {"filterText", k.key}};
    if (preferred) item["preselect"] = true;
    const bool use_snippet = c.state.snippets && !is_header && !k.values.empty();
    item["textEdit"] = {{"range", edit_range}, {"newText", use_snippet ? snippet : plain}};
    item["insertTextFormat"] = use_snippet ? 2 : 1;
    items.push_back(item);
  }
  return items;
}

json code_actions(Context& c, const json& params) {
  const Document& d = document(c, params);
  const size_t first = params.at("range").at("start").at("line").get<size_t>();
  const size_t last = params.at("range").at("end").at("line").get<size_t>();
  json actions = json::array();
  const auto pub = c.state.published.find(d.uri);
  if (pub == c.state.published.end()) return actions;
  for (const StoredDiagnostic& s : pub->second.diagnostics) {
    const size_t l0 = s.lsp["range"]["start"]["line"].get<size_t>();
    const size_t l1 = s.lsp["range"]["end"]["line"].get<size_t>();
    if (l1 < first || l0 > last) continue;
    for (const json& a : s.actions) actions.push_back(a);
  }
  return actions;
}

json symbol(const std::string& name, const std::string& detail, int kind, const json& r, const json& sel) {
  return {{"name", name.empty() ? "(no name)" : name}, {"detail", detail}, {"kind", kind},
          {"range", r}, {"selectionRange", sel}};
}

json document_symbols(Context& c, const json& params) {
  const Document& d = document(c, params);
  const SourceView view = read_view(d.text, d.role);
  const TextLines lines(d.text);
  json top = json::array();
  std::vector<json> sections;
  for (const Section& s : view.sections) {
    const size_t end_line =
        &s == &view.sections.back() ? lines.count() - 1
        : (&s + 1)->line > s.line   ? (&s + 1)->line - 1
                                    : s.line;
    const size_t end_char = lines.utf16_of(end_line, lines.line(end_line).size());
    json sym = symbol(s.name, "", 3, range(s.line, 0, end_line, end_char),
                      range(s.line, 0, s.line, lines.utf16_of(s.line, lines.line(s.line).size())));
    sym["children"] = json::array();
    sections.push_back(sym);
  }
  for (const Row& row : view.rows) {
    if (!row.key) continue;
    const std::string_view l = lines.line(row.line);
    std::string position, name;
    for (const Item& it : row.items) {
      if (it.value == 0) position = std::string(l.substr(it.begin, it.end - it.begin));
      if (it.kind == ItemKind::kText && row.key->id == Key::kStazione)
        name = std::string(l.substr(it.begin, it.end - it.begin));
    }
    int kind = 0;
    std::string label, detail = "at " + position + " m";
    switch (row.key->id) {
      case Key::kStazione: kind = 23; label = name; break;
      case Key::kSegnale: kind = 14; label = "signal at " + position + " m"; detail = ""; break;
      case Key::kCurva: {
        const Item& key = *std::find_if(row.items.begin(), row.items.end(),
                                         [](const Item& i) { return i.kind == ItemKind::kKey; });
        kind = 12;
        label = std::string(l.substr(key.begin, key.end - key.begin));
        break;
      }
      case Key::kRallentamento: kind = 24; label = "slow-down at " + position + " m"; detail = ""; break;
      default: break;
    }
    if (kind == 0) continue;
    const size_t width = lines.utf16_of(row.line, l.size());
    json sym = symbol(shown_utf8(label), shown_utf8(detail), kind, range(row.line, 0, row.line, width),
                      range(row.line, 0, row.line, width));
    if (row.section >= 0 && static_cast<size_t>(row.section) < sections.size())
      sections[static_cast<size_t>(row.section)]["children"].push_back(sym);
    else
      top.push_back(sym);
  }
  for (json& s : sections) top.push_back(std::move(s));
  return top;
}

json semantic_tokens(Context& c, const json& params) {
  const Document& d = document(c, params);
  const SourceView view = read_view(d.text, d.role);
  const TextLines lines(d.text);
  struct Token {
    size_t line, begin, end;
    int type, modifiers;
  };
  std::vector<Token> tokens;
  for (const Row& row : view.rows) {
    const std::string_view l = lines.line(row.line);
    std::vector<Token> here;
    for (const Item& it : row.items) {
      if (it.begin == it.end) continue;
      switch (it.kind) {
        case ItemKind::kKey: {
          // The words the compiler matched, wherever they stand in the key:
          // "curva destra" is a curve, and its "s" makes it bend left.
          const std::string_view key = l.substr(it.begin, it.end - it.begin);
          std::vector<std::pair<size_t, size_t>> words;
          for (const std::string_view w : row.key->words) {
            const size_t at = find_ci(key, w, row.key->case_sensitive);
            if (at != std::string_view::npos) words.push_back({at, at + w.size()});
          }
          for (const auto& [b, e] : words) here.push_back({row.line, it.begin + b, it.begin + e, kTokKeyword, 0});
          for (const KeyVariant& v : row.key->variants) {
            for (size_t from = 0;;) {
              const size_t at = find_ci(key.substr(from), v.text, false);
              if (at == std::string_view::npos) break;
              const size_t b = from + at, e = b + v.text.size();
              const bool inside = std::any_of(words.begin(), words.end(),
                                              [&](const auto& w) { return b < w.second && e > w.first; });
              if (!inside) {
                here.push_back({row.line, it.begin + b, it.begin + e, kTokVariant, 0});
                break;
              }
              from = b + 1;
            }
          }
          break;
        }
        case ItemKind::kHeader: here.push_back({row.line, it.begin, it.end, kTokHeader, 0}); break;
        case ItemKind::kNumber: here.push_back({row.line, it.begin, it.end, kTokNumber, 0}); break;
        case ItemKind::kText: here.push_back({row.line, it.begin, it.end, kTokText, 0}); break;
        case ItemKind::kComment: here.push_back({row.line, it.begin, it.end, kTokComment, 0}); break;
        case ItemKind::kUnknown: here.push_back({row.line, it.begin, it.end, kTokUnread, 1}); break;
      }
    }
    std::sort(here.begin(), here.end(), [](const Token& a, const Token& b) { return a.begin < b.begin; });
    size_t last_end = 0;
    for (const Token& t : here) {
      if (t.begin < last_end) continue;  // tokens never overlap
      tokens.push_back(t);
      last_end = t.end;
    }
  }
  json data = json::array();
  size_t prev_line = 0, prev_char = 0;
  for (const Token& t : tokens) {
    const size_t ch = lines.utf16_of(t.line, t.begin);
    const size_t length = lines.utf16_of(t.line, t.end) - ch;
    if (length == 0) continue;
    data.push_back(t.line - prev_line);
    data.push_back(t.line == prev_line ? ch - prev_char : ch);
    data.push_back(length);
    data.push_back(t.type);
    data.push_back(t.modifiers);
    prev_line = t.line;
    prev_char = ch;
  }
  return {{"data", data}};
}

void open_document(Context& c, const json& td) {
  Document d;
  d.uri = td.at("uri").get<std::string>();
  d.text = td.at("text").get<std::string>();
  d.version = td.value("version", int64_t{0});
  const std::optional<std::string> path = path_of_uri(d.uri);
  const std::optional<SourceRole> role = path ? role_of_file(*path) : std::nullopt;
  if (!path || !role) {
    // Not a line or train file by its name: its partner cannot be told.
    c.state.open.erase(d.uri);
    c.send(notification("window/logMessage",
                        {{"type", 3},
                         {"message", "scenarioc: " + d.uri +
                                         " is named neither N_linea.txt nor N_T-.txt; it is not checked"}}));
    return;
  }
  d.path = *path;
  d.role = *role;
  c.state.open[d.uri] = std::move(d);
}

// Applies one change of textDocument/didChange: the whole text, or a range
// of it replaced.
void apply_change(Document& d, const json& change) {
  const std::string text = change.at("text").get<std::string>();
  if (!change.contains("range")) {
    d.text = text;
    return;
  }
  const TextLines lines(d.text);
  const json& r = change.at("range");
  const auto offset = [&](const json& p) {
    const size_t line = p.at("line").get<size_t>();
    if (line >= lines.count()) return d.text.size();
    return lines.line_start(line) + lines.byte_of(line, p.at("character").get<size_t>());
  };
  size_t b = offset(r.at("start")), e = offset(r.at("end"));
  if (e < b) std::swap(b, e);
  d.text.replace(b, e - b, text);
}

}  // namespace

void Server::handle(const Frame& frame, const PendingInput& pending, const Send& send) {
  if (frame.kind == Frame::Kind::kEnd) return;
  if (frame.kind == Frame::Kind::kBroken) {
    send(error_response(nullptr, kParseError, "a message the server cannot read: " + frame.error));
    return;
  }
  if (nested_deeper_than(frame.body)) {
    send(error_response(nullptr, kParseError,
                        "a message nested deeper than " + std::to_string(kDeepestMessage) + " levels"));
    return;
  }
  json m;
  try {
    m = json::parse(frame.body);
  } catch (const json::exception& e) {
    send(error_response(nullptr, kParseError, std::string("the message is no JSON: ") + e.what()));
    return;
  }
  handle_message(m, pending, send);
}

void Server::handle_message(const json& m, const PendingInput& pending, const Send& send) {
  if (!m.is_object() || !m.contains("method") || !m["method"].is_string()) {
    // A response from the editor to nothing we asked is passed over; any
    // other shape is no request.
    if (m.is_object() && m.contains("id") && (m.contains("result") || m.contains("error"))) return;
    json id = m.is_object() && m.contains("id") && (m["id"].is_number_integer() || m["id"].is_string()) ? m["id"] : json(nullptr);
    send(error_response(id, kInvalidRequest, "not a JSON-RPC request or notification"));
    return;
  }
  const std::string method = m["method"].get<std::string>();
  const bool request = m.contains("id");
  const json id = request ? m["id"] : json(nullptr);
  if (request && !id.is_number_integer() && !id.is_string()) {
    send(error_response(nullptr, kInvalidRequest, "a request id is a number or a string"));
    return;
  }
  const json params = m.contains("params") ? m["params"] : json::object();
  Context c{*state_, texts_, pending, send};

  if (request && pending.cancel_waiting(id)) {
    send(error_response(id, kRequestCancelled, "cancelled"));
    return;
  }
  try {
    if (method == "initialize") {
      initialized_ = true;
      state_->snippets = params.is_object() &&
                         params.value(json::json_pointer("/capabilities/textDocument/completion/completionItem/snippetSupport"), false);
      if (request)
        send(result_response(id, {{"capabilities", capabilities()},
                                  {"serverInfo", {{"name", "scenarioc"}, {"version", version_}}}}));
      return;
    }
    if (method == "exit") {
      done_ = true;
      return;
    }
    if (!initialized_) {
      if (request) send(error_response(id, kServerNotInitialized, "initialize comes first"));
      return;
    }
    if (shutdown_ && request) {
      send(error_response(id, kInvalidRequest, "the server is shutting down"));
      return;
    }
    if (method == "shutdown") {
      shutdown_ = true;
      if (request) send(result_response(id, nullptr));
      return;
    }
    if (method == "textDocument/didOpen") {
      open_document(c, params.at("textDocument"));
      check_document(c, params.at("textDocument").at("uri").get<std::string>());
      return;
    }
    if (method == "textDocument/didChange") {
      const std::string uri = params.at("textDocument").at("uri").get<std::string>();
      const auto it = state_->open.find(uri);
      if (it == state_->open.end()) return;
      for (const json& change : params.at("contentChanges")) apply_change(it->second, change);
      it->second.version = params.at("textDocument").value("version", it->second.version);
      check_document(c, uri);
      return;
    }
    if (method == "textDocument/didSave") {
      check_document(c, params.at("textDocument").at("uri").get<std::string>());
      return;
    }
    if (method == "textDocument/didClose") {
      const std::string uri = params.at("textDocument").at("uri").get<std::string>();
      state_->open.erase(uri);
      state_->published.erase(uri);
      send(notification("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}}));
      return;
    }
    json result;
    if (method == "textDocument/hover") result = hover(c, params);
    else if (method == "textDocument/completion") result = completion(c, params);
    else if (method == "textDocument/codeAction") result = code_actions(c, params);
    else if (method == "textDocument/documentSymbol") result = document_symbols(c, params);
    else if (method == "textDocument/semanticTokens/full") result = semantic_tokens(c, params);
    else {
      // Notifications the server has no use for ($/cancelRequest,
      // $/setTrace, workspace changes) are passed over, as the protocol asks.
      if (request) send(error_response(id, kMethodNotFound, "no method " + method));
      return;
    }
    if (request) send(result_response(id, std::move(result)));
  } catch (const std::exception& e) {
    if (request) send(error_response(id, kInvalidParams, std::string("bad parameters: ") + e.what()));
  }
}

}  // namespace scenarioc::lsp
