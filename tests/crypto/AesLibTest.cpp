#include "crypto/AesLib.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/FileIO.h"
#include "tests/mock/FileSizeLimit.h"
#include "tests/mock/TempDir.h"

using namespace velmora;

namespace {

const std::filesystem::path kDataDir = std::filesystem::path(VELMORA_TEST_DATA_DIR) / "cipher";

// The plain texts make_vectors.py builds: byte i is (31*i + i/257) mod 256.
std::string Pattern(std::size_t n) {
  std::string text(n, '\0');
  for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>((31 * i + i / 257) % 256);
  return text;
}

std::string Sha1Hex(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EXPECT_EQ(EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha1(), nullptr), 1);
  std::ostringstream hex;
  for (unsigned int i = 0; i < length; ++i) hex << std::hex << (digest[i] >> 4) << (digest[i] & 15);
  return hex.str();
}

// One row of vectors.txt: name, passphrase, salt, plain text, SHA-1 of the
// enciphered file, and the enciphered file itself when it is kept.
struct Vector {
  std::string name, passphrase, salt, plain, sha1, fixture;
};

const std::vector<Vector>& Vectors() {
  static const std::vector<Vector> vectors = [] {
    std::vector<Vector> rows;
    std::ifstream in(kDataDir / "vectors.txt");
    std::string saltHex, plainSource, fixtureName;
    for (Vector v; in >> v.name >> v.passphrase >> saltHex >> plainSource >> v.sha1 >> fixtureName;) {
      v.salt.clear();
      for (std::size_t i = 0; i + 1 < saltHex.size(); i += 2)
        v.salt += static_cast<char>(std::stoi(saltHex.substr(i, 2), nullptr, 16));
      const std::string value = plainSource.substr(plainSource.find(':') + 1);
      v.plain = plainSource.starts_with("pattern:") ? Pattern(std::stoul(value)) : ReadWholeFile(kDataDir / value).value();
      v.fixture = fixtureName == "-" ? "" : ReadWholeFile(kDataDir / fixtureName).value();
      rows.push_back(v);
    }
    return rows;
  }();
  return vectors;
}

const Vector& VectorNamed(const std::string& name) {
  for (const auto& v : Vectors())
    if (v.name == name) return v;
  throw std::runtime_error("no vector " + name);
}

SaltSource FixedSalt(const Vector& v) {
  return [&v](unsigned char* out, std::size_t n) {
    if (n != v.salt.size()) return false;
    std::copy(v.salt.begin(), v.salt.end(), out);
    return true;
  };
}

std::string Encipher(const Vector& v, std::size_t bufferSize = kTransferBufferSize) {
  Encryption crypt(v.passphrase, bufferSize, FixedSalt(v));
  std::istringstream in(v.plain);
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
  Encryption crypt(passphrase, bufferSize);
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

TEST(AesLib, MatchesIndependentlyMadeFilesForAllKeySizes) {
  ASSERT_EQ(Vectors().size(), 15u);
  for (const Vector& v : Vectors()) {
    SCOPED_TRACE(v.name);
    const std::string ours = Encipher(v);
    EXPECT_EQ(Sha1Hex(ours), v.sha1);
    if (v.fixture.empty()) continue;
    EXPECT_TRUE(ours == v.fixture);
    const Deciphered d = Decipher(v.fixture, v.passphrase);
    EXPECT_EQ(d.result, CipherResult::Ok);
    EXPECT_TRUE(d.plain == v.plain);
    // The in-memory path gives the same bytes.
    std::string inMemory, plain;
    EXPECT_EQ(Encryption(v.passphrase, 16, FixedSalt(v)).EncryptBytes(v.plain, inMemory), CipherResult::Ok);
    EXPECT_TRUE(inMemory == v.fixture);
    EXPECT_EQ(DecipherBytes(v.fixture, plain, v.passphrase), CipherResult::Ok);
    EXPECT_TRUE(plain == v.plain);
  }
}

TEST(AesLib, InMemoryTextMayBeCipheredInPlace) {
  const Vector& v = VectorNamed("m1-short");
  std::string text = v.fixture;
  EXPECT_EQ(DecipherBytes(text, text, v.passphrase), CipherResult::Ok);
  EXPECT_EQ(text, v.plain);
  EXPECT_EQ(EncipherBytes(text, text, v.passphrase), CipherResult::Ok);
  std::string back;
  EXPECT_EQ(DecipherBytes(text, back, v.passphrase), CipherResult::Ok);
  EXPECT_EQ(back, v.plain);
}

TEST(AesLib, TheCutIntoBuffersLeavesNoTrace) {
  const Vector& v = VectorNamed("m1-262145");
  for (std::size_t bufferSize : {std::size_t{1}, std::size_t{15}, std::size_t{17}, std::size_t{4099},
                                 kTransferBufferSize - 1}) {
    SCOPED_TRACE(bufferSize);
    EXPECT_TRUE(Encipher(v, bufferSize) == v.fixture);
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
  for (const Row& row : {Row{0, 1, 8}, Row{31, 1, 8}, Row{32, 2, 12}, Row{47, 2, 12}, Row{48, 3, 16},
                         Row{128, 3, 16}}) {
    const std::string passphrase(row.passphraseLength, 'p');
    EXPECT_EQ(Encryption(passphrase, 64).Mode(), row.mode);
    for (const std::string& plain : {std::string(), Pattern(100)}) {
      SCOPED_TRACE(testing::Message() << row.passphraseLength << " / " << plain.size());
      std::string enciphered, back = "stale";
      ASSERT_EQ(EncipherBytes(plain, enciphered, passphrase), CipherResult::Ok);
      EXPECT_EQ(enciphered.size(), plain.size() + row.salt + 12);
      EXPECT_EQ(DecipherBytes(enciphered, back, passphrase), CipherResult::Ok);
      EXPECT_EQ(back, plain);
    }
  }
  std::string out;
  EXPECT_THROW((void)EncipherBytes("x", out, std::string(129, 'p')), std::invalid_argument);
}

TEST(AesLib, EveryEncipheringHasAFreshSalt) {
  std::string first, second;
  ASSERT_EQ(EncipherBytes("same text", first), CipherResult::Ok);
  ASSERT_EQ(EncipherBytes("same text", second), CipherResult::Ok);
  EXPECT_NE(first.substr(0, 8), second.substr(0, 8));
  EXPECT_NE(first, second);
}

TEST(AesLib, AlteredFileFailsAuthenticationButYieldsTheWholeText) {
  const Vector& v = VectorNamed("m1-262145");
  // First text byte, both sides of the buffer edge, and the code.
  for (std::size_t offset : {std::size_t{10}, std::size_t{10 + 262143}, std::size_t{10 + 262144},
                             v.fixture.size() - 1}) {
    SCOPED_TRACE(offset);
    std::string damaged = v.fixture;
    damaged[offset] = static_cast<char>(damaged[offset] ^ 0x20);
    const Deciphered d = Decipher(damaged, v.passphrase);
    EXPECT_EQ(d.result, CipherResult::AuthenticationFailed);
    std::string expected = v.plain;
    if (offset - 10 < expected.size()) expected[offset - 10] = static_cast<char>(expected[offset - 10] ^ 0x20);
    EXPECT_TRUE(d.plain == expected);
    std::string inMemory;
    EXPECT_EQ(DecipherBytes(damaged, inMemory, v.passphrase), CipherResult::AuthenticationFailed);
    EXPECT_TRUE(inMemory == expected);
  }
}

TEST(AesLib, RejectedHeaderWritesNothing) {
  const Vector& v = VectorNamed("m1-short");
  std::string damagedCheck = v.fixture;
  damagedCheck[8] = static_cast<char>(damagedCheck[8] ^ 1);
  struct Row {
    const char* what;
    std::string enciphered, passphrase;
    CipherResult expected;
  };
  for (const Row& row : {
           Row{"wrong passphrase", v.fixture, "qbxwrnmztf", CipherResult::PasswordCheckFailed},
           Row{"damaged check", damagedCheck, v.passphrase, CipherResult::PasswordCheckFailed},
           Row{"shorter than salt and check", v.fixture.substr(0, 9), v.passphrase, CipherResult::PasswordCheckFailed},
           Row{"empty", "", v.passphrase, CipherResult::PasswordCheckFailed},
           // Check intact but no room for the code: the text length would be negative.
           Row{"no room for the code", v.fixture.substr(0, 19), v.passphrase, CipherResult::AuthenticationFailed},
       }) {
    SCOPED_TRACE(row.what);
    const Deciphered d = Decipher(row.enciphered, row.passphrase);
    EXPECT_EQ(d.result, row.expected);
    EXPECT_EQ(d.plain, "");
    std::string inMemory = "stale";
    EXPECT_EQ(DecipherBytes(row.enciphered, inMemory, row.passphrase), row.expected);
    EXPECT_EQ(inMemory, "");
  }
}

TEST(AesLib, SourceEndingBeforeItsAnnouncedLengthFailsWithoutWaiting) {
  const Vector& v = VectorNamed("m1-262145");
  for (std::size_t kept : {std::size_t{5000}, std::size_t{262154}, v.fixture.size() - 4}) {
    SCOPED_TRACE(kept);
    const Deciphered d = Decipher(v.fixture.substr(0, kept), v.passphrase, kTransferBufferSize, v.fixture.size());
    EXPECT_EQ(d.result, CipherResult::ReadError);
    EXPECT_TRUE(d.plain == v.plain.substr(0, kept - 10));
  }
}

TEST(AesLib, FailuresAreReportedNotTakenForSuccess) {
  const Vector& v = VectorNamed("m1-short");
  FailingBuffer full;
  std::ostream fullTarget(&full);
  std::istringstream plainIn(v.plain), encipheredIn(v.fixture);
  EXPECT_EQ(Encryption(v.passphrase, 64).EncryptStream(plainIn, fullTarget), CipherResult::WriteError);
  EXPECT_EQ(Encryption(v.passphrase, 64).DecryptStream(encipheredIn, fullTarget, v.fixture.size()),
            CipherResult::WriteError);

  Encryption noSalt(v.passphrase, 64, [](unsigned char*, std::size_t) { return false; });
  std::istringstream in(v.plain);
  std::ostringstream out;
  EXPECT_THROW((void)noSalt.EncryptStream(in, out), std::runtime_error);
  EXPECT_EQ(out.str(), "");
}

TEST(AesLibFiles, EncipheredFileDeciphersOverAnOldPlainCopy) {
  test::TempDir dir;
  const std::string plain = Pattern(kTransferBufferSize * 2 + 3);
  dir.Write("dbsettings.sim", plain);
  ASSERT_EQ(EncipherFile(dir / "dbsettings.sim", dir / "dbsettings.dat"), CipherResult::Ok);
  EXPECT_EQ(std::filesystem::file_size(dir / "dbsettings.dat"), plain.size() + 20);
  dir.Write("dbsettings.sim", "old plain copy that must go");
  ASSERT_EQ(DecipherFile(dir / "dbsettings.dat", dir / "dbsettings.sim"), CipherResult::Ok);
  EXPECT_TRUE(dir.Read("dbsettings.sim") == plain);
}

TEST(AesLibFiles, MissingSourceOrUncreatableTargetIsAFileError) {
  test::TempDir dir;
  dir.Write("plain.txt", "text");
  EXPECT_FALSE(DecipherFile(dir / "absent.dat", dir / "out.txt"));
  EXPECT_FALSE(EncipherFile(dir / "absent.txt", dir / "out.dat"));
  EXPECT_FALSE(dir.Exists("out.txt") || dir.Exists("out.dat"));
  EXPECT_FALSE(DecipherFile(kDataDir / "m1-short.dat", dir / "no/such/out.txt"));
  EXPECT_FALSE(EncipherFile(dir / "plain.txt", dir / "no/such/out.dat"));
}

TEST(AesLibFiles, DecipheringAFileOntoItselfIsRefusedAndKeepsIt) {
  test::TempDir dir;
  const std::string enciphered = ReadWholeFile(kDataDir / "m1-short.dat").value();
  dir.Write("settings.dat", enciphered);
  EXPECT_FALSE(DecipherFile(dir / "settings.dat", dir / "settings.dat"));
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

TEST(AesLibFiles, DecipheringIsRefusedForADeviceAndKeepsTheOldTargetOnAFullDisk) {
  EXPECT_FALSE(DecipherFile(kDataDir / "m1-short.dat", "/dev/full"));
  test::TempDir dir;
  dir.Write("settings.sim", "the previous plain copy");
  {
    test::FileSizeLimit limit(1000);
    ASSERT_TRUE(limit.ok());
    EXPECT_EQ(DecipherFile(kDataDir / "m1-262145.dat", dir / "settings.sim"), CipherResult::WriteError);
  }
  EXPECT_EQ(dir.Read("settings.sim"), "the previous plain copy");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}
