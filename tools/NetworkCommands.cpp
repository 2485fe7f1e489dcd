// `news` and `update-check` as velmora-tool shows them: the helper program
// beside it takes over the process with the same command line.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/Places.h"
#include "tools/Command.h"
#include "tools/NetworkCommands.h"

namespace velmora::tool {

namespace {

int RunInHelper(const char* name, const std::vector<std::string>& args) {
  const std::string helper = (RunningProgramFolder() / VELMORA_NETWORK_TOOL).string();
  std::vector<std::string> words{helper, name};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::cout.flush();
  ::execv(helper.c_str(), argv.data());
  std::cerr << "velmora-tool " << name << ": cannot start " << helper << ": " << std::strerror(errno) << "\n";
  return 1;
}

int RunNews(const std::vector<std::string>& args) { return RunInHelper("news", args); }
int RunUpdateCheck(const std::vector<std::string>& args) { return RunInHelper("update-check", args); }
int RunPublish(const std::vector<std::string>& args) { return RunInHelper("publish", args); }

const RegisterCommand kNews{{"news", kNewsUsage, &RunNews}};
const RegisterCommand kUpdateCheck{{"update-check", kUpdateCheckUsage, &RunUpdateCheck}};
const RegisterCommand kPublish{{"publish", kPublishUsage, &RunPublish}};

}  // namespace

}  // namespace velmora::tool
