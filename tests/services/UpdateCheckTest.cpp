#include "services/UpdateCheck.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "tests/mock/FakePorts.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

const std::string kBase = "http://updates.example/liveupdate/velmora/";
const std::string kManifestUrl = kBase + "mainappupdate.inf";
const std::string kNoUpdates = "There are no new updates for this application.";
const std::string kSecondQuestion =
    "To update your software the application will close to\n\rreplace some files. Do you want to update now?";

std::string Manifest(const std::string& version) {
  return "[APPLICATION]\r\nName=Velmora\r\nVersion=" + version + "\r\n";
}

std::string FirstQuestion(const std::string& version) {
  return "There is a new update: (version " + version +
         ") available for your application!. Do you want download this update now?";
}

struct UpdateCheckFixture : ::testing::Test {
  test::TempDir dir;
  test::FakeHttp http;
  test::FakeMessages messages;
  test::FakeShell shell;
  UpdateContext context{http, messages, shell, Places::Portable(dir.folder()), kBase};

  void AddUpdater() { dir.Write(kUpdaterName, "#!/bin/sh\n"); }
  UpdateOutcome Check(bool quiet) {
    const auto outcome = http.Settle<UpdateOutcome>([&](auto done) {
      CheckForUpdates(context, quiet, [done](UpdateOutcome ended, const std::string&) { done(ended); });
    });
    EXPECT_TRUE(outcome) << "the check never called back";
    return outcome.value_or(UpdateOutcome::Cancelled);
  }
};

}  // namespace

TEST(ManifestTest, VersionIsReadFromTheApplicationSectionInAnyCase) {
  EXPECT_EQ(ReadManifestVersion("[APPLICATION]\nVersion=2.1\n"), "2.1");
  EXPECT_EQ(ReadManifestVersion("[Other]\nVersion=9\n[application]\r\n  version =  2.5  \r\n"), "2.5");
  EXPECT_EQ(ReadManifestVersion("[Other]\nVersion=9\n"), "");
  EXPECT_EQ(ReadManifestVersion("Version=9\n[APPLICATION]\nName=x\n"), "");
  EXPECT_EQ(ReadManifestVersion(""), "");
  EXPECT_EQ(ReadManifestVersion("\xEF\xBB\xBF[APPLICATION]\r\nVersion=2.1\r\n"), "2.1") << "UTF-8 byte-order mark";
}

TEST(ManifestTest, OnlyDecimalNumbersAreVersions) {
  EXPECT_FLOAT_EQ(ParseVersion("2.1").value_or(0), 2.1f);
  EXPECT_FLOAT_EQ(ParseVersion(" 10 ").value_or(0), 10.0f);
  EXPECT_EQ(ParseVersion("0"), 0.0f);
  for (const char* text : {"", "abc", "2.1beta", "2,1", "nan", "inf", "1.2.3", "1e5"}) {
    EXPECT_EQ(ParseVersion(text), std::nullopt) << text;
  }
}

TEST(ManifestTest, ManifestWithoutANumericVersionOrThatIsNotTextIsUnusable) {
  std::string utf16;
  for (const char c : Manifest("9")) utf16 += std::string{c, '\0'};
  for (const std::string& manifest :
       {std::string(), std::string("<html><body>OK</body></html>"), std::string("\x89PNG\r\n\x1a\n\0\0"),
        "\xFF\xFE" + utf16, Manifest(""), Manifest("soon"), std::string("[APPLICATION]\nName=Velmora\n")}) {
    EXPECT_EQ(UsableManifestVersion(manifest), std::nullopt) << manifest;
  }
  EXPECT_EQ(UsableManifestVersion("\xEF\xBB\xBF" + Manifest("2.1")), "2.1");
}

TEST_F(UpdateCheckFixture, OnlyAStrictlyHigherVersionIsOffered) {
  AddUpdater();
  struct Case {
    std::string version;
    bool offered;
  };
  for (const auto& c : {Case{"2.0", false}, Case{"2.00", false}, Case{"1.9", false}, Case{"2.01", true},
                        Case{"2.1", true}}) {
    SCOPED_TRACE(c.version);
    http.replies[kManifestUrl] = Manifest(c.version);
    messages.shown.clear();
    messages.answers = {false};
    const UpdateOutcome outcome = Check(false);
    if (c.offered) {
      EXPECT_EQ(outcome, UpdateOutcome::Declined);
      EXPECT_EQ(messages.shown, (std::vector<test::ShownMessage>{
                                    {MessageKind::Information, FirstQuestion(c.version), true}}));
    } else {
      EXPECT_EQ(outcome, UpdateOutcome::NoUpdate);
      EXPECT_EQ(messages.shown, (std::vector<test::ShownMessage>{{MessageKind::Information, kNoUpdates}}));
    }
    EXPECT_EQ(dir.Read(kManifestName), Manifest(c.version)) << "the copy stays after the check";
  }
  EXPECT_TRUE(shell.started.empty());
}

TEST_F(UpdateCheckFixture, TwoOksStartTheUpdaterWithBaseVersionAndA) {
  AddUpdater();
  http.replies[kManifestUrl] = Manifest("2.1");
  EXPECT_EQ(Check(true), UpdateOutcome::UpdaterStarted);
  // Keys typed into the wizard must not accept an update that pops up.
  EXPECT_EQ(messages.shown,
            (std::vector<test::ShownMessage>{
                {MessageKind::Information, FirstQuestion("2.1"), true, DefaultButton::Cancel},
                {MessageKind::Information, kSecondQuestion, true, DefaultButton::Cancel}}))
      << "the quiet check still asks both questions";
  ASSERT_EQ(shell.started.size(), 1u);
  EXPECT_EQ(shell.started[0].first, (dir.path() / kUpdaterName).string());
  EXPECT_EQ(shell.started[0].second, kBase + " 2.0 A");
}

TEST_F(UpdateCheckFixture, CancelAtTheSecondQuestionStartsNothing) {
  AddUpdater();
  http.replies[kManifestUrl] = Manifest("3");
  messages.answers = {true, false};
  EXPECT_EQ(Check(false), UpdateOutcome::Declined);
  EXPECT_EQ(messages.shown.size(), 2u);
  EXPECT_TRUE(shell.started.empty());
}

TEST_F(UpdateCheckFixture, MissingUpdaterIsWarnedAfterTheFirstQuestion) {
  http.replies[kManifestUrl] = Manifest("2.1");
  EXPECT_EQ(Check(false), UpdateOutcome::UpdaterMissing);
  EXPECT_EQ(messages.shown,
            (std::vector<test::ShownMessage>{
                {MessageKind::Information, FirstQuestion("2.1"), true},
                {MessageKind::Warning, "The updater module is missing. Please reinstall again the current version!"}}));
  EXPECT_TRUE(shell.started.empty());
}

TEST_F(UpdateCheckFixture, FailedChecksSaySoOnlyWhenAskedAndLeaveNoCopy) {
  AddUpdater();
  struct Case {
    const char* name;
    std::optional<std::string> reply;
    UpdateOutcome outcome;
    std::string message;
  };
  const std::string unreachable = UpdateServerUnreachableMessage(test::FakeHttp::Result(HttpOutcome::NetworkError).reason);
  const std::string oversized = UpdateServerUnreachableMessage(test::FakeHttp::Result(HttpOutcome::TooLarge).reason);
  std::string utf16;
  for (const char c : Manifest("9")) utf16 += std::string{c, '\0'};
  for (const auto& c : {
           Case{"no answer", std::nullopt, UpdateOutcome::ServerUnreachable, unreachable},
           Case{"oversized", Manifest("9") + std::string(kManifestLimit, ';'), UpdateOutcome::ServerUnreachable,
                oversized},
           Case{"empty", "", UpdateOutcome::ManifestUnusable, kManifestUnusableMessage},
           Case{"UTF-16", "\xFF\xFE" + utf16, UpdateOutcome::ManifestUnusable, kManifestUnusableMessage},
           Case{"no version", "[APPLICATION]\r\nName=x\r\n", UpdateOutcome::ManifestUnusable,
                kManifestUnusableMessage},
       }) {
    for (const bool quiet : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (quiet ? " quiet" : " asked"));
      dir.Write(kManifestName, Manifest("9"));
      http.replies[kManifestUrl] = c.reply;
      messages.shown.clear();
      EXPECT_EQ(Check(quiet), c.outcome);
      std::vector<test::ShownMessage> expected;
      if (!quiet) expected.push_back({MessageKind::Warning, c.message});
      EXPECT_EQ(messages.shown, expected);
      EXPECT_FALSE(dir.Exists(kManifestName)) << "no stale, partial or unusable manifest";
      EXPECT_TRUE(shell.started.empty());
    }
  }
}

TEST_F(UpdateCheckFixture, ManifestWithAByteOrderMarkOffersItsUpdate) {
  AddUpdater();
  http.replies[kManifestUrl] = "\xEF\xBB\xBF" + Manifest("2.1");
  messages.answers = {false};
  EXPECT_EQ(Check(false), UpdateOutcome::Declined);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{FirstQuestion("2.1")});
}

TEST_F(UpdateCheckFixture, CopyThatCannotBeWrittenEndsWithoutHarm) {
  AddUpdater();
  http.replies[kManifestUrl] = Manifest("9");
  // A folder in the manifest's place cannot be replaced, whoever runs the test.
  dir.Write(std::string(kManifestName) + "/keep", "x");
  EXPECT_EQ(Check(false), UpdateOutcome::NoUpdate);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{kNoUpdates});
  EXPECT_TRUE(dir.Exists(std::string(kManifestName) + "/keep"));
}

TEST(UpdateMessageTest, UnreachableServerIsToldWithTheClientsReason) {
  EXPECT_EQ(UpdateServerUnreachableMessage("nothing came for 30 s"),
            "Could not reach the update server (nothing came for 30 s). Please try again later.");
}

TEST_F(UpdateCheckFixture, OneCheckAtATimeAndACancelledOneSaysNothing) {
  http.replies[kManifestUrl] = Manifest("9");
  UpdateChecker checker(context);
  std::vector<UpdateOutcome> ended;
  const auto record = [&](UpdateOutcome outcome, const std::string&) { ended.push_back(outcome); };
  EXPECT_TRUE(checker.Start(false, record));
  EXPECT_TRUE(checker.Running());
  EXPECT_FALSE(checker.Start(false, record)) << "a second click while the first check runs";
  EXPECT_EQ(http.Waiting(), 1u);
  http.Disconnect();
  EXPECT_EQ(ended, std::vector<UpdateOutcome>{UpdateOutcome::Cancelled});
  EXPECT_FALSE(checker.Running());
  EXPECT_TRUE(messages.shown.empty());

  auto gone = std::make_unique<UpdateChecker>(context);
  gone->Start(true, record);
  gone.reset();
  http.AnswerAll();
  EXPECT_EQ(ended.size(), 1u) << "a checker that has gone calls nothing back";
}
