#include <exception>
#include <iostream>

#include "tools/Command.h"

namespace velmora::tool {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

std::optional<std::string> ParsedArgs::Option(const std::string& name) const {
  const auto it = options.find(name);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flagOptions) {
  ParsedArgs parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      if (valueOptions.count(arg)) {
        if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
        parsed.options[arg] = args[++i];
      } else if (flagOptions.count(arg)) {
        parsed.flags.insert(arg);
      } else {
        throw UsageError("unknown option " + arg);
      }
    } else {
      parsed.positional.push_back(arg);
    }
  }
  return parsed;
}

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage:\n";
  for (const auto& command : Commands()) out << "  " << command.usage << "\n";
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(std::cerr);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(std::cout);
    return 0;
  }
  for (const auto& command : Commands()) {
    if (command.name != name) continue;
    try {
      return command.run(std::vector<std::string>(argv + 2, argv + argc));
    } catch (const UsageError& e) {
      std::cerr << "velmora-tool " << name << ": " << e.what() << "\nusage: " << command.usage << "\n";
      return 2;
    } catch (const std::exception& e) {
      std::cerr << "velmora-tool " << name << ": " << e.what() << "\n";
      return 1;
    }
  }
  std::cerr << "velmora-tool: unknown command \"" << name << "\"\n";
  PrintUsage(std::cerr);
  return 2;
}

}  // namespace velmora::tool
