#include "platform/linux/files/LinuxProfileFile.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

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

TEST(LinuxProfileFile, ReplacesTheFileAtomicallyKeepingOwnerGroupAndMode) {
  TempDir dir;
  LinuxProfileFile profile(dir.File("Config.ini"));
  WriteFile(profile.Path(), "[S]\nk=1\n");
  ASSERT_EQ(::chmod(profile.Path().c_str(), 0640), 0);
  struct stat before {};
  ASSERT_EQ(::stat(profile.Path().c_str(), &before), 0);
  // Root hands the file to another group, as an administrator may have.
  const gid_t group = ::geteuid() == 0 ? 65534 : before.st_gid;
  ASSERT_EQ(::chown(profile.Path().c_str(), before.st_uid, group), 0);

  ASSERT_TRUE(profile.WriteString("S", "k", "2"));
  EXPECT_EQ(ReadFile(profile.Path()), "[S]\nk=2\n");
  struct stat after {};
  ASSERT_EQ(::stat(profile.Path().c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino) << "replaced, not rewritten in place";
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, group);
  // No temporary file is left behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(LinuxProfileFile, KeyNamesThatWouldNotReadBackAreRefused) {
  TempDir dir;
  LinuxProfileFile profile(dir.File("Config.ini"));
  WriteFile(profile.Path(), "[S]\nk=1\n");
  for (const char* key : {";k", "#k", "  ;k", "\t#k", "\t"}) {
    EXPECT_FALSE(profile.WriteString("S", key, "1")) << key;
  }
  EXPECT_FALSE(profile.WriteString("\t", "k", "1"));
  EXPECT_EQ(ReadFile(profile.Path()), "[S]\nk=1\n");
  // A comment mark later in the name is part of it.
  ASSERT_TRUE(profile.WriteString("S", "k;2", "x"));
  EXPECT_EQ(profile.GetString("S", "k;2", kAbsent, kMax), "x");
}

TEST(LinuxProfileFile, ALastLineEndingInABareCrMeansTheSameAfterALineIsAdded) {
  const struct {
    std::string before, after;
  } cases[] = {
      {"[S]\nk=1\r", "[S]\nk=1\r\nj=2\n"},
      {"[S]\r\nk=1\r", "[S]\r\nk=1\r\nj=2\r\n"},
      {"[S]\r", "[S]\r\nj=2\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    LinuxProfileFile profile(dir.File("Config.ini"));
    WriteFile(profile.Path(), c.before);
    const std::string k = profile.GetString("S", "k", kAbsent, kMax);
    ASSERT_TRUE(profile.WriteString("S", "j", "2"));
    EXPECT_EQ(ReadFile(profile.Path()), c.after);
    EXPECT_EQ(profile.GetString("S", "k", kAbsent, kMax), k);
    EXPECT_EQ(profile.GetString("S", "j", kAbsent, kMax), "2");
  }
}

// What a settings file in a hostile place must never do: follow a link,
// open a FIFO or device, replace a read-only file or, as root, trust what
// another user owns or may write. In every case a read gives the default (or
// the read-only file's own value) without blocking, a write fails, and the
// other file is untouched. Runs in dir with the caller's rights.
void CheckHostileSettingsFiles(const std::string& dir, const std::string& victim) {
  const bool root = ::geteuid() == 0;
  const std::string victimBefore = ReadFile(victim);
  struct stat victimStat {};
  ASSERT_EQ(::stat(victim.c_str(), &victimStat), 0);
  const struct {
    const char* what;
    std::function<void(const std::string& path)> make;
    std::string expectedRead;
    bool onlyAsRoot;
  } cases[] = {
      {"link to another's file", [&](const std::string& p) { std::filesystem::create_symlink(victim, p); }, kAbsent,
       false},
      {"link to a missing file", [&](const std::string& p) { std::filesystem::create_symlink(p + ".new", p); }, kAbsent,
       false},
      {"FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, kAbsent, false},
      {"device",
       [](const std::string& p) {
         // A copy of /dev/zero where the system lets root make one, else a link to it.
         if (::mknod(p.c_str(), S_IFCHR | 0666, ::makedev(1, 5)) != 0) std::filesystem::create_symlink("/dev/zero", p);
       },
       kAbsent, false},
      {"directory", [](const std::string& p) { std::filesystem::create_directory(p); }, kAbsent, false},
      {"read-only file",
       [](const std::string& p) {
         WriteFile(p, "[S]\nk=ro\n");
         ASSERT_EQ(::chmod(p.c_str(), 0444), 0);
       },
       "ro", false},
      {"file of another user",
       [](const std::string& p) {
         WriteFile(p, "[S]\nk=theirs\n");
         ASSERT_EQ(::chown(p.c_str(), 65534, 65534), 0);
       },
       kAbsent, true},
      {"file anyone may write",
       [](const std::string& p) {
         WriteFile(p, "[S]\nk=open\n");
         ASSERT_EQ(::chmod(p.c_str(), 0666), 0);
       },
       kAbsent, true},
      {"folder of another user",
       [](const std::string& p) {
         WriteFile(p, "[S]\nk=1\n");
         ASSERT_EQ(::chown(std::filesystem::path(p).parent_path().c_str(), 65534, 65534), 0);
       },
       kAbsent, true},
      {"folder anyone may write",
       [](const std::string& p) {
         WriteFile(p, "[S]\nk=1\n");
         ASSERT_EQ(::chmod(std::filesystem::path(p).parent_path().c_str(), 0777), 0);
       },
       kAbsent, true},
  };
  int index = 0;
  for (const auto& c : cases) {
    if (c.onlyAsRoot && !root) continue;
    const std::string folder = dir + "/case" + std::to_string(index++);
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/Config.ini";
    c.make(path);
    struct stat before {};
    ASSERT_EQ(::lstat(path.c_str(), &before), 0) << c.what;
    LinuxProfileFile profile(path);
    EXPECT_EQ(profile.GetString("S", "k", kAbsent, kMax), c.expectedRead) << c.what;
    EXPECT_FALSE(profile.WriteString("S", "k", "2")) << c.what;
    struct stat after {};
    ASSERT_EQ(::lstat(path.c_str(), &after), 0) << c.what;
    EXPECT_EQ(after.st_ino, before.st_ino) << c.what << ": still in its place";
    EXPECT_EQ(after.st_mtime, before.st_mtime) << c.what;
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++entries;
    EXPECT_EQ(entries, 1) << c.what << ": nothing left beside it";
  }
  EXPECT_EQ(ReadFile(victim), victimBefore);
  struct stat victimAfter {};
  ASSERT_EQ(::stat(victim.c_str(), &victimAfter), 0);
  EXPECT_EQ(victimAfter.st_ino, victimStat.st_ino);
  EXPECT_EQ(victimAfter.st_mode, victimStat.st_mode);
  EXPECT_EQ(victimAfter.st_uid, victimStat.st_uid);
  EXPECT_EQ(victimAfter.st_gid, victimStat.st_gid);
}

TEST(LinuxProfileFile, HostileFilesAreNeitherFollowedNorOpenedNorReplaced) {
  // The victim: a file only its owner (root, in CI) may read and write.
  TempDir victimDir;
  const std::string victim = victimDir.File("secret");
  WriteFile(victim, "root:secret\n");
  ASSERT_EQ(::chmod(victim.c_str(), 0600), 0);
  TempDir dir;
  CheckHostileSettingsFiles(dir.Path(), victim);
}

TEST(LinuxProfileFile, HostileFilesAsAnOrdinaryUserToo) {
  if (::geteuid() != 0) GTEST_SKIP() << "runs as root only: it turns into another user";
  TempDir victimDir;
  ASSERT_EQ(::chmod(victimDir.Path().c_str(), 0755), 0);
  const std::string victim = victimDir.File("secret");
  WriteFile(victim, "root:secret\n");
  ASSERT_EQ(::chmod(victim.c_str(), 0644), 0);  // readable, so the link could show it
  TempDir dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  ASSERT_EQ(::chown(dir.Path().c_str(), 65534, 65534), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
        ::setresuid(65534, 65534, 65534) != 0) {
      ::_exit(2);
    }
    CheckHostileSettingsFiles(dir.Path(), victim);
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST(LinuxProfileFile, AsRootAFolderAnotherUserControlsAboveTheFileIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "the ownership checks apply to root only";
  // root's own folder, but inside one that another user owns: they could
  // swap it for a link at any time.
  TempDir dir;
  std::filesystem::create_directories(dir.File("theirs/mine"));
  ASSERT_EQ(::chown(dir.File("theirs").c_str(), 65534, 65534), 0);
  LinuxProfileFile profile(dir.File("theirs/mine/Config.ini"));
  WriteFile(profile.Path(), "[S]\nk=1\n");
  EXPECT_EQ(profile.GetString("S", "k", kAbsent, kMax), kAbsent);
  EXPECT_FALSE(profile.WriteString("S", "k", "2"));
  EXPECT_EQ(ReadFile(profile.Path()), "[S]\nk=1\n");
  // A link root made to a folder of root's is followed.
  std::filesystem::create_directories(dir.File("real"));
  std::filesystem::create_directory_symlink(dir.File("real"), dir.File("link"));
  LinuxProfileFile linked(dir.File("link/Config.ini"));
  EXPECT_TRUE(linked.WriteString("S", "k", "3"));
  EXPECT_EQ(ReadFile(dir.File("real/Config.ini")), "[S]\nk=3\n");
}

TEST(LinuxProfileFile, CreatesTheMissingSettingsDirectory) {
  TempDir dir;
  LinuxProfileFile profile(dir.Path() + "/config/tarvelo/Config.ini");
  ASSERT_TRUE(profile.WriteString("Setting", "Automin", "1"));
  EXPECT_EQ(ReadFile(profile.Path()), "[Setting]\nAutomin=1\n");
}

}  // namespace
}  // namespace platform::linux_impl
