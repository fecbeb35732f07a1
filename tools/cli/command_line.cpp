#include "tools/cli/command_line.h"

#include <cctype>
#include <memory>
#include <vector>

namespace tools {

namespace {

std::string Join(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names)
    out += (out.empty() ? "" : ", ") + n;
  return out;
}

std::vector<std::string> OptionNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* o : app.get_options()) {
    if (!o->get_positional()) names.push_back(o->get_name());
  }
  return names;
}

std::vector<std::string> ArgumentNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* o : app.get_options()) {
    if (o->get_positional()) names.push_back(o->get_name());
  }
  return names;
}

std::vector<std::string> CommandNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* c : app.get_subcommands([](const CLI::App*) { return true; }))
    names.push_back(c->get_name());
  return names;
}

// "--name" of "--name=value"; negative numbers are arguments, not options.
bool IsOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-' && !std::isdigit(static_cast<unsigned char>(arg[1])) &&
         arg[1] != '.';
}
std::string OptionName(const std::string& arg) {
  return arg.substr(0, arg.find('='));
}

class PlainFormatter : public CLI::Formatter {
 public:
  std::string make_option_opts(const CLI::Option* option) const override {
    // A flag has no type name.
    if (option->get_positional() || option->get_type_name().empty()) return "";
    const std::string& text = option->get_option_text();
    return " " + (text.empty() ? std::string("VALUE") : text);
  }
};

}  // namespace

void UsePlainHelp(CLI::App& app) {
  app.formatter(std::make_shared<PlainFormatter>());
}

std::string ExplainParseError(const CLI::App& app, const CLI::ParseError& error) {
  // The command the words were meant for: the last one recognised.
  const CLI::App* command = &app;
  for (std::vector<CLI::App*> parsed = app.get_subcommands(); !parsed.empty();
       parsed = command->get_subcommands())
    command = parsed.front();
  const std::vector<std::string> commands = CommandNames(*command);
  const std::string who = command == &app ? "" : command->get_name() + ": ";

  if (!commands.empty() && command->get_subcommands().empty() &&
      command->get_require_subcommand_min() > 0) {
    for (const std::string& arg : command->remaining()) {
      if (IsOption(arg)) continue;
      return who + "unknown command \"" + arg + "\" (commands: " + Join(commands) + ")";
    }
    for (const std::string& arg : command->remaining())
      return who + "unknown option " + OptionName(arg) +
             " (options: " + Join(OptionNames(*command)) + "; commands: " + Join(commands) + ")";
    return who + "say which command to run: " + Join(commands);
  }
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    const std::vector<std::string> extras = command->remaining();
    for (const std::string& arg : extras) {
      if (IsOption(arg))
        return who + "unknown option " + OptionName(arg) +
               " (options: " + Join(OptionNames(*command)) + ")";
    }
    if (!extras.empty()) {
      const std::vector<std::string> arguments = ArgumentNames(*command);
      return who + "unexpected argument \"" + extras.front() + "\" (takes " +
             (arguments.empty() ? std::string("none") : Join(arguments)) + ")";
    }
  }
  return who + error.what();
}

}  // namespace tools
