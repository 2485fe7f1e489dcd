#include "crypto/AesLib.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/FileIO.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

const std::filesystem::path kDataDir = std::filesystem::path(VELMORA_TEST_DATA_DIR) / "cipher";

// The plain texts the generator script builds: byte i is (31*i + i/257) mod 256.
std::string Pattern(std::size_t n) {
  std::string text(n, '\0');
  for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>((31 * i + i / 257) % 256);
  return text;
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::string Sha1Hex(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EXPECT_EQ(EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha1(), nullptr), 1);
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += digits[digest[i] >> 4];
    hex += digits[digest[i] & 15];
  }
  return hex;
}

struct Vector {
  std::string name;
  std::string passphrase;
  std::string salt;
  std::string plain;
  std::string sha1;
  std::string fixture;  // enciphered bytes made by the script, empty when not kept
};

std::vector<Vector> LoadVectors() {
  std::ifstream in(kDataDir / "vectors.txt");
  std::vector<Vector> vectors;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Vector v;
    std::string saltHex, plainSpec, fixtureName;
    if (!(fields >> v.name >> v.passphrase >> saltHex >> plainSpec >> v.sha1 >> fixtureName)) continue;
    v.salt = FromHex(saltHex);
    const auto colon = plainSpec.find(':');
    const std::string kind = plainSpec.substr(0, colon), value = plainSpec.substr(colon + 1);
    v.plain = kind == "pattern" ? Pattern(std::stoul(value)) : ReadWholeFile(kDataDir / value);
    if (fixtureName != "-") v.fixture = ReadWholeFile(kDataDir / fixtureName);
    vectors.push_back(std::move(v));
  }
  return vectors;
}

const std::vector<Vector>& Vectors() {
  static const std::vector<Vector> vectors = LoadVectors();
  return vectors;
}

const Vector& VectorNamed(const std::string& name) {
  for (const auto& v : Vectors())
    if (v.name == name) return v;
  throw std::runtime_error("no vector " + name);
}

SaltSource FixedSalt(const std::string& salt) {
  return [salt](unsigned char* out, std::size_t n) {
    if (n != salt.size()) return false;
    std::copy(salt.begin(), salt.end(), out);
    return true;
  };
}

std::string Encipher(const std::string& plain, const std::string& passphrase, SaltSource salts,
                     std::size_t bufferSize = kTransferBufferSize) {
  TEncryption crypt(passphrase, bufferSize, std::move(salts));
  std::istringstream in(plain);
  std::ostringstream out;
  EXPECT_EQ(crypt.EncryptStream(in, out), CipherResult::Ok);
  return out.str();
}

struct Deciphered {
  CipherResult result;
  std::string plain;
};

Deciphered Decipher(const std::string& enciphered, const std::string& passphrase,
                    std::size_t bufferSize = kTransferBufferSize, std::uint64_t length = 0) {
  TEncryption crypt(passphrase, bufferSize);
  std::istringstream in(enciphered);
  std::ostringstream out;
  const auto result = crypt.DecryptStream(in, out, length ? length : enciphered.size());
  return {result, out.str()};
}

// A target whose every write fails, as on a full disk.
class FailingBuffer : public std::streambuf {
protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

}  // namespace

TEST(AesLibVectors, ReferenceVectorsAreAllLoaded) {
  ASSERT_EQ(Vectors().size(), 15u);
}

class AesLibKnownAnswer : public ::testing::TestWithParam<std::string> {};

TEST_P(AesLibKnownAnswer, EncipheringWithTheSameSaltGivesTheReferenceFile) {
  const Vector& v = VectorNamed(GetParam());
  const std::string ours = Encipher(v.plain, v.passphrase, FixedSalt(v.salt));
  EXPECT_EQ(Sha1Hex(ours), v.sha1);
  if (!v.fixture.empty()) {
    EXPECT_TRUE(ours == v.fixture);
  }
}

TEST_P(AesLibKnownAnswer, ReferenceFileDeciphersToThePlainText) {
  const Vector& v = VectorNamed(GetParam());
  if (v.fixture.empty()) GTEST_SKIP() << "only the digest of this file is kept";
  const Deciphered d = Decipher(v.fixture, v.passphrase);
  EXPECT_EQ(d.result, CipherResult::Ok);
  EXPECT_TRUE(d.plain == v.plain);
}

INSTANTIATE_TEST_SUITE_P(AllVectors, AesLibKnownAnswer,
                         ::testing::Values("m1-empty", "m1-short", "m1-262144", "m1-262145", "m1-31", "m2-empty",
                                           "m2-short", "m2-262144", "m2-262145", "m2-47", "m3-empty", "m3-short",
                                           "m3-262144", "m3-262145", "m3-128"),
                         [](const ::testing::TestParamInfo<std::string>& vector) {
                           std::string name = vector.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST(AesLib, TheCutIntoBuffersLeavesNoTrace) {
  const Vector& v = VectorNamed("m1-262145");
  for (std::size_t bufferSize : {std::size_t{1}, std::size_t{15}, std::size_t{16}, std::size_t{17},
                                 std::size_t{4099}, kTransferBufferSize - 1}) {
    SCOPED_TRACE(bufferSize);
    EXPECT_TRUE(Encipher(v.plain, v.passphrase, FixedSalt(v.salt), bufferSize) == v.fixture);
    const Deciphered d = Decipher(v.fixture, v.passphrase, bufferSize);
    EXPECT_EQ(d.result, CipherResult::Ok);
    EXPECT_TRUE(d.plain == v.plain);
  }
}

TEST(AesLib, PassphraseLengthPicksKeySizeAndSaltLength) {
  struct Row {
    std::size_t passphraseLength;
    int mode;
    std::size_t salt;
  };
  for (const Row& row : {Row{0, 1, 8}, Row{10, 1, 8}, Row{31, 1, 8}, Row{32, 2, 12}, Row{47, 2, 12},
                         Row{48, 3, 16}, Row{128, 3, 16}}) {
    SCOPED_TRACE(row.passphraseLength);
    const std::string passphrase(row.passphraseLength, 'p');
    TEncryption crypt(passphrase, 64);
    EXPECT_EQ(crypt.Mode(), row.mode);
    EXPECT_EQ(crypt.SaltLength(), row.salt);
    EXPECT_EQ(crypt.KeyLength(), 8 + 8 * static_cast<std::size_t>(row.mode));
    const std::string plain = Pattern(100);
    std::string enciphered;
    ASSERT_EQ(EncipherBytes(plain, enciphered, passphrase), CipherResult::Ok);
    EXPECT_EQ(enciphered.size(), plain.size() + row.salt + 12);
    std::string back;
    EXPECT_EQ(DecipherBytes(enciphered, back, passphrase), CipherResult::Ok);
    EXPECT_EQ(back, plain);
  }
}

TEST(AesLib, PassphraseOver128BytesIsRefused) {
  EXPECT_THROW(TEncryption(std::string(129, 'p'), 64), std::invalid_argument);
  std::string out;
  EXPECT_THROW((void)EncipherBytes("x", out, std::string(129, 'p')), std::invalid_argument);
}

TEST(AesLib, EmptyTextEnciphersToTwentyBytesThatDecipherToNothing) {
  std::string enciphered;
  ASSERT_EQ(EncipherBytes("", enciphered), CipherResult::Ok);
  EXPECT_EQ(enciphered.size(), 20u);
  std::string plain = "stale";
  EXPECT_EQ(DecipherBytes(enciphered, plain), CipherResult::Ok);
  EXPECT_EQ(plain, "");
}

TEST(AesLib, EveryEncipheringHasAFreshSaltAndStillDeciphers) {
  const std::string plain = VectorNamed("m1-short").plain;
  std::string first, second;
  ASSERT_EQ(EncipherBytes(plain, first), CipherResult::Ok);
  ASSERT_EQ(EncipherBytes(plain, second), CipherResult::Ok);
  EXPECT_NE(first.substr(0, 8), second.substr(0, 8));
  EXPECT_NE(first, second);
  for (const std::string& enciphered : {first, second}) {
    std::string back;
    EXPECT_EQ(DecipherBytes(enciphered, back), CipherResult::Ok);
    EXPECT_EQ(back, plain);
  }
}

TEST(AesLib, FlippedCipherTextBitFlipsThePlainBitAndFailsAuthentication) {
  const Vector& v = VectorNamed("m1-262145");
  // In the first block, at the buffer edge, and in the last byte of text.
  for (std::size_t textOffset : {std::size_t{0}, std::size_t{262143}, std::size_t{262144}}) {
    SCOPED_TRACE(textOffset);
    std::string damaged = v.fixture;
    damaged[10 + textOffset] = static_cast<char>(damaged[10 + textOffset] ^ 0x20);
    const Deciphered d = Decipher(damaged, v.passphrase);
    EXPECT_EQ(d.result, CipherResult::AuthenticationFailed);
    ASSERT_EQ(d.plain.size(), v.plain.size());
    std::string expected = v.plain;
    expected[textOffset] = static_cast<char>(expected[textOffset] ^ 0x20);
    EXPECT_TRUE(d.plain == expected);
  }
}

TEST(AesLib, AlteredCodeFailsAuthenticationButKeepsTheText) {
  const Vector& v = VectorNamed("m1-short");
  std::string damaged = v.fixture;
  damaged.back() = static_cast<char>(damaged.back() ^ 1);
  const Deciphered d = Decipher(damaged, v.passphrase);
  EXPECT_EQ(d.result, CipherResult::AuthenticationFailed);
  EXPECT_EQ(d.plain, v.plain);
}

TEST(AesLib, WrongPassphraseOrDamagedHeaderWritesNothing) {
  const Vector& v = VectorNamed("m1-short");
  std::string damagedCheck = v.fixture;
  damagedCheck[8] = static_cast<char>(damagedCheck[8] ^ 1);
  struct Row {
    const char* what;
    std::string enciphered;
    std::string passphrase;
  };
  for (const Row& row : {Row{"wrong passphrase", v.fixture, "qbxwrnmztf"}, Row{"damaged check", damagedCheck, v.passphrase},
                         Row{"shorter than salt and check", v.fixture.substr(0, 9), v.passphrase},
                         Row{"empty", "", v.passphrase}}) {
    SCOPED_TRACE(row.what);
    const Deciphered d = Decipher(row.enciphered, row.passphrase);
    EXPECT_EQ(d.result, CipherResult::PasswordCheckFailed);
    EXPECT_EQ(d.plain, "");
  }
}

TEST(AesLib, FileWithoutRoomForItsCodeIsNotGenuine) {
  // Salt and check are intact but the code is cut off: the cipher-text length
  // would be negative, so nothing may be deciphered.
  const Vector& v = VectorNamed("m1-short");
  for (std::size_t length : {std::size_t{10}, std::size_t{15}, std::size_t{19}}) {
    SCOPED_TRACE(length);
    const Deciphered d = Decipher(v.fixture.substr(0, length), v.passphrase);
    EXPECT_EQ(d.result, CipherResult::AuthenticationFailed);
    EXPECT_EQ(d.plain, "");
  }
}

TEST(AesLib, SourceEndingBeforeItsAnnouncedLengthFailsWithoutWaiting) {
  const Vector& v = VectorNamed("m1-262145");
  struct Row {
    const char* what;
    std::size_t kept;
  };
  for (const Row& row : {Row{"cut in the first buffer", 5000}, Row{"cut at the buffer edge", 262154},
                         Row{"code cut short", v.fixture.size() - 4}}) {
    SCOPED_TRACE(row.what);
    const Deciphered d = Decipher(v.fixture.substr(0, row.kept), v.passphrase, kTransferBufferSize, v.fixture.size());
    EXPECT_EQ(d.result, CipherResult::ReadError);
    // What arrived before the cut is deciphered and kept.
    const std::size_t textKept = std::min(row.kept - 10, v.plain.size());
    EXPECT_TRUE(d.plain == v.plain.substr(0, textKept));
  }
}

TEST(AesLib, StreamsThatFailAreReportedNotTakenForSuccess) {
  const Vector& v = VectorNamed("m1-short");
  FailingBuffer full;
  std::ostream fullTarget(&full);
  {
    TEncryption crypt(v.passphrase, 64);
    std::istringstream in(v.plain);
    EXPECT_EQ(crypt.EncryptStream(in, fullTarget), CipherResult::WriteError);
  }
  {
    TEncryption crypt(v.passphrase, 64);
    std::istringstream in(v.fixture);
    EXPECT_EQ(crypt.DecryptStream(in, fullTarget, v.fixture.size()), CipherResult::WriteError);
  }
  {
    TEncryption crypt(v.passphrase, 64);
    std::istringstream in(v.plain);
    in.setstate(std::ios::failbit);
    std::ostringstream out;
    EXPECT_EQ(crypt.EncryptStream(in, out), CipherResult::ReadError);
  }
}

TEST(AesLib, SaltSourceThatFailsStopsEnciphering) {
  TEncryption crypt("qbxwrnmzte", 64, [](unsigned char*, std::size_t) { return false; });
  std::istringstream in("text");
  std::ostringstream out;
  EXPECT_THROW((void)crypt.EncryptStream(in, out), std::runtime_error);
  EXPECT_EQ(out.str(), "");
}

TEST(AesLibFiles, EncipheredFileDeciphersWithTheSettingsPassphrase) {
  test::TempDir dir;
  const std::string plain = Pattern(kTransferBufferSize * 2 + 3);
  dir.Write("dbsettings.sim", plain);
  ASSERT_EQ(EncipherFile(dir / "dbsettings.sim", dir / "dbsettings.dat"), CipherResult::Ok);
  EXPECT_EQ(std::filesystem::file_size(dir / "dbsettings.dat"), plain.size() + 20);
  dir.Write("dbsettings.sim", "old plain copy that must go");
  ASSERT_EQ(DecipherFile(dir / "dbsettings.dat", dir / "dbsettings.sim"), CipherResult::Ok);
  EXPECT_TRUE(dir.Read("dbsettings.sim") == plain);
}

TEST(AesLibFiles, ReferenceSettingsFileDeciphersWithTheDefaultPassphrase) {
  test::TempDir dir;
  ASSERT_EQ(DecipherFile(kDataDir / "m1-short.dat", dir / "out.txt"), CipherResult::Ok);
  EXPECT_EQ(dir.Read("out.txt"), VectorNamed("m1-short").plain);
}

TEST(AesLibFiles, WrongPassphraseLeavesAnEmptyTarget) {
  test::TempDir dir;
  dir.Write("out.txt", "previous contents");
  EXPECT_EQ(DecipherFile(kDataDir / "m1-short.dat", dir / "out.txt", "not the passphrase"),
            CipherResult::PasswordCheckFailed);
  EXPECT_TRUE(dir.Exists("out.txt"));
  EXPECT_EQ(dir.Read("out.txt"), "");
}

TEST(AesLibFiles, MissingSourceOrUncreatableTargetThrowsFileError) {
  test::TempDir dir;
  dir.Write("plain.txt", "text");
  EXPECT_THROW((void)DecipherFile(dir / "absent.dat", dir / "out.txt"), FileError);
  EXPECT_THROW((void)EncipherFile(dir / "absent.txt", dir / "out.dat"), FileError);
  EXPECT_FALSE(dir.Exists("out.txt"));
  EXPECT_FALSE(dir.Exists("out.dat"));
  EXPECT_THROW((void)DecipherFile(kDataDir / "m1-short.dat", dir / "no/such/out.txt"), FileError);
  EXPECT_THROW((void)EncipherFile(dir / "plain.txt", dir / "no/such/out.dat"), FileError);
}

TEST(AesLibFiles, DecipheringAFileOntoItselfIsRefusedAndKeepsIt) {
  test::TempDir dir;
  const std::string enciphered = ReadWholeFile(kDataDir / "m1-short.dat");
  dir.Write("settings.dat", enciphered);
  EXPECT_THROW((void)DecipherFile(dir / "settings.dat", dir / "settings.dat"), FileError);
  EXPECT_EQ(dir.Read("settings.dat"), enciphered);
}

TEST(AesLibFiles, FailedEncipheringKeepsTheFileItWouldReplace) {
  test::TempDir dir;
  dir.Write("settings.dat", "the good file");
  std::filesystem::create_directory(dir / "unreadable");
  // A folder opens but cannot be read, so the failure comes mid-stream.
  EXPECT_EQ(EncipherFile(dir / "unreadable", dir / "settings.dat"), CipherResult::ReadError);
  EXPECT_EQ(dir.Read("settings.dat"), "the good file");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 2);
}

TEST(AesLibFiles, EncipheringAFileOntoItselfReplacesItWhole) {
  test::TempDir dir;
  const std::string plain = Pattern(1000);
  dir.Write("settings", plain);
  ASSERT_EQ(EncipherFile(dir / "settings", dir / "settings"), CipherResult::Ok);
  std::string back;
  EXPECT_EQ(DecipherBytes(dir.Read("settings"), back), CipherResult::Ok);
  EXPECT_EQ(back, plain);
}

TEST(AesLibFiles, DecipheringOntoAFullDiskIsAWriteError) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(DecipherFile(kDataDir / "m1-262145.dat", "/dev/full"), CipherResult::WriteError);
  EXPECT_EQ(DecipherFile(kDataDir / "m1-short.dat", "/dev/full"), CipherResult::WriteError);
}
