// velmora-tool generate, run as a publisher's batch script would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "app/Places.h"
#include "app/Utils.h"
#include "tests/mock/TempDir.h"

using velmora::test::TempDir;

namespace {

struct ToolFixture : ::testing::Test {
  TempDir dir;
  std::string err;

  ToolFixture() {
    dir.Write("prog/Templates/alpha.tem", "A:%%TITLE%%\n");
    dir.Write("prog/Templates/Beta.tem", "B:%%TITLE%%|%%AFFILIATELINK%%%%AFFILIATECODE%%\n");
    dir.Write("p.set", Project("Beta"));
  }
  static std::string Project(const std::string& templ) {
    return "<%%AfTitle%%>Hi<%%/AfTitle%%>\r\n<%%AfURL%%>http://xxxx.example/<%%/AfURL%%>\r\n"
           "<%%AfClickBankId%%>7<%%/AfClickBankId%%>\r\n<%%AfTemplate%%>" + templ + "<%%/AfTemplate%%>\r\n";
  }
  int Run(const std::string& args) {
    // A folder the user chose in the window must not steer the test's pages.
    const std::string command = "env XDG_CONFIG_HOME='" + (dir / "config").string() + "' XDG_DATA_HOME='" +
                                (dir / "data").string() + "' " + std::string(VELMORA_TOOL_PATH) + " generate " +
                                args + " >'" +
                                (dir / "out.txt").string() + "' 2>'" + (dir / "err.txt").string() + "'";
    const int status = std::system(command.c_str());
    err = dir.Read("err.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Base() const { return "--program-folder '" + (dir / "prog").string() + "' --project '" + (dir / "p.set").string() + "'"; }
};

}  // namespace

TEST_F(ToolFixture, WritesThePageOfTheProjectsTemplateWithCrLf) {
  ASSERT_EQ(Run(Base() + " --output '" + (dir / "page.htm").string() + "'"), 0) << err;
  EXPECT_EQ(dir.Read("page.htm"), "B:Hi|http://xxxx.example/?e=7\r\n");
  EXPECT_EQ(dir.Read("out.txt"), "");
}

TEST_F(ToolFixture, WritesToStandardOutputWithoutAnOutputFile) {
  ASSERT_EQ(Run(Base()), 0) << err;
  EXPECT_EQ(dir.Read("out.txt"), "B:Hi|http://xxxx.example/?e=7\r\n");
}

TEST_F(ToolFixture, UsesTheProjectsTemplateOrTheFirstWhenItNamesNone) {
  const std::pair<std::string, std::string> cases[] = {
      {"bEtA", "B:"},  // matched without regard to case
      {"", "A:"},
  };
  for (const auto& [templ, start] : cases) {
    dir.Write("p.set", Project(templ));
    ASSERT_EQ(Run(Base()), 0) << templ << ": " << err;
    EXPECT_EQ(dir.Read("out.txt").substr(0, 2), start) << templ;
  }
  EXPECT_EQ(Run(Base() + " --template ALPHA"), 0);
  EXPECT_EQ(dir.Read("out.txt"), "A:Hi\r\n") << "--template overrides the project";
}

TEST_F(ToolFixture, UnknownOrUnsafeTemplateExitsTwoNamingTheInstalledOnes) {
  const std::string page = (dir / "page.htm").string();
  for (const std::string templ : {"Gamma", "..", "../Templates/alpha", "../../../etc/passwd"}) {
    dir.Write("p.set", Project(templ));
    EXPECT_EQ(Run(Base() + " --output '" + page + "'"), 2) << templ;
    EXPECT_EQ(err, "velmora-tool generate: No template named \"" + templ + "\". Installed templates: Alpha, Beta.\n");
    EXPECT_FALSE(dir.Exists("page.htm")) << templ;
  }
  dir.Write("p.set", Project("Beta"));
  EXPECT_EQ(Run(Base() + " --template Missing"), 2);
  EXPECT_EQ(Run("--program-folder '" + (dir / "empty").string() + "' --project '" + (dir / "p.set").string() + "'"), 2);
  EXPECT_NE(err.find("Installed templates: none."), std::string::npos) << err;
}

TEST_F(ToolFixture, FailuresExitOneWithOneLineAndWriteNothing) {
  const std::string page = (dir / "page.htm").string();
  // A template over 4 MB, and one whose page would pass 64 MB.
  dir.Write("prog/Templates/huge.tem", "");
  std::filesystem::resize_file(dir / "prog/Templates/huge.tem", 5 << 20);
  std::string titles;
  for (int i = 0; i < 4000; ++i) titles += "%%TITLE%%";  // as many as a template may hold
  dir.Write("prog/Templates/titles.tem", titles);
  dir.Write("long.set", "<%%AfTitle%%>" + std::string(20000, 't') + "<%%/AfTitle%%>\r\n");
  const std::string cases[] = {
      "--program-folder '" + (dir / "prog").string() + "' --project '" + (dir / "none.set").string() +
          "' --output '" + page + "'",
      Base() + " --template Huge --output '" + page + "'",
      "--program-folder '" + (dir / "prog").string() + "' --project '" + (dir / "long.set").string() +
          "' --template Titles --output '" + page + "'",
  };
  for (const auto& args : cases) {
    EXPECT_EQ(Run(args), 1) << args;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_FALSE(dir.Exists("page.htm")) << args;
  }
  EXPECT_NE(err.find("The page would be larger than 64 MB; the template repeats the title too often."),
            std::string::npos) << err;
  EXPECT_EQ(Run(Base() + " --output '" + (dir / "no/such/folder/page.htm").string() + "'"), 1);
  EXPECT_NE(err.find("page.htm"), std::string::npos) << err;
}

TEST_F(ToolFixture, WrongUsageExitsTwo) {
  const std::string cases[] = {"", "--program-folder x", Base() + " --bogus", Base() + " extra",
                               Base() + " --output"};
  for (const auto& args : cases) EXPECT_EQ(Run(args), 2) << args;
}

TEST_F(ToolFixture, DeliverSavesWhereGenerateCodeWouldAndPrintsThePath) {
  ASSERT_EQ(Run(Base() + " --deliver"), 0) << err;
  const std::string saved = (dir / "prog" / "Output" / "hi.htm").string();
  EXPECT_EQ(dir.Read("out.txt"), saved + "\n");
  EXPECT_EQ(dir.Read("prog/Output/hi.htm").substr(0, 32), "B:Hi|http://xxxx.example/?e=7\r\n<");
  // The same project's page again is replaced; someone else's only with --overwrite.
  ASSERT_EQ(Run(Base() + " --deliver"), 0) << err;
  dir.Write("prog/Output/hi.htm", "<p>another page</p>");
  EXPECT_EQ(Run(Base() + " --deliver"), 1);
  EXPECT_NE(err.find("--overwrite"), std::string::npos) << err;
  EXPECT_EQ(dir.Read("prog/Output/hi.htm"), "<p>another page</p>");
  ASSERT_EQ(Run(Base() + " --deliver --overwrite"), 0) << err;
  EXPECT_EQ(dir.Read("prog/Output/hi.htm").substr(0, 2), "B:");

  dir.Write("prog/dbsettings.dat", "brand");
  dir.Write("p.set", Project("Beta") + "<%%AfFileName%%>../dbsettings.dat<%%/AfFileName%%>\r\n");
  EXPECT_EQ(Run(Base() + " --deliver"), 1);
  EXPECT_NE(err.find("without a folder"), std::string::npos) << err;
  EXPECT_EQ(dir.Read("out.txt"), "");
  EXPECT_EQ(dir.Read("prog/dbsettings.dat"), "brand");
}

TEST_F(ToolFixture, DeliverFollowsTheFolderChosenInTheWindow) {
  dir.Write(std::string("config/") + velmora::kUserFolderName + "/settings.ini", "[Output]\nFolder=" + (dir / "chosen").string() + "\n");
  ASSERT_EQ(Run(Base() + " --deliver"), 0) << err;
  EXPECT_EQ(dir.Read("out.txt"), (dir / "chosen" / "hi.htm").string() + "\n");
  EXPECT_FALSE(dir.Exists("prog/Output"));
}

TEST(ToolStart, ThePageCommandsLoadNoQt) {
  TempDir dir;
  // The dynamic loader names every library it maps; the commands share one program.
  const std::string command =
      "LD_DEBUG=libs " + std::string(VELMORA_TOOL_PATH) + " --help >/dev/null 2>'" + (dir / "libs.txt").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string libs = dir.Read("libs.txt");
  ASSERT_NE(libs.find("libcrypto"), std::string::npos) << "the loader said nothing";
  EXPECT_EQ(libs.find("libQt"), std::string::npos);
}
