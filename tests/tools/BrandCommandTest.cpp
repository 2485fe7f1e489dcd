#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "app/Utils.h"
#include "crypto/AesLib.h"
#include "tests/mock/TempDir.h"

using namespace velmora;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

struct ToolRun {
  int exitCode;
  std::string output;
  std::string error;
};

class BrandTool : public ::testing::Test {
protected:
  test::TempDir folder;
  test::TempDir scratch;

  ToolRun Brand(std::vector<std::string> args) {
    std::string command = VELMORA_TOOL_PATH;
    command += " brand";
    for (const auto& arg : args) command += " '" + arg + "'";
    command += " >'" + (scratch / "out").string() + "' 2>'" + (scratch / "err").string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, scratch.Read("out"), scratch.Read("err")};
  }
  void WriteBrand(const std::string& plain) {
    std::string enciphered;
    ASSERT_EQ(EncipherBytes(plain, enciphered), CipherResult::Ok);
    folder.Write("dbsettings.dat", enciphered);
  }
};

}  // namespace

TEST_F(BrandTool, PrintsTheSettingsAsJsonInTheirOrderWithTextAsShown) {
  WriteBrand(JoinLines({TagLine("ApplicationName", "Caf\xE9 \"Pages\""), TagLine("BranderType", "Gold"),
                        TagLine("AffiliateURL", "http://a/%%AFFILIATEID%%"), TagLine("AffiliateID", "joe"),
                        TagLine("AboutText", "one\r\ntwo\\three\x01"), TagLine("Welcome1", "<p>caf\xC3\xA9</p>"),
                        TagLine("Banner1", "ad.gif"), TagLine("Link1", "Home^http://h/"),
                        TagLine("LastNewsId", "12")}));
  const ToolRun run = Brand({"--program-folder", folder.path().string()});
  EXPECT_EQ(run.exitCode, 0) << run.error;
  EXPECT_EQ(run.output,
            "{\n"
            "  \"ApplicationName\": \"Caf\xC3\xA9 \\\"Pages\\\"\",\n"
            "  \"BranderCode\": \"\",\n"
            "  \"BranderType\": \"Gold\",\n"
            "  \"AffiliateURL\": \"http://a/joe\",\n"
            "  \"AffiliateTYPE\": \"\",\n"
            "  \"AffiliateID\": \"joe\",\n"
            "  \"MasterNewsBaseURL\": \"\",\n"
            "  \"PlatinumNewsBaseURL\": \"\",\n"
            "  \"GoldNewsBaseURL\": \"\",\n"
            "  \"MasterPublID\": \"\",\n"
            "  \"PlatinumPublID\": \"\",\n"
            "  \"GoldPublID\": \"\",\n"
            "  \"MakeMoneyButton\": \"\",\n"
            "  \"AppHelpURL\": \"\",\n"
            "  \"CopyrightYears\": \"\",\n"
            "  \"CopyrightCompany\": \"\",\n"
            "  \"AboutText\": \"one\\r\\ntwo\\\\three\\u0001\",\n"
            "  \"LastNewsId\": \"12\",\n"
            "  \"Welcome\": [\"<p>caf\xC3\xA9</p>\"],\n"
            "  \"Banners\": [[\"ad.gif\", \"\"]],\n"
            "  \"Links\": [[\"Home\", \"http://h/\"]]\n"
            "}\n");
}

TEST_F(BrandTool, MissingOrUntrustedFileFailsWithAMessage) {
  ToolRun run = Brand({"--program-folder", folder.path().string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_THAT(run.error, HasSubstr("does not exist"));
  EXPECT_THAT(run.output, IsEmpty());

  std::string enciphered;
  ASSERT_EQ(EncipherBytes(TagLine("ApplicationName", "Acme") + "\r\n", enciphered), CipherResult::Ok);
  enciphered[11] = static_cast<char>(enciphered[11] ^ 1);
  folder.Write("dbsettings.dat", enciphered);
  run = Brand({"--program-folder", folder.path().string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_THAT(run.error, HasSubstr("authentication"));
  EXPECT_THAT(run.output, IsEmpty());
}

TEST_F(BrandTool, CheckWarnsOneLineEachAndFailsOnlyWhenItWarned) {
  const Lines good = {TagLine("ApplicationName", "Acme"), TagLine("BranderType", "Master"),
                      TagLine("MasterNewsBaseURL", "http://n/"), TagLine("MasterPublID", "p"),
                      TagLine("Link1", "Home^http://h/")};
  WriteBrand(JoinLines(good));
  ToolRun run = Brand({"--check", "--program-folder", folder.path().string()});
  EXPECT_EQ(run.exitCode, 0) << run.error;
  EXPECT_THAT(run.output, HasSubstr("\"ApplicationName\": \"Acme\""));

  Lines bad = good;
  bad.insert(bad.begin(), TagLine("BranderCode", "X"));  // before ApplicationName
  bad.push_back(TagLine("Link3", "Orphan^http://o/"));
  WriteBrand(JoinLines(bad));
  run = Brand({"--check", "--program-folder", folder.path().string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.error,
            "warning: BranderCode stands before a field that is read earlier, so it reads as empty\n"
            "warning: Link3 follows a gap (Link2 is missing or empty) and is never read\n");
}

TEST_F(BrandTool, AnEmptyProgramFolderIsAUsageError) {
  EXPECT_EQ(Brand({"--check", "--program-folder", ""}).exitCode, 2);
}
