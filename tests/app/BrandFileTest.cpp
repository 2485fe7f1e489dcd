#include "app/BrandFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "crypto/AesLib.h"
#include "tests/mock/TempDir.h"

using namespace velmora;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::string Enciphered(const std::string& plain) {
  std::string enciphered;
  EXPECT_EQ(EncipherBytes(plain, enciphered), CipherResult::Ok);
  return enciphered;
}

const std::string kPlain = "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n<%%BranderCode%%>A1<%%/BranderCode%%>\r\n";

}  // namespace

TEST(ReadBrandFile, MissingFileYieldsNothingAndLeavesAPlainCopyAlone) {
  test::TempDir folder;
  folder.Write("dbsettings.sim", kPlain);
  const BrandFileContent content = ReadBrandFile(folder.folder());
  EXPECT_EQ(content.status, BrandFileStatus::Missing);
  EXPECT_THAT(content.lines, IsEmpty());
  EXPECT_EQ(folder.Read("dbsettings.sim"), kPlain) << "a plain copy on its own is neither read nor touched";
}

TEST(ReadBrandFile, DeciphersIntoLinesWithoutAPlainCopyOnDisk) {
  test::TempDir folder;
  folder.Write("dbsettings.dat", Enciphered("first\nsecond\r\nthird"));
  const BrandFileContent content = ReadBrandFile(folder.folder());
  EXPECT_EQ(content.status, BrandFileStatus::Ok);
  EXPECT_THAT(content.lines, ElementsAre("first", "second", "third"));
  EXPECT_THAT(std::vector<std::filesystem::path>(std::filesystem::directory_iterator(folder.path()), {}),
              ElementsAre(folder / "dbsettings.dat"));
}

TEST(ReadBrandFile, StrayPlainCopyBesideTheFileIsGoneAndNotRead) {
  test::TempDir folder;
  folder.Write("dbsettings.dat", Enciphered(kPlain));
  folder.Write("dbsettings.sim", "<%%ApplicationName%%>Forged<%%/ApplicationName%%>\r\n");
  const BrandFileContent content = ReadBrandFile(folder.folder());
  EXPECT_EQ(content.status, BrandFileStatus::Ok);
  EXPECT_EQ(content.lines.at(0), "<%%ApplicationName%%>Acme<%%/ApplicationName%%>");
  EXPECT_FALSE(folder.Exists("dbsettings.sim"));
}

TEST(ReadBrandFile, PlainCopyNameTakenByAFolderStillReadsTheSettings) {
  // Stands in for a program folder where no plain copy could be created:
  // the settings must be read all the same.
  test::TempDir folder;
  folder.Write("dbsettings.dat", Enciphered(kPlain));
  folder.Write("dbsettings.sim/keep.txt", "someone else's");
  const BrandFileContent content = ReadBrandFile(folder.folder());
  EXPECT_EQ(content.status, BrandFileStatus::Ok);
  EXPECT_EQ(content.lines.size(), 2u);
  EXPECT_EQ(folder.Read("dbsettings.sim/keep.txt"), "someone else's");
}

TEST(ReadBrandFile, FailedChecksAndUnreadableFilesGiveNoLines) {
  struct Case {
    const char* what;
    std::function<void(const test::TempDir&)> make;
  };
  const std::vector<Case> cases = {
      {"wrong passphrase",
       [](const test::TempDir& f) {
         std::string enciphered;
         ASSERT_EQ(EncipherBytes(kPlain, enciphered, "another passphrase"), CipherResult::Ok);
         f.Write("dbsettings.dat", enciphered);
       }},
      {"altered cipher text (fails authentication only)",
       [](const test::TempDir& f) {
         std::string enciphered = Enciphered(kPlain);
         enciphered[20] = static_cast<char>(enciphered[20] ^ 0x04);
         f.Write("dbsettings.dat", enciphered);
       }},
      {"altered authentication code",
       [](const test::TempDir& f) {
         std::string enciphered = Enciphered(kPlain);
         enciphered.back() = static_cast<char>(enciphered.back() ^ 0x80);
         f.Write("dbsettings.dat", enciphered);
       }},
      {"too short to hold a header", [](const test::TempDir& f) { f.Write("dbsettings.dat", "abc"); }},
      {"a folder, not a file", [](const test::TempDir& f) { f.Write("dbsettings.dat/x", "x"); }},
  };
  for (const auto& c : cases) {
    test::TempDir folder;
    c.make(folder);
    const BrandFileContent content = ReadBrandFile(folder.folder());
    EXPECT_EQ(content.status, BrandFileStatus::Failed) << c.what;
    EXPECT_THAT(content.lines, IsEmpty()) << c.what;
    EXPECT_FALSE(folder.Exists("dbsettings.sim")) << c.what;
  }
}

TEST(WriteBrandFile, ReplacesTheFileWithOneThatReadsBack) {
  test::TempDir folder;
  folder.Write("dbsettings.dat", Enciphered(kPlain));
  WriteBrandFile(folder.folder(), {"<%%LastNewsId%%>7<%%/LastNewsId%%>", "second"});
  const BrandFileContent content = ReadBrandFile(folder.folder());
  ASSERT_EQ(content.status, BrandFileStatus::Ok);
  EXPECT_THAT(content.lines, ElementsAre("<%%LastNewsId%%>7<%%/LastNewsId%%>", "second"));
  std::string plain;
  ASSERT_EQ(DecipherBytes(folder.Read("dbsettings.dat"), plain), CipherResult::Ok);
  EXPECT_EQ(plain, "<%%LastNewsId%%>7<%%/LastNewsId%%>\r\nsecond\r\n") << "a line file: CR LF after every line";
  EXPECT_FALSE(folder.Exists("dbsettings.sim"));
}

TEST(WriteBrandFile, FailureLeavesTheOldFileWhole) {
  test::TempDir folder;
  const std::string old = Enciphered(kPlain);
  folder.Write("dbsettings.dat", old);
  // A missing folder cannot be written to, by root or anyone.
  EXPECT_THROW(WriteBrandFile((folder / "gone" / "").string(), {"x"}), FileError);
  EXPECT_EQ(folder.Read("dbsettings.dat"), old);
}
