// velmora-tool generate, run as a publisher's batch script would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

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
    const std::string command = std::string(VELMORA_TOOL_PATH) + " generate " + args + " >'" +
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

TEST_F(ToolFixture, PicksTheTemplateAsAProjectLoadWould) {
  const std::pair<std::string, std::string> cases[] = {
      {"bEtA", "B:"},     // matched without regard to case
      {"Gamma", "A:"},    // not listed: the first listed one
      {"", "A:"},
      {"../Templates/alpha", "A:"},  // never a path
  };
  for (const auto& [templ, start] : cases) {
    dir.Write("p.set", Project(templ));
    ASSERT_EQ(Run(Base()), 0) << templ << ": " << err;
    EXPECT_EQ(dir.Read("out.txt").substr(0, 2), start) << templ;
  }
  EXPECT_EQ(Run(Base() + " --template ALPHA"), 0);
  EXPECT_EQ(dir.Read("out.txt"), "A:Hi\r\n") << "--template overrides the project";
}

TEST_F(ToolFixture, FailuresExitOneWithOneLineAndWriteNothing) {
  const std::string page = (dir / "page.htm").string();
  const std::string cases[] = {
      Base() + " --template Missing --output '" + page + "'",
      "--program-folder '" + (dir / "prog").string() + "' --project '" + (dir / "none.set").string() +
          "' --output '" + page + "'",
      "--program-folder '" + (dir / "empty").string() + "' --project '" + (dir / "p.set").string() +
          "' --output '" + page + "'",
  };
  for (const auto& args : cases) {
    EXPECT_EQ(Run(args), 1) << args;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_FALSE(dir.Exists("page.htm")) << args;
  }
  EXPECT_EQ(Run(Base() + " --output '" + (dir / "no/such/folder/page.htm").string() + "'"), 1);
  EXPECT_NE(err.find("page.htm"), std::string::npos) << err;
}

TEST_F(ToolFixture, WrongUsageExitsTwo) {
  const std::string cases[] = {"", "--project x.set", "--program-folder x", Base() + " --bogus", Base() + " extra",
                               Base() + " --output"};
  for (const auto& args : cases) EXPECT_EQ(Run(args), 2) << args;
}

TEST_F(ToolFixture, DeliverSavesWhereGenerateCodeWouldAndPrintsThePath) {
  ASSERT_EQ(Run(Base() + " --deliver"), 0) << err;
  const std::string saved = (dir / "prog" / "Output" / "affiliatepage.htm").string();
  EXPECT_EQ(dir.Read("out.txt"), saved + "\n");
  EXPECT_EQ(dir.Read("prog/Output/affiliatepage.htm"), "B:Hi|http://xxxx.example/?e=7\r\n");

  dir.Write("prog/dbsettings.dat", "brand");
  dir.Write("p.set", Project("Beta") + "<%%AfFileName%%>../dbsettings.dat<%%/AfFileName%%>\r\n");
  EXPECT_EQ(Run(Base() + " --deliver"), 1);
  EXPECT_NE(err.find("without a folder"), std::string::npos) << err;
  EXPECT_EQ(dir.Read("out.txt"), "");
  EXPECT_EQ(dir.Read("prog/dbsettings.dat"), "brand");
}
