#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "package/info_block.h"
#include "package/package_file.h"
#include "package/signature_format.h"
#include "tool_runner.h"

namespace orvane::tools_test {
namespace {

const std::string kTool = ORVANE_STAMP_TOOL;
const char* Utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

const std::string kKeys = ORVANE_TEST_KEYS;
const std::string kTestKey = kKeys + "/test-signing-key.pem";
const std::string kTestPub = kKeys + "/test-signing-key.pub";
const std::string kOtherKey = kKeys + "/other-signing-key.pem";
const std::string kOtherPub = kKeys + "/other-signing-key.pub";

std::string FirstLine(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

// Bytes that are not all alike, so a flipped one is a real change.
std::string Archive(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('0' + (i * 7 + i / 13) % 10);
  return bytes;
}

// Another byte in the same place that keeps a hex digit a hex digit.
std::string Flipped(std::string bytes, size_t at) {
  bytes[at] = bytes[at] == '0' ? '1' : '0';
  return bytes;
}

int Verify(const std::string& file, const std::string& keys) {
  return RunTool(kTool, {"verify", file, "--public-key", keys}).exitCode;
}

TEST(StampTool, WrittenBlockIsWhatTheWizardReads) {
  ScratchFolder scratch;
  const std::string package = scratch.Write("123.7z", std::string(3000, '7'));
  const auto run = RunTool(kTool, {"write", package, "--id", "123", "--name", Utf8(u8"测试工具"),
                                   "--file-name", "Tool.exe", "--version", "2.0.0.1", "--date",
                                   "2024-05-01", "--description", Utf8(u8"一个工具")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto record = ReadPackageRecord(package);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->id, 123);
  EXPECT_EQ(record->name, "测试工具");
  EXPECT_EQ(record->fileName, "Tool.exe");
  EXPECT_EQ(record->version, "2.0.0.1");
  EXPECT_EQ(record->date, "2024-05-01");
  EXPECT_EQ(record->description, "一个工具");
  // The package's own bytes are untouched.
  EXPECT_EQ(scratch.Read("123.7z").substr(0, 3000), std::string(3000, '7'));

  const auto read = RunTool(kTool, {"read", package});
  EXPECT_EQ(read.exitCode, 0);
  EXPECT_EQ(read.out, Utf8(u8"id=123\nname=测试工具\nfile-name=Tool.exe\nversion=2.0.0.1\n"
                           u8"date=2024-05-01\ndescription=一个工具\n"));
}

TEST(StampTool, ValuesFileAndOptionsCombine) {
  ScratchFolder scratch;
  const std::string package = scratch.Write("p.7z", std::string(4000, 'p'));
  const std::string values =
      scratch.Write("values.txt", Utf8(u8"# package 9\r\nid=9\r\nname=旧名\r\nfile-name=解压缩\r\n"
                                       u8"description=Games\\Poker\r\n"));
  const auto run = RunTool(kTool, {"write", package, "--values", values, "--name", "New"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto record = ReadPackageRecord(package);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->id, 9);
  EXPECT_EQ(record->name, "New");
  EXPECT_EQ(record->fileName, "解压缩");
  EXPECT_EQ(record->description, "Games\\Poker");
  EXPECT_EQ(record->version, "");
}

TEST(StampTool, StampedPackageMustBeLongerThan2500Bytes) {
  ScratchFolder scratch;
  // Marker line (24 + 2 bytes) and "ID=1" line (6 bytes): 32 bytes.
  const size_t block = kInfoBlockMarker.size() + 2 + 6;
  const std::string shortOne = scratch.Write("short.7z", std::string(2500 - block, 's'));
  const auto refused = RunTool(kTool, {"write", shortOne, "--id", "1"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("2500"), std::string::npos) << refused.err;
  EXPECT_EQ(scratch.Read("short.7z").size(), 2500 - block);  // left as it was

  const std::string longer = scratch.Write("long.7z", std::string(2501 - block, 's'));
  ASSERT_EQ(RunTool(kTool, {"write", longer, "--id", "1"}).exitCode, 0);
  EXPECT_EQ(scratch.Read("long.7z").size(), 2501u);
  EXPECT_TRUE(ReadPackageRecord(longer));
}

TEST(StampTool, RefusesValuesLongerThanTheirFieldsInGbkBytes) {
  ScratchFolder scratch;
  const std::string package = scratch.Write("p.7z", std::string(3000, 'p'));
  // Fifteen Chinese characters: 45 bytes of UTF-8, 30 of GBK.
  const auto wide =
      RunTool(kTool, {"write", package, "--name", Utf8(u8"一二三四五六七八九十一二三四五")});
  EXPECT_EQ(wide.exitCode, 1);
  EXPECT_NE(wide.err.find("30 bytes"), std::string::npos) << wide.err;
  // Fourteen fit (28 bytes).
  EXPECT_EQ(
      RunTool(kTool, {"write", package, "--name", Utf8(u8"一二三四五六七八九十一二三四")}).exitCode,
      0);
}

TEST(StampTool, RefusesASecondBlockAndBadValues) {
  ScratchFolder scratch;
  const std::string package = scratch.Write("p.7z", std::string(3000, 'p'));
  ASSERT_EQ(RunTool(kTool, {"write", package, "--name", "first"}).exitCode, 0);
  const auto second = RunTool(kTool, {"write", package, "--name", "second"});
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.err.find("already"), std::string::npos);
  EXPECT_EQ(ReadPackageRecord(package)->name, "first");

  const std::string other = scratch.Write("q.7z", std::string(3000, 'q'));
  EXPECT_EQ(RunTool(kTool, {"write", other, "--id", "12x"}).exitCode, 1);
  EXPECT_EQ(RunTool(kTool, {"write", other, "--id", "2147483648"}).exitCode, 1);
  EXPECT_EQ(RunTool(kTool, {"write", other, "--name", "\xF0\x9F\x98\x80"}).exitCode, 1);
  EXPECT_EQ(RunTool(kTool, {"write", other, "--date", "a\nb"}).exitCode, 1);
  EXPECT_EQ(RunTool(kTool, {"write", other}).exitCode, 1);
  EXPECT_EQ(scratch.Read("q.7z"), std::string(3000, 'q'));
}

TEST(StampTool, ReadSaysWhenThereIsNoBlock) {
  ScratchFolder scratch;
  const std::string plain = scratch.Write("plain.7z", std::string(3000, 'x'));
  EXPECT_EQ(RunTool(kTool, {"read", plain}).exitCode, 3);
  EXPECT_EQ(RunTool(kTool, {"read", scratch.File("missing.7z")}).exitCode, 1);
}

TEST(StampTool, SignedPackageVerifiesAndAnyChangeIsCaught) {
  ScratchFolder scratch;
  const std::string key = scratch.File("studio.pem");
  const auto made = RunTool(kTool, {"keygen", key});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const std::string publicKey = made.out.substr(0, made.out.find('\n'));
  ASSERT_EQ(publicKey.size(), 128u) << made.out;
  EXPECT_EQ(RunTool(kTool, {"public-key", key}).out, made.out);
  EXPECT_EQ(std::filesystem::status(key).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  // The only copy of a key is never replaced.
  const std::string pem = scratch.Read("studio.pem");
  EXPECT_EQ(RunTool(kTool, {"keygen", key}).exitCode, 1);
  EXPECT_EQ(scratch.Read("studio.pem"), pem);

  const std::string package = scratch.Write("123.7z", Archive(3000));
  const auto stamp =
      RunTool(kTool, {"write", package, "--id", "123", "--name", "Signed", "--sign-key", key});
  ASSERT_EQ(stamp.exitCode, 0) << stamp.err;
  const std::string stamped = scratch.Read("123.7z");
  EXPECT_TRUE(stamped.ends_with("\r\n"));
  EXPECT_EQ(stamped.substr(stamped.size() - kSignatureLineSize, 4), "SIG=");
  EXPECT_EQ(ReadPackageRecord(package)->name, "Signed");
  const auto verified = RunTool(kTool, {"verify", package, "--public-key", publicKey});
  EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
  EXPECT_NE(verified.out.find("signature line"), std::string::npos) << verified.out;
  // While keys rotate the build trusts several; the one that holds is named.
  const auto rotated =
      RunTool(kTool, {"verify", package, "--public-key", FirstLine(kOtherPub) + " , " + publicKey});
  EXPECT_EQ(rotated.exitCode, 0);
  EXPECT_NE(rotated.out.find("key 2 of 2 (" + publicKey + ")"), std::string::npos) << rotated.out;
  EXPECT_EQ(Verify(package, FirstLine(kOtherPub)), 4);
  EXPECT_EQ(RunTool(kTool, {"write", package, "--id", "1", "--sign-key", key}).exitCode, 1);
  EXPECT_EQ(scratch.Read("123.7z"), stamped);

  const size_t block = stamped.find(kInfoBlockMarker);
  const struct {
    const char* what;
    size_t at;
  } flips[] = {
      {"first byte of the archive", 0},
      {"last byte of the archive", 2999},
      {"the id in the block", block + kInfoBlockMarker.size() + 2 + 3},
      {"a digit of r", stamped.size() - kSignatureLineSize + 4},
      {"a digit of s", stamped.size() - 3},
  };
  for (const auto& flip : flips) {
    SCOPED_TRACE(flip.what);
    const std::string changed = scratch.Write("changed.7z", Flipped(stamped, flip.at));
    EXPECT_EQ(Verify(changed, publicKey), 4);
  }
  const std::string cut = scratch.Write("cut.7z", stamped.substr(0, stamped.size() - 2));
  EXPECT_EQ(Verify(cut, publicKey), 4);
  const std::string unsignedOne = scratch.Write("plain.7z", Archive(3000));
  ASSERT_EQ(RunTool(kTool, {"write", unsignedOne, "--id", "123"}).exitCode, 0);
  EXPECT_EQ(Verify(unsignedOne, publicKey), 4);
}

TEST(StampTool, SignedTrailerVerifiesOnceAndOnlyWhole) {
  ScratchFolder scratch;
  const std::string original = Archive(700);
  const std::string library = scratch.Write("7-zip32.dll", original);
  const auto signedRun = RunTool(kTool, {"sign", library, "--key", kTestKey});
  ASSERT_EQ(signedRun.exitCode, 0) << signedRun.err;
  const std::string withTrailer = scratch.Read("7-zip32.dll");
  ASSERT_EQ(withTrailer.size(), original.size() + kSignatureTrailerSize);
  EXPECT_EQ(withTrailer.substr(0, original.size()), original);
  EXPECT_TRUE(withTrailer.ends_with(kSignatureTrailerMagic));
  const auto verified = RunTool(kTool, {"verify", library, "--public-key-file", kTestPub});
  EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
  EXPECT_NE(verified.out.find("trailer"), std::string::npos) << verified.out;
  EXPECT_EQ(RunTool(kTool, {"verify", library, "--public-key-file", kOtherPub}).exitCode, 4);

  // Signing twice is caught, and leaves the file as it was.
  EXPECT_EQ(RunTool(kTool, {"sign", library, "--key", kOtherKey}).exitCode, 1);
  EXPECT_EQ(scratch.Read("7-zip32.dll"), withTrailer);

  const std::string testKey = FirstLine(kTestPub);
  const std::string truncated =
      scratch.Write("truncated.dll", withTrailer.substr(0, withTrailer.size() - 1));
  EXPECT_EQ(Verify(truncated, testKey), 4);
  EXPECT_EQ(Verify(scratch.Write("flipped.dll", Flipped(withTrailer, 10)), testKey), 4);
  EXPECT_EQ(Verify(scratch.Write("plain.dll", original), testKey), 4);
  // A package is signed in its block, where the wizard looks.
  const std::string package = scratch.Write("p.7z", Archive(3000));
  ASSERT_EQ(RunTool(kTool, {"write", package, "--id", "5"}).exitCode, 0);
  EXPECT_EQ(RunTool(kTool, {"sign", package, "--key", kTestKey}).exitCode, 1);
}

TEST(StampTool, RefusesKeysThatAreNotP256PrivateKeys) {
  ScratchFolder scratch;
  ASSERT_EQ(RunTool("openssl", {"ecparam", "-name", "secp384r1", "-genkey", "-noout", "-out",
                                scratch.File("p384.pem")})
                .exitCode,
            0);
  ASSERT_EQ(
      RunTool("openssl", {"pkey", "-in", kTestKey, "-pubout", "-out", scratch.File("public.pem")})
          .exitCode,
      0);
  const std::string package = scratch.Write("p.7z", Archive(3000));
  for (const std::string& key : {scratch.File("p384.pem"), scratch.File("public.pem"),
                                 scratch.Write("junk.pem", "junk"), scratch.File("missing.pem")}) {
    SCOPED_TRACE(key);
    const auto shown = RunTool(kTool, {"public-key", key});
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_NE(shown.err.find(key), std::string::npos) << shown.err;
    EXPECT_EQ(RunTool(kTool, {"write", package, "--id", "1", "--sign-key", key}).exitCode, 1);
    EXPECT_EQ(RunTool(kTool, {"sign", package, "--key", key}).exitCode, 1);
  }
  EXPECT_EQ(scratch.Read("p.7z"), Archive(3000));
  // A public key must be a point of the curve, in the build constant's form.
  const std::string notOnCurve(128, '1');
  for (const std::string& keys : {notOnCurve, std::string("12ab"), std::string()}) {
    EXPECT_EQ(Verify(package, keys), 1) << keys;
  }
}

// DER, the form openssl dgst reads and writes ECDSA signatures in, from
// and to r||s.
std::string RawToDer(std::string_view raw) {
  std::string body;
  for (std::string_view half : {raw.substr(0, 32), raw.substr(32)}) {
    while (half.size() > 1 && half[0] == 0) half.remove_prefix(1);
    const bool pad = static_cast<uint8_t>(half[0]) >= 0x80;
    body += std::string{'\x02', static_cast<char>(half.size() + pad)};
    if (pad) body += '\0';
    body.append(half);
  }
  return std::string{'\x30', static_cast<char>(body.size())} + body;
}

std::string DerToRaw(std::string_view der) {
  std::string raw;
  for (size_t at = 2; at + 2 <= der.size() && raw.size() < 64;) {
    std::string_view half = der.substr(at + 2, static_cast<uint8_t>(der[at + 1]));
    at += 2 + half.size();
    while (half.size() > 32 && half[0] == 0) half.remove_prefix(1);
    raw += std::string(32 - half.size(), '\0') + std::string(half);
  }
  return raw;
}

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  }
  return bytes;
}

TEST(StampTool, OpensslAgreesWithItsKeysAndSignatures) {
  ScratchFolder scratch;
  const std::string pubPem = scratch.File("public.pem");
  ASSERT_EQ(RunTool("openssl", {"pkey", "-in", kTestKey, "-pubout", "-out", pubPem}).exitCode, 0);
  ASSERT_EQ(RunTool("openssl", {"pkey", "-in", kTestKey, "-pubout", "-outform", "DER", "-out",
                                scratch.File("public.der")})
                .exitCode,
            0);
  // The key's SubjectPublicKeyInfo ends in the point: 0x04, X, Y.
  const std::string spki = scratch.Read("public.der");
  EXPECT_EQ(spki.substr(spki.size() - 64), FromHex(FirstLine(kTestPub)));
  EXPECT_EQ(RunTool(kTool, {"public-key", kTestKey}).out, FirstLine(kTestPub) + "\n");

  // What the tool signs, openssl accepts, and the other way round.
  const std::string library = scratch.Write("lib.dll", Archive(900));
  ASSERT_EQ(RunTool(kTool, {"sign", library, "--key", kTestKey}).exitCode, 0);
  const std::string package = scratch.Write("p.7z", Archive(3000));
  ASSERT_EQ(RunTool(kTool, {"write", package, "--id", "7", "--sign-key", kTestKey}).exitCode, 0);
  const std::string lib = scratch.Read("lib.dll"), pkg = scratch.Read("p.7z");
  const struct {
    std::string data, raw;
  } ours[] = {
      {lib.substr(0, 900), lib.substr(900, 64)},
      {pkg.substr(0, pkg.size() - kSignatureLineSize),
       FromHex(pkg.substr(pkg.size() - kSignatureLineSize + 4, 128))},
  };
  for (const auto& [data, raw] : ours) {
    const std::string dataFile = scratch.Write("data", data);
    const std::string sigFile = scratch.Write("sig.der", RawToDer(raw));
    const auto check =
        RunTool("openssl", {"dgst", "-sha256", "-verify", pubPem, "-signature", sigFile, dataFile});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  }

  const std::string game = scratch.Write("game.qgi", Archive(1234));
  ASSERT_EQ(RunTool("openssl", {"dgst", "-sha256", "-sign", kTestKey, "-out",
                                scratch.File("theirs.der"), game})
                .exitCode,
            0);
  const std::string raw = DerToRaw(scratch.Read("theirs.der"));
  ASSERT_EQ(raw.size(), 64u);
  scratch.Write("game.qgi", Archive(1234) + raw + std::string(kSignatureTrailerMagic));
  EXPECT_EQ(Verify(game, FirstLine(kTestPub)), 0);
  EXPECT_EQ(Verify(game, FirstLine(kOtherPub)), 4);
}

TEST(StampTool, UsageMistakesAndHelp) {
  const auto help = RunTool(kTool, {"--help"});
  EXPECT_EQ(help.exitCode, 0);
  // Help is read in a terminal: its Chinese is UTF-8, not the GBK the
  // package block holds.
  EXPECT_NE(help.out.find(reinterpret_cast<const char*>(u8"\"解压缩\"")), std::string::npos);
  EXPECT_EQ(RunTool(kTool, {}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"stamp", "x"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"write", "x", "--colour", "blue"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"write", "x", "--name"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"read", "x", "--all"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"keygen", "k.pem", "extra"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"sign", "x"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"sign", "x", "--sign-key", "k.pem"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"verify", "x"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"verify", "x", "--key", "k.pem"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"write", "x", "--id", "1", "--sign-key"}).exitCode, 2);
}

}  // namespace
}  // namespace orvane::tools_test
