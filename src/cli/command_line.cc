#include "cli/command_line.h"

#include <algorithm>
#include <ostream>

namespace scenarioc {
namespace {

const OptionSpec* find_option(const CommandSpec& spec, std::string_view name) {
  for (const OptionSpec& o : spec.options)
    if (o.name == name || (!o.short_name.empty() && o.short_name == name)) return &o;
  return nullptr;
}

std::string command_words(const CommandSpec& spec) {
  return spec.name.empty() ? std::string("scenarioc") : "scenarioc " + std::string(spec.name);
}

std::string option_words(const OptionSpec& o) {
  std::string words;
  if (!o.short_name.empty()) words += std::string(o.short_name) + ", ";
  words += o.name;
  if (o.value_optional) words += " [" + std::string(o.value_name) + "]";
  else if (!o.value_name.empty()) words += (o.prefix ? "" : " ") + std::string(o.value_name);
  return words;
}

const OptionSpec* find_prefix_option(const CommandSpec& spec, std::string_view arg) {
  for (const OptionSpec& o : spec.options)
    if (o.prefix && arg.size() > o.name.size() && arg.substr(0, o.name.size()) == o.name)
      return &o;
  return nullptr;
}

}  // namespace

std::optional<std::string> Arguments::value(std::string_view option) const {
  const auto it = options.find(option);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> Arguments::values(std::string_view option) const {
  const auto it = all_values.find(option);
  if (it == all_values.end()) return {};
  return it->second;
}

std::optional<std::string> parse_arguments(const CommandSpec& spec,
                                           std::span<const std::string> args,
                                           Arguments& parsed) {
  const std::string who = command_words(spec);
  bool options_end = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options_end || a.size() < 2 || a[0] != '-') {
      parsed.positional.push_back(a);
      continue;
    }
    if (a == "--") {  // what follows is a file name, whatever it looks like
      options_end = true;
      continue;
    }
    if (const OptionSpec* p = find_prefix_option(spec, a)) {
      const std::string key(p->name);
      parsed.options[key] = a.substr(key.size());
      parsed.all_values[key].push_back(a.substr(key.size()));
      continue;
    }
    const size_t eq = a.rfind("--", 0) == 0 ? a.find('=') : std::string::npos;
    const std::string name = a.substr(0, eq);
    const OptionSpec* o = find_option(spec, name);
    if (!o || o->prefix) return "unknown option '" + name + "' for " + who;
    const std::string key(o->name);
    if (o->value_name.empty()) {
      if (eq != std::string::npos) return "option '" + key + "' takes no value";
      parsed.options[key] = "";
    } else if (eq != std::string::npos) {
      parsed.options[key] = a.substr(eq + 1);
    } else if (o->value_optional) {
      const bool number = i + 1 < args.size() && !args[i + 1].empty() &&
                          args[i + 1].find_first_not_of("0123456789") == std::string::npos;
      parsed.options[key] = number ? args[++i] : "";
    } else {
      if (i + 1 >= args.size()) return "option '" + name + "' needs a value";
      parsed.options[key] = args[++i];
    }
    parsed.all_values[key].push_back(parsed.options[key]);
  }
  for (const auto& [a, b] : spec.conflicts)
    if (parsed.has(a) && parsed.has(b))
      return "options '" + std::string(a) + "' and '" + std::string(b) +
             "' cannot be given together";
  const size_t n = parsed.positional.size();
  if (n < spec.min_positional || n > spec.max_positional) {
    if (spec.max_positional == 0)
      return spec.name.empty() ? "unknown command '" + parsed.positional[0] + "'"
                               : who + " takes no files";
    if (n > spec.max_positional)
      return "too many arguments for " + who + ": it takes " + std::string(spec.arguments);
    return who + " needs " + std::string(spec.arguments);
  }
  return std::nullopt;
}

void print_overview(std::span<const CommandSpec> commands, std::ostream& out) {
  out << "usage: scenarioc [COMMAND] [OPTIONS]\n\n"
         "The scenario compiler of the train-driving simulator. Without a command it\n"
         "runs the built-in scenario.\n\ncommands:\n";
  size_t width = 0;
  for (const CommandSpec& c : commands)
    width = std::max(width, c.name.empty() ? std::string_view("(none)").size() : c.name.size());
  for (const CommandSpec& c : commands) {
    const std::string name = c.name.empty() ? "(none)" : std::string(c.name);
    out << "  " << name << std::string(width - name.size() + 3, ' ') << c.summary << '\n';
  }
  out << "\n'scenarioc help COMMAND' or 'scenarioc COMMAND --help' tells more of one;\n"
         "'scenarioc help warnings' lists the warnings of compile and check.\n"
         "Exit status: 0 no failure, 1 failures reported (files still written),\n"
         "2 ended early, no compiled file replaced.\n";
}

void print_command_help(const CommandSpec& spec, std::ostream& out) {
  out << "usage: " << command_words(spec);
  if (!spec.arguments.empty()) out << ' ' << spec.arguments;
  if (!spec.options.empty()) out << " [OPTIONS]";
  out << "\n\n" << spec.summary << '\n';
  if (!spec.details.empty()) out << '\n' << spec.details << '\n';
  if (spec.options.empty()) return;
  out << "\noptions:\n";
  size_t width = 0;
  for (const OptionSpec& o : spec.options) width = std::max(width, option_words(o).size());
  for (const OptionSpec& o : spec.options) {
    const std::string words = option_words(o);
    out << "  " << words << std::string(width - words.size() + 3, ' ') << o.help << '\n';
  }
}

}  // namespace scenarioc
