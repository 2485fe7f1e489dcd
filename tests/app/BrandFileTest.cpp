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

std::string Enciphered(const std::string& plain, std::string_view passphrase = kSettingsPassphrase) {
  std::string enciphered;
  EXPECT_EQ(EncipherBytes(plain, enciphered, passphrase), CipherResult::Ok);
  return enciphered;
}

std::string Flipped(std::string bytes, std::size_t at) {
  bytes[at] = static_cast<char>(bytes[at] ^ 0x04);
  return bytes;
}

const std::string kPlain = "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\nsecond\r\nthird";

}  // namespace

TEST(ReadBrandFile, WithoutTheFileAPlainCopyIsNeitherReadNorTouched) {
  test::TempDir folder;
  folder.Write("dbsettings.sim", kPlain);
  const BrandFileContent content = ReadBrandFile(folder.folder());
  EXPECT_EQ(content.status, BrandFileStatus::Missing);
  EXPECT_EQ(folder.Read("dbsettings.sim"), kPlain);
}

TEST(ReadBrandFile, DeciphersInMemoryAndAStrayPlainCopyIsGone) {
  test::TempDir folder;
  folder.Write("dbsettings.dat", Enciphered(kPlain));
  folder.Write("dbsettings.sim", "<%%ApplicationName%%>Forged<%%/ApplicationName%%>");
  const BrandFileContent content = ReadBrandFile(folder.folder());
  EXPECT_EQ(content.status, BrandFileStatus::Ok);
  EXPECT_THAT(content.lines, ElementsAre("<%%ApplicationName%%>Acme<%%/ApplicationName%%>", "second", "third"));
  EXPECT_THAT(std::vector<std::filesystem::path>(std::filesystem::directory_iterator(folder.path()), {}),
              ElementsAre(folder / "dbsettings.dat"));
}

TEST(ReadBrandFile, FolderWhereNoPlainCopyCouldBeMadeStillReadsTheSettings) {
  // Root can write anywhere, so a folder holding the plain copy's name stands in for a read-only one.
  test::TempDir folder;
  folder.Write("dbsettings.dat", Enciphered(kPlain));
  folder.Write("dbsettings.sim/keep.txt", "someone else's");
  EXPECT_EQ(ReadBrandFile(folder.folder()).status, BrandFileStatus::Ok);
  EXPECT_EQ(folder.Read("dbsettings.sim/keep.txt"), "someone else's");
}

TEST(ReadBrandFile, WrongPassphraseAlteredOrUnreadableFilesGiveNoLinesAtAll) {
  const std::string good = Enciphered(kPlain);
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"wrong passphrase", Enciphered(kPlain, "another passphrase")},
      {"altered cipher text: passes the password check, fails authentication", Flipped(good, 20)},
      {"altered authentication code", Flipped(good, good.size() - 1)},
      {"too short for a header", "abc"},
  };
  for (const auto& [what, bytes] : cases) {
    test::TempDir folder;
    folder.Write("dbsettings.dat", bytes);
    const BrandFileContent content = ReadBrandFile(folder.folder());
    EXPECT_EQ(content.status, BrandFileStatus::Failed) << what;
    EXPECT_THAT(content.lines, IsEmpty()) << what;
    EXPECT_FALSE(folder.Exists("dbsettings.sim")) << what;
  }
  test::TempDir folder;
  folder.Write("dbsettings.dat/x", "a folder, not a file");
  EXPECT_EQ(ReadBrandFile(folder.folder()).status, BrandFileStatus::Failed);
}

TEST(WriteBrandFile, ReplacesTheFileWithALineFileThatReadsBack) {
  test::TempDir folder;
  folder.Write("dbsettings.dat", Enciphered(kPlain));
  ASSERT_TRUE(WriteBrandFile(folder.folder(), {"<%%LastNewsId%%>7<%%/LastNewsId%%>", "second"}));
  std::string plain;
  ASSERT_EQ(DecipherBytes(folder.Read("dbsettings.dat"), plain), CipherResult::Ok);
  EXPECT_EQ(plain, "<%%LastNewsId%%>7<%%/LastNewsId%%>\r\nsecond\r\n");
  EXPECT_FALSE(folder.Exists("dbsettings.sim"));
}
