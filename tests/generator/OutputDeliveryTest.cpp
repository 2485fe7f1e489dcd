#include "generator/OutputDelivery.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "app/FileIO.h"
#include "tests/mock/FakePorts.h"
#include "tests/mock/FileSizeLimit.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

const std::string kSaved = "You have successfully saved your file as:\n\r";
const std::string kCopied = "You have copied your code to the clipboard.";
const std::string kNoName = "Please provide a valid output filename.";
const std::string kNoFolder = "Can't create the output folder! Check the output path you provided.";

struct DeliveryFixture : ::testing::Test {
  test::TempDir program;
  test::FakeMessages messages;
  test::FakeClipboard clipboard;
  Project project;

  DeliveryFixture() {
    program.Write("Templates/simple.tem", "<h1>%%TITLE%%</h1>\n<p>line</p>");
    project.Title = "Offer";
  }
  OutputRequest Request(const std::string& fileName = "affiliatepage.htm", const std::string& templ = "Simple") {
    return {Places::Portable(program.folder()), program / "Output", templ, fileName};
  }
  OutputResult Finish(DeliveryMode mode, const OutputRequest& request) {
    return DeliverPage(mode, project, request, messages, clipboard);
  }
};

}  // namespace

TEST_F(DeliveryFixture, SavesThePageWithCrLfAndNamesTheFullPath) {
  const auto result = Finish(DeliveryMode::SaveWebPage, Request());
  EXPECT_EQ(program.Read("Output/affiliatepage.htm"), "<h1>Offer</h1>\r\n<p>line</p>\r\n");
  const std::string path = program.folder() + "Output/affiliatepage.htm";
  EXPECT_EQ(messages.shown, (std::vector<test::ShownMessage>{{MessageKind::Done, kSaved + path}}));
  ASSERT_TRUE(result.savedFile);
  EXPECT_EQ(result.savedFile->string(), path);
  EXPECT_EQ(clipboard.writes, 0);
}

TEST_F(DeliveryFixture, SecondPressReplacesTheFileWithoutAsking) {
  Finish(DeliveryMode::SaveWebPage, Request());
  project.Title = "Changed";
  Finish(DeliveryMode::SaveWebPage, Request());
  EXPECT_EQ(program.Read("Output/affiliatepage.htm"), "<h1>Changed</h1>\r\n<p>line</p>\r\n");
  EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(DeliveryFixture, FileNamesAreTakenAsTyped) {
  struct Case {
    std::string field;
    bool saved;
  };
  const Case cases[] = {{"   ", false}, {"", false}, {"\t\r\n", false}, {" lead.htm", true}, {"x", true}};
  for (const auto& c : cases) {
    messages.shown.clear();
    const auto result = Finish(DeliveryMode::SaveWebPage, Request(c.field));
    ASSERT_EQ(messages.shown.size(), 1u) << "[" << c.field << "]";
    if (c.saved) {
      EXPECT_EQ(messages.shown[0].text, kSaved + program.folder() + "Output/" + c.field);
      EXPECT_TRUE(program.Exists("Output/" + c.field)) << "[" << c.field << "]";
    } else {
      EXPECT_EQ(messages.shown[0], (test::ShownMessage{MessageKind::Information, kNoName}));
      EXPECT_FALSE(result.page);
    }
  }
}

TEST_F(DeliveryFixture, BlankNameCreatesNothing) {
  Finish(DeliveryMode::SaveWebPage, Request(" "));
  EXPECT_FALSE(program.Exists("Output"));
}

TEST_F(DeliveryFixture, ClipboardHoldsThePageBeforeTheMessageAndNeedsNoFolder) {
  // An output folder that cannot be made does not stand in the clipboard's way.
  program.Write("Output", "a file where the folder should be");
  struct WatchingMessages : test::FakeMessages {
    test::FakeClipboard* clipboard = nullptr;
    std::optional<std::string> clipboardWhenTold;
    void ShowMessage(MessageKind kind, const std::string& text) override {
      clipboardWhenTold = clipboard->text;
      FakeMessages::ShowMessage(kind, text);
    }
  } watching;
  watching.clipboard = &clipboard;
  const auto result = DeliverPage(DeliveryMode::Clipboard, project, Request(""), watching, clipboard);
  EXPECT_EQ(watching.shown, (std::vector<test::ShownMessage>{{MessageKind::Done, kCopied}}));
  EXPECT_EQ(watching.clipboardWhenTold, clipboard.text);
  ASSERT_TRUE(clipboard.text);
  EXPECT_EQ(*clipboard.text, "<h1>Offer</h1>\r\n<p>line</p>\r\n");
  EXPECT_FALSE(result.savedFile);
}

TEST_F(DeliveryFixture, MissingTemplateIsAnErrorAndTouchesNothing) {
  for (const auto mode : {DeliveryMode::SaveWebPage, DeliveryMode::Clipboard}) {
    messages.shown.clear();
    const auto result = Finish(mode, Request("affiliatepage.htm", "Gone"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(messages.shown[0].text,
              "The selected template could not be found: " + program.folder() + "Templates/Gone.tem");
    EXPECT_FALSE(result.page);
    EXPECT_FALSE(result.savedFile);
  }
  EXPECT_EQ(clipboard.writes, 0);
  EXPECT_FALSE(program.Exists("Output/affiliatepage.htm"));
}

TEST_F(DeliveryFixture, OutputFolderThatCannotBeMadeStopsSaving) {
  program.Write("Output", "a file where the folder should be");
  const auto result = Finish(DeliveryMode::SaveWebPage, Request());
  EXPECT_EQ(messages.shown, (std::vector<test::ShownMessage>{{MessageKind::Error, kNoFolder}}));
  EXPECT_FALSE(result.page);
}

TEST_F(DeliveryFixture, OutputFolderIsMadeWithItsParentsWhereverItIs) {
  program.Write("Templates/simple.tem", "x");
  OutputRequest request = Request("p.htm");
  request.outputFolder = program / "Documents/Velmora/Output";
  const auto result = Finish(DeliveryMode::SaveWebPage, request);
  EXPECT_TRUE(result.savedFile);
  EXPECT_EQ(program.Read("Documents/Velmora/Output/p.htm"), "x\r\n");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{kSaved + program.folder() + "Documents/Velmora/Output/p.htm"});
}

TEST_F(DeliveryFixture, FailedWriteReportsNoSuccessAndKeepsTheEarlierPage) {
  Finish(DeliveryMode::SaveWebPage, Request("keep.htm"));
  const std::string before = program.Read("Output/keep.htm");
  messages.shown.clear();
  project.Title = "New";
  {
    test::FileSizeLimit limit(4);
    ASSERT_TRUE(limit.ok());
    EXPECT_FALSE(Finish(DeliveryMode::SaveWebPage, Request("keep.htm")).savedFile);
  }
  EXPECT_EQ(program.Read("Output/keep.htm"), before);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(messages.shown[0].text.rfind("Cannot write the file \"" + (program / "Output/keep.htm").string(), 0), 0u)
      << messages.shown[0].text;
  messages.shown.clear();
  // A read-only output folder refuses the temporary file beside the target.
  std::filesystem::permissions(program / "Output", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  if (::access((program / "Output").c_str(), W_OK) != 0) {
    EXPECT_FALSE(Finish(DeliveryMode::SaveWebPage, Request("keep.htm")).savedFile);
    EXPECT_EQ(program.Read("Output/keep.htm"), before);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, MessageKind::Error);
  }
  std::filesystem::permissions(program / "Output", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
}

TEST_F(DeliveryFixture, NamesThatReachOutsideTheOutputFolderAreRefusedBeforeAnythingIsWritten) {
  program.Write("dbsettings.dat", "brand");
  for (const std::string name : {"../dbsettings.dat", "sub/page.htm", "..\\dbsettings.dat", "/tmp/page.htm", "..",
                                 ".", " .. "}) {
    messages.shown.clear();
    EXPECT_FALSE(Finish(DeliveryMode::SaveWebPage, Request(name)).page) << name;
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, MessageKind::Warning);
    EXPECT_NE(messages.shown[0].text.find("without a folder"), std::string::npos);
    EXPECT_FALSE(SaveOutputPage(program / "Output", name, "page"));
  }
  EXPECT_EQ(program.Read("dbsettings.dat"), "brand");
  EXPECT_FALSE(program.Exists("Output"));
}

TEST_F(DeliveryFixture, EmptyProjectNameDeliversToThePresetName) {
  EXPECT_EQ(OutputNameOf(project), "affiliatepage.htm");
  project.FileName = "mine.htm";
  EXPECT_EQ(OutputNameOf(project), "mine.htm");
}
