// velmora-tool check, run as a script before publishing would run it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "tests/mock/TempDir.h"

using velmora::test::TempDir;

namespace {

struct CheckTool : ::testing::Test {
  TempDir dir;
  std::string out, err;

  CheckTool() {
    dir.Write("prog/Templates/plain.tem",
              "<meta name=description content=\"%%DESCRIPTION%%\"><p class=disclosure>%%TITLE%%</p>%%TABLE_BANNER_INIT%%<img src=\"%%BANNER%%\" alt=\"B\">"
              "%%TABLE_BANNER_END%%\n");
    dir.Write("good.set", Project("https://x.example/", "https://cdn.example/b.gif"));
    dir.Write("bad.set", Project("not a url", "http://cdn.example/b.gif"));
  }
  static std::string Project(const std::string& url, const std::string& banner) {
    return "<%%AfTitle%%>T<%%/AfTitle%%>\r\n<%%AfURL%%>" + url + "<%%/AfURL%%>\r\n<%%AfTemplate%%>Plain<%%/AfTemplate%%>\r\n"
           "<%%AfBanners%%>" + banner + "<%%/AfBanners%%>\r\n";
  }
  int Run(const std::string& args) {
    const std::string command = std::string(VELMORA_TOOL_PATH) + " check " + args + " >'" +
                                (dir / "out.txt").string() + "' 2>'" + (dir / "err.txt").string() + "'";
    const int status = std::system(command.c_str());
    out = dir.Read("out.txt");
    err = dir.Read("err.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Project(const std::string& file) const {
    return "--program-folder '" + (dir / "prog").string() + "' --project '" + (dir / file).string() + "'";
  }
};

}  // namespace

TEST_F(CheckTool, CleanProjectExitsZeroSilently) {
  EXPECT_EQ(Run(Project("good.set")), 0) << err;
  EXPECT_EQ(out, "");
  EXPECT_EQ(Run(Project("good.set") + " --json"), 0) << err;
  EXPECT_EQ(out, "[]\n");
}

TEST_F(CheckTool, FindingsOneALineOrAsJsonAndExitOne) {
  ASSERT_EQ(Run(Project("bad.set")), 1) << err;
  EXPECT_EQ(out.substr(0, out.find('\n')).substr(0, 28), "link-invalid\tAffiliate link\t");
  EXPECT_NE(out.find("\npicture-insecure\tBanner 1\tThe picture \"http://cdn.example/b.gif\""), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << out;

  ASSERT_EQ(Run(Project("bad.set") + " --json"), 1) << err;
  EXPECT_EQ(out.rfind("[\n {\"code\": \"link-invalid\", \"place\": \"Affiliate link\", \"message\": \"The affiliate link "
                      "\\\"not a url\\\"", 0), 0u) << out;
  EXPECT_EQ(out.substr(out.size() - 3), "\n]\n");
}

TEST_F(CheckTool, FindingsTheProjectMarksAsIntendedPassTheCheck) {
  ASSERT_EQ(Run(Project("bad.set") + " --json"), 1) << err;
  EXPECT_NE(out.find("\"item\": \"b.gif\""), std::string::npos) << out;
  std::string keys;
  const std::regex key("\"key\": \"([^\"]+)\"");
  for (std::sregex_iterator it(out.begin(), out.end(), key), end; it != end; ++it) keys += (*it)[1].str() + " ";
  dir.Write("bad.set", dir.Read("bad.set") + "<%%AfIntendedFindings%%>" + keys + "<%%/AfIntendedFindings%%>\r\n");
  EXPECT_EQ(Run(Project("bad.set")), 0) << out;
  EXPECT_EQ(out, "");
}

TEST_F(CheckTool, FinishedPageLeavesOutWhatNeedsTheProject) {
  dir.Write("page.htm", "<html><head><meta name=\"description\" content=\"D\"></head><body><a href=\"not a url\"><img src=\"file:///C:/a.gif\"></a>%%MISSPELT%%</body></html>");
  ASSERT_EQ(Run("--page '" + (dir / "page.htm").string() + "'"), 1) << err;
  EXPECT_EQ(out,
            "local-file\tPage\tThe picture \"file:///C:/a.gif\" points to a file on this computer, which no visitor "
            "can load.\n"
            "missing-alt\tPage\tThe picture \"file:///C:/a.gif\" has no alt text, so visitors who cannot see it are "
            "not told what it shows.\n"
            "no-disclosure\tPage\tThe page does not say that it holds affiliate links: add a note that the site earns "
            "a commission (for example in an element with the class \"disclosure\"), as regulators require.\n"
            "placeholder-left\tPage\t%%MISSPELT%% was left in the page as it stands: the template has no such "
            "placeholder.\n");
}

TEST_F(CheckTool, UsageErrorsAndUnreadableInputExitTwo) {
  const std::string cases[] = {
      "",
      Project("good.set") + " --page x.htm",
      "--page '" + (dir / "none.htm").string() + "'",
      "--program-folder '" + (dir / "prog").string() + "' --project '" + (dir / "none.set").string() + "'",
      Project("good.set") + " --template Missing",
      Project("good.set") + " extra",
      Project("good.set") + " --bogus",
  };
  for (const auto& args : cases) {
    EXPECT_EQ(Run(args), 2) << args;
    EXPECT_NE(err, "") << args;
    EXPECT_EQ(out, "") << args;
  }
}

TEST_F(CheckTool, UnknownTemplateAndOversizedPagesExitTwoSayingWhy) {
  dir.Write("gone.set", "<%%AfTemplate%%>../../../etc/passwd<%%/AfTemplate%%>\r\n");
  EXPECT_EQ(Run(Project("gone.set")), 2);
  EXPECT_EQ(err, "velmora-tool check: No template named \"../../../etc/passwd\". Installed templates: Plain.\n");

  std::string titles;
  for (int i = 0; i < 4000; ++i) titles += "%%TITLE%%";  // as many as a template may hold
  dir.Write("prog/Templates/titles.tem", titles);
  dir.Write("long.set", "<%%AfTitle%%>" + std::string(20000, 't') + "<%%/AfTitle%%>\r\n<%%AfTemplate%%>Titles<%%/AfTemplate%%>\r\n");
  EXPECT_EQ(Run(Project("long.set")), 2);
  EXPECT_NE(err.find("The page would be larger than 64 MB"), std::string::npos) << err;

  // A finished page over the limit is not read at all (the file is sparse, so the test stays cheap).
  dir.Write("huge.htm", "");
  std::filesystem::resize_file(dir / "huge.htm", (64 << 20) + 1);
  EXPECT_EQ(Run("--page '" + (dir / "huge.htm").string() + "'"), 2);
  EXPECT_NE(err.find("is larger than 64 MB, the most a page may be"), std::string::npos) << err;
  EXPECT_EQ(out, "");
  ASSERT_EQ(::mkfifo((dir / "pipe.htm").c_str(), 0600), 0);
  EXPECT_EQ(Run("--page '" + (dir / "pipe.htm").string() + "'"), 2) << "a pipe is not waited on";
}
