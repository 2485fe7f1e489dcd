#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "app/FileIO.h"
#include "crypto/AesLib.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

const std::filesystem::path kDataDir = std::filesystem::path(VELMORA_TEST_DATA_DIR) / "cipher";
const std::string kLongPassphrase = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuv";

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct ToolRun {
  int exitCode;
  std::string error;
};

class CipherTool : public ::testing::Test {
protected:
  ToolRun Tool(const std::vector<std::string>& args) {
    std::string command = Quote(VELMORA_TOOL_PATH);
    for (const auto& arg : args) {
      command += ' ';
      command += Quote(arg);
    }
    command += " 2>" + Quote((dir / "stderr.txt").string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.Read("stderr.txt")};
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  test::TempDir dir;
};

int LineCount(const std::string& text) {
  int lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

}  // namespace

TEST_F(CipherTool, EncipheredFileDeciphersBackWithTheSameGivenOrSettingsPassphrase) {
  const std::string plain = ReadWholeFile(kDataDir / "short.txt").value();
  dir.Write("plain.txt", plain);
  struct Row {
    std::vector<std::string> options;
    std::string passphrase;
    std::size_t saltLength;
  };
  for (const Row& row : {Row{{}, std::string(kSettingsPassphrase), 8},
                         Row{{"--passphrase", kLongPassphrase}, kLongPassphrase, 16}}) {
    SCOPED_TRACE(row.passphrase);
    const auto args = [&row](const char* command, const std::string& in, const std::string& out) {
      std::vector<std::string> all = {command};
      all.insert(all.end(), row.options.begin(), row.options.end());
      all.insert(all.end(), {in, out});
      return all;
    };
    const ToolRun enciphered = Tool(args("encipher", Path("plain.txt"), Path("out.dat")));
    EXPECT_EQ(enciphered.exitCode, 0) << enciphered.error;
    EXPECT_EQ(std::filesystem::file_size(dir / "out.dat"), plain.size() + row.saltLength + 12);
    // The program itself must be able to read what the tool wrote.
    std::string inProcess;
    EXPECT_EQ(DecipherBytes(dir.Read("out.dat"), inProcess, row.passphrase), CipherResult::Ok);
    EXPECT_EQ(inProcess, plain);
    EXPECT_EQ(Tool(args("decipher", Path("out.dat"), Path("back.txt"))).exitCode, 0);
    EXPECT_EQ(dir.Read("back.txt"), plain);
  }
}

TEST_F(CipherTool, ReferenceSettingsFileDeciphersWithoutAPassphrase) {
  EXPECT_EQ(Tool({"decipher", (kDataDir / "m1-short.dat").string(), Path("m1.txt")}).exitCode, 0);
  EXPECT_EQ(dir.Read("m1.txt"), ReadWholeFile(kDataDir / "short.txt").value());
}

TEST_F(CipherTool, WrongPassphraseFailsWithOneLineKeepsAnOldOutputAndCreatesAMissingOneEmpty) {
  dir.Write("old.txt", "previous");
  for (const char* target : {"old.txt", "new.txt"}) {
    const ToolRun run =
        Tool({"decipher", "--passphrase", "wrong", (kDataDir / "m1-short.dat").string(), Path(target)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(LineCount(run.error), 1) << run.error;
  }
  EXPECT_EQ(dir.Read("old.txt"), "previous");
  EXPECT_TRUE(dir.Exists("new.txt"));
  EXPECT_EQ(dir.Read("new.txt"), "");
}

TEST_F(CipherTool, AlteredFileFailsButLeavesTheDecipheredText) {
  std::string enciphered = ReadWholeFile(kDataDir / "m1-short.dat").value();
  enciphered[12] = static_cast<char>(enciphered[12] ^ 4);
  dir.Write("altered.dat", enciphered);
  const ToolRun run = Tool({"decipher", Path("altered.dat"), Path("out.txt")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(LineCount(run.error), 1) << run.error;
  std::string expected = ReadWholeFile(kDataDir / "short.txt").value();
  expected[2] = static_cast<char>(expected[2] ^ 4);
  EXPECT_EQ(dir.Read("out.txt"), expected);
}

TEST_F(CipherTool, MissingInputFailsWithoutCreatingTheOutput) {
  for (const char* command : {"encipher", "decipher"}) {
    SCOPED_TRACE(command);
    const ToolRun run = Tool({command, Path("absent"), Path("out")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(LineCount(run.error), 1) << run.error;
    EXPECT_FALSE(dir.Exists("out"));
  }
}

TEST_F(CipherTool, FailedEncipheringKeepsTheExistingOutput) {
  dir.Write("dbsettings.dat", "good enciphered file");
  std::filesystem::create_directory(dir / "folder");
  const ToolRun run = Tool({"encipher", Path("folder"), Path("dbsettings.dat")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(dir.Read("dbsettings.dat"), "good enciphered file");
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "dbsettings.dat" || name == "folder" || name == "stderr.txt") << name;
  }
}

TEST_F(CipherTool, WrongUsageExitsWithTwoAndShowsUsage) {
  dir.Write("plain.txt", "text");
  const std::vector<std::vector<std::string>> wrongUsages = {
      {"encipher"},
      {"encipher", Path("plain.txt")},
      {"encipher", Path("plain.txt"), Path("a"), Path("b")},
      {"decipher", "--passphrase"},
      {"decipher", "--key", "x", Path("plain.txt"), Path("out")},
  };
  for (const auto& args : wrongUsages) {
    SCOPED_TRACE(args.size());
    const ToolRun run = Tool(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.error.find("usage: velmora-tool " + args[0]), std::string::npos) << run.error;
  }
  EXPECT_FALSE(dir.Exists("out"));
  EXPECT_FALSE(dir.Exists("a"));
}
