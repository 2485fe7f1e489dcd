#pragma once
// velmora-tool commands. Each command's file registers itself with a static
// RegisterCommand, so adding a command touches no other file.

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::tool {

// Thrown for wrong usage; the tool prints the message and the usage, exit 2.
class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct Command {
  std::string name;
  std::string usage;  // one or more lines: "velmora-tool NAME ..."
  int (*run)(const std::vector<std::string>& args);  // args after the command name
};

std::vector<Command>& Commands();

struct RegisterCommand {
  explicit RegisterCommand(Command command) { Commands().push_back(std::move(command)); }
};

// "--name value" options, "--flag" switches and positional arguments.
// Unknown options and missing values raise UsageError.
struct ParsedArgs {
  std::map<std::string, std::string> options;
  std::set<std::string> flags;
  std::vector<std::string> positional;
  std::optional<std::string> Option(const std::string& name) const;
  bool Flag(const std::string& name) const { return flags.count(name) != 0; }
};
ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flagOptions = {});

// The command named by argv[1] run with the rest; its exit status.
int RunCommandLine(int argc, char** argv);

// `bytes` as the program shows it (UTF-8, else Windows-1252), as a JSON string.
std::string JsonString(std::string_view bytes);

}  // namespace velmora::tool
