#include "generator/OutputDelivery.h"
#include "project/PromoLists.h"

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
const std::string kOwner = "0123abcd";
const std::string kMarkerLine = "<!-- velmora-page owner=\"" + kOwner + "\" -->\r\n";

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
    return {Places::Portable(program.folder()), program / "Output", templ, fileName, kOwner};
  }
  OutputResult Finish(DeliveryMode mode, const OutputRequest& request) {
    return DeliverPage(mode, project, request, messages, clipboard);
  }
};

}  // namespace

TEST_F(DeliveryFixture, SavesThePageWithCrLfAndNamesTheFullPath) {
  const auto result = Finish(DeliveryMode::SaveWebPage, Request());
  EXPECT_EQ(program.Read("Output/affiliatepage.htm"), "<h1>Offer</h1>\r\n<p>line</p>\r\n" + kMarkerLine);
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
  EXPECT_EQ(program.Read("Output/affiliatepage.htm"), "<h1>Changed</h1>\r\n<p>line</p>\r\n" + kMarkerLine);
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
  EXPECT_EQ(program.Read("Documents/Velmora/Output/p.htm"), "x\r\n" + kMarkerLine);
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
    EXPECT_FALSE(SavePageBundle(program / "Output", PageBundle{name, "page", {}, {}}));
  }
  EXPECT_EQ(program.Read("dbsettings.dat"), "brand");
  EXPECT_FALSE(program.Exists("Output"));
}

TEST(PageName, ComesFromTheTitleUntilTheProjectHasOne) {
  const std::pair<std::string, std::string> cases[] = {
      {"Acme Garden Hose Pro!", "acme-garden-hose-pro.htm"},
      {"  ../etc/passwd  ", "etc-passwd.htm"},
      {"\xC3\x9C" "ber Gr\xC3\xB6\xC3\x9F" "e 2", "ber-gr-e-2.htm"},
      {"!!!", "affiliatepage.htm"},
      {"", "affiliatepage.htm"},
      {std::string(100, 'a'), std::string(60, 'a') + ".htm"},
  };
  for (const auto& [title, name] : cases) EXPECT_EQ(PageNameFromTitle(title), name) << title;
  Project project;
  project.Title = "Offer";
  EXPECT_EQ(OutputNameOf(project), "offer.htm");
  project.FileName = "mine.htm";
  EXPECT_EQ(OutputNameOf(project), "mine.htm");
}

TEST(PageName, LocalAddressesAreTheFilesOfThisComputer) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"file:///home/a/My%20Pic.png", "/home/a/My Pic.png"},
      {" file://localhost/x.png ", "/x.png"},
      {"FILE:/y.gif", "/y.gif"},
      {"/home/a/b.jpg", "/home/a/b.jpg"},
      {"file://server/x.png", std::nullopt},
      {"https://cdn.example/x.png", std::nullopt},
      {"//cdn.example/x.png", std::nullopt},
      {"pics/a.png", std::nullopt},
  };
  for (const auto& [address, file] : cases) {
    const auto found = LocalFileOf(address);
    EXPECT_EQ(found ? std::optional<std::string>(found->string()) : std::nullopt, file) << address;
  }
}

TEST_F(DeliveryFixture, LocalBannersTravelBesideThePageWhileTheProjectAndClipboardKeepThem) {
  program.Write("Templates/banners.tem", "%%TABLE_BANNER_INIT%%<img src=\"%%BANNER%%\">%%TABLE_BANNER_END%%");
  program.Write("pics/Big Banner!.PNG", "png-one");
  program.Write("other/big-banner.png", "png-two");
  project.Banners = {"file://" + (program / "pics/Big%20Banner!.PNG").string(), (program / "other/big-banner.png").string(),
                     "https://cdn.example/b.gif", (program / "gone.png").string(),
                     (program / "pics/Big Banner!.PNG").string()};
  const Project before = project;
  const auto result = Finish(DeliveryMode::SaveWebPage, Request("offer.htm", "Banners"));
  ASSERT_TRUE(result.savedFile);
  EXPECT_EQ(program.Read("Output/offer.htm"),
            "<img src=\"offer-files/big-banner.png\"><img src=\"offer-files/big-banner-2.png\">"
            "<img src=\"https://cdn.example/b.gif\"><img src=\"" + (program / "gone.png").string() +
                "\"><img src=\"offer-files/big-banner.png\">\r\n" + kMarkerLine);
  EXPECT_EQ(program.Read("Output/offer-files/big-banner.png"), "png-one");
  EXPECT_EQ(program.Read("Output/offer-files/big-banner-2.png"), "png-two");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MessageKind::Warning);
  EXPECT_NE(messages.shown[0].text.find((program / "gone.png").string()), std::string::npos);
  EXPECT_EQ(project.Banners, before.Banners);
  SetBannerAlt(project, project.Banners[1], "Big banner");
  const Project travelling = WithPictureAddresses(project, result.pictures);
  EXPECT_EQ(travelling.Banners[1], "offer-files/big-banner-2.png");
  EXPECT_EQ(BannerAlt(travelling, travelling.Banners[1]), "Big banner") << "the alternative text goes with it";

  Finish(DeliveryMode::Clipboard, Request("offer.htm", "Banners"));
  ASSERT_TRUE(clipboard.text);
  EXPECT_NE(clipboard.text->find("file://"), std::string::npos);
}

TEST_F(DeliveryFixture, AnotherPageAtTheNameIsReplacedOnlyWhenTheUserSays) {
  struct Case {
    std::string existing;
    std::vector<ReplaceChoice> answers;
    std::string expectedName;  // empty: nothing saved
  };
  const std::string foreign = "<p>theirs</p>\r\n<!-- velmora-page owner=\"other\" -->\r\n";
  const Case cases[] = {
      {foreign, {ReplaceChoice::Cancel}, ""},
      {"<p>made by hand</p>", {ReplaceChoice::Cancel}, ""},
      {foreign, {ReplaceChoice::Replace}, "page.htm"},
      {foreign, {ReplaceChoice::KeepBoth}, "page-3.htm"},
  };
  for (const auto& c : cases) {
    program.Write("Output/page.htm", c.existing);
    std::filesystem::remove_all(program / "Output/page-3.htm");
    program.Write("Output/page-2-files/x", "taken by the pictures of another page");
    messages.shown.clear();
    messages.replaceAnswers.assign(c.answers.begin(), c.answers.end());
    const auto result = Finish(DeliveryMode::SaveWebPage, Request("page.htm"));
    EXPECT_EQ(messages.shown.front().kind, MessageKind::Warning);
    EXPECT_TRUE(messages.shown.front().question);
    if (c.expectedName.empty()) {
      EXPECT_FALSE(result.savedFile);
      EXPECT_EQ(program.Read("Output/page.htm"), c.existing);
      continue;
    }
    ASSERT_TRUE(result.savedFile);
    EXPECT_EQ(result.savedFile->filename(), c.expectedName);
    EXPECT_EQ(program.Read("Output/" + c.expectedName), "<h1>Offer</h1>\r\n<p>line</p>\r\n" + kMarkerLine);
    if (c.expectedName != "page.htm") {
      EXPECT_EQ(program.Read("Output/page.htm"), c.existing);
    }
  }
}

TEST(PageName, ProjectsWithoutAnIdAreKnownByTheirFile) {
  Project project;
  EXPECT_EQ(PageIdFor(project, "/tmp/a/../b.set"), PageIdFor(project, "/tmp/b.set"));
  EXPECT_NE(PageIdFor(project, "/tmp/b.set"), PageIdFor(project, "/tmp/c.set"));
  EXPECT_NE(PageIdFor(project, ""), PageIdFor(project, ""));
  EXPECT_EQ(PageIdFor(project, "").size(), 32u);
  project.PageId = "mine";
  EXPECT_EQ(PageIdFor(project, "/tmp/b.set"), "mine");
  EXPECT_EQ(PageOwnerOf("x" + PageMarker("mine") + "\r\n"), "mine");
  EXPECT_EQ(PageOwnerOf("<!-- velmora-page owner=\"" + std::string(100, 'a') + "\" -->"), std::nullopt);
}
