#include "platform/linux/LinuxProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::ReadFile;
using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;
using namespace std::string_literals;

constexpr std::size_t kMax = 254;
constexpr char kAbsent[] = "<absent>";

TEST(LinuxProfileFile, ReadsValuesLikeThePrivateProfileFunctions) {
  const struct {
    const char* what;
    std::string file, section, key, expected;
  } cases[] = {
      {"spaces around the value", "[Setting]\nAutomin=  1  \n", "Setting", "Automin", "1"},
      {"inner spaces kept", "[Process]\nImproveSpeed=Above Normal\n", "Process", "ImproveSpeed", "Above Normal"},
      {"names without regard to case", "[setting]\nAUTOMIN=1\n", "Setting", "Automin", "1"},
      {"spaces around names", "  [ Setting ]  \n  Automin   =1\n", "Setting", "Automin", "1"},
      {"first section wins", "[S]\nk=1\n[s]\nk=2\n", "S", "k", "1"},
      {"first key wins", "[S]\nk=1\nK=2\n", "S", "k", "1"},
      {"key of another section", "[A]\nk=1\n[B]\nx=2\n", "B", "k", kAbsent},
      {"key before any section", "k=1\n[S]\n", "S", "k", kAbsent},
      {"comment is no key", "[S]\n;k=1\n#k=2\n", "S", "k", kAbsent},
      {"absent section", "[S]\nk=1\n", "T", "k", kAbsent},
      {"quotes around the value", "[S]\nk=\"Above Normal\"\n", "S", "k", "Above Normal"},
      {"CRLF line endings", "[S]\r\nk=High\r\n", "S", "k", "High"},
      {"byte order mark", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "1"},
      {"empty value", "[S]\nk=\n", "S", "k", ""},
      {"key without equals sign", "[S]\nk\n", "S", "k", ""},
      {"equals sign in the value", "[S]\nk=a=b\n", "S", "k", "a=b"},
      {"no final line ending", "[S]\nk=1", "S", "k", "1"},
      {"header without bracket", "[S\nk=1\n", "S", "k", "1"},
      {"NUL inside the value", "[S]\nk=ab\0cd\n"s, "S", "k", "ab\0cd"s},
  };
  TempDir dir;
  LinuxProfileFile profile(dir.File("Config.ini"));
  for (const auto& c : cases) {
    WriteFile(profile.Path(), c.file);
    EXPECT_EQ(profile.GetString(c.section, c.key, kAbsent, kMax), c.expected) << c.what;
  }
}

TEST(LinuxProfileFile, WritesOnlyTheKeyAndKeepsEverythingElseByteForByte) {
  const struct {
    const char* what;
    std::string before, section, key, value, after;
  } cases[] = {
      {"missing file gets one section", "", "Setting", "Autorun", "1", "[Setting]\nAutorun=1\n"},
      {"value replaced", "[Setting]\nAutorun=0\nAutomin=0\n", "Setting", "Autorun", "1",
       "[Setting]\nAutorun=1\nAutomin=0\n"},
      {"new key at the end of its section", "[Process]\nA=1\n\n[Memory]\nB=2\n", "Process", "C", "3",
       "[Process]\nA=1\nC=3\n\n[Memory]\nB=2\n"},
      {"new section at the end", "[Other]\nx=1\n", "Setting", "Autorun", "1", "[Other]\nx=1\n[Setting]\nAutorun=1\n"},
      {"last line without line ending", "[Other]\nx=1", "Setting", "Autorun", "1",
       "[Other]\nx=1\n[Setting]\nAutorun=1\n"},
      {"CRLF file stays CRLF", "[Other]\r\nx=1\r\n", "Setting", "Autorun", "1",
       "[Other]\r\nx=1\r\n[Setting]\r\nAutorun=1\r\n"},
      {"comments and unknown keys kept", "; made by hand\n[Setting]\n  ; note\nAutorun = 0 \nFoo=bar\n", "Setting",
       "Autorun", "1", "; made by hand\n[Setting]\n  ; note\nAutorun=1\nFoo=bar\n"},
      {"matched without regard to case", "[setting]\nautorun=0\n", "Setting", "Autorun", "1", "[setting]\nAutorun=1\n"},
      {"byte order mark kept", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "2", "\xEF\xBB\xBF[S]\nk=2\n"},
      {"empty section gets its key", "[S]\n[T]\n", "S", "k", "v", "[S]\nk=v\n[T]\n"},
      {"value with spaces written as is", "", "Process", "ImproveSpeed", "Above Normal",
       "[Process]\nImproveSpeed=Above Normal\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    LinuxProfileFile profile(dir.File("Config.ini"));
    if (!c.before.empty()) WriteFile(profile.Path(), c.before);
    EXPECT_TRUE(profile.WriteString(c.section, c.key, c.value)) << c.what;
    EXPECT_EQ(ReadFile(profile.Path()), c.after) << c.what;
    EXPECT_EQ(profile.GetString(c.section, c.key, kAbsent, kMax), c.value) << c.what;
  }
}

TEST(LinuxProfileFile, MissingFileReadsAsDefault) {
  TempDir dir;
  LinuxProfileFile profile(dir.File("Config.ini"));
  EXPECT_EQ(profile.GetString("Setting", "Automin", "", kMax), "");
  EXPECT_FALSE(std::filesystem::exists(profile.Path()));  // reading creates nothing
}

TEST(LinuxProfileFile, ValueIsCutToTheCharacterLimit) {
  TempDir dir;
  LinuxProfileFile profile(dir.File("Config.ini"));
  const std::string longValue(300, 'x');
  ASSERT_TRUE(profile.WriteString("S", "k", longValue));
  EXPECT_EQ(profile.GetString("S", "k", "", kMax), std::string(254, 'x'));
  EXPECT_EQ(ReadFile(profile.Path()), "[S]\nk=" + longValue + "\n");  // the file keeps it whole
}

TEST(LinuxProfileFile, JunkAndHugeLinesReadAsDefaultsAndSurviveAWrite) {
  TempDir dir;
  LinuxProfileFile profile(dir.File("Config.ini"));
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) % 256);
  const std::string hugeLine(100000, 'z');
  for (const std::string& contents : {junk, "[Setting]\n" + hugeLine + "\n", hugeLine}) {
    WriteFile(profile.Path(), contents);
    EXPECT_EQ(profile.GetString("Setting", "Automin", "dflt", kMax), "dflt");
    ASSERT_TRUE(profile.WriteString("Setting", "Automin", "1"));
    EXPECT_EQ(profile.GetString("Setting", "Automin", "dflt", kMax), "1");
    EXPECT_EQ(ReadFile(profile.Path()).substr(0, contents.size()), contents);
  }
}

TEST(LinuxProfileFile, UnwritablePlaceFailsTheWrite) {
  // /proc takes no new files, whoever asks, root included.
  LinuxProfileFile proc("/proc/self/tarvelo-test/Config.ini");
  EXPECT_FALSE(proc.WriteString("Setting", "Autorun", "1"));
}

TEST(LinuxProfileFile, ReadOnlyDirectoryLeavesTheFileAsItWas) {
  TempDir dir;
  LinuxProfileFile profile(dir.File("Config.ini"));
  WriteFile(profile.Path(), "[Setting]\nAutorun=0\n");
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
  if (::access(dir.Path().c_str(), W_OK) == 0) GTEST_SKIP() << "this account writes to read-only directories";
  EXPECT_FALSE(profile.WriteString("Setting", "Autorun", "1"));
  EXPECT_EQ(ReadFile(profile.Path()), "[Setting]\nAutorun=0\n");
}

TEST(LinuxProfileFile, NeverOverwritesWhatItCannotRead) {
  TempDir dir;
  // A directory where the file should be: unreadable as a file.
  LinuxProfileFile inTheWay(dir.File("Config.ini"));
  std::filesystem::create_directory(inTheWay.Path());
  EXPECT_FALSE(inTheWay.WriteString("S", "k", "v"));
  EXPECT_TRUE(std::filesystem::is_directory(inTheWay.Path()));

  // A file far too large to be a settings file.
  LinuxProfileFile large(dir.File("Large.ini"));
  const std::string big = "[S]\nk=1\n" + std::string(LinuxProfileFile::kMaxFileBytes, 'x');
  WriteFile(large.Path(), big);
  EXPECT_EQ(large.GetString("S", "k", "dflt", kMax), "dflt");
  EXPECT_FALSE(large.WriteString("S", "k", "2"));
  EXPECT_EQ(std::filesystem::file_size(large.Path()), big.size());
}

TEST(LinuxProfileFile, RefusesNamesAndValuesThatWouldBreakTheFile) {
  TempDir dir;
  LinuxProfileFile profile(dir.File("Config.ini"));
  WriteFile(profile.Path(), "[S]\nk=1\n");
  EXPECT_FALSE(profile.WriteString("S", "k", "1\n[Setting]\nAutorun=1"));
  EXPECT_FALSE(profile.WriteString("S", "k", "1\r2"));
  EXPECT_FALSE(profile.WriteString("S", "a=b", "1"));
  EXPECT_FALSE(profile.WriteString("S]", "k", "1"));
  EXPECT_FALSE(profile.WriteString("", "k", "1"));
  EXPECT_FALSE(profile.WriteString("S", " ", "1"));
  EXPECT_EQ(ReadFile(profile.Path()), "[S]\nk=1\n");
}

TEST(LinuxProfileFile, ReplacesTheFileAtomicallyKeepingModeAndLinks) {
  TempDir dir;
  const std::string real = dir.File("real.ini");
  WriteFile(real, "[S]\nk=1\n");
  ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
  std::filesystem::create_symlink(real, dir.File("Config.ini"));
  LinuxProfileFile profile(dir.File("Config.ini"));

  ASSERT_TRUE(profile.WriteString("S", "k", "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(profile.Path()));
  EXPECT_EQ(ReadFile(real), "[S]\nk=2\n");
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  // No temporary file is left behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 2);
}

TEST(LinuxProfileFile, CreatesTheMissingSettingsDirectory) {
  TempDir dir;
  LinuxProfileFile profile(dir.Path() + "/config/tarvelo/Config.ini");
  ASSERT_TRUE(profile.WriteString("Setting", "Automin", "1"));
  EXPECT_EQ(ReadFile(profile.Path()), "[Setting]\nAutomin=1\n");
}

}  // namespace
}  // namespace platform::linux_impl
