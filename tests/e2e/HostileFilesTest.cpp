// The real program started on settings files that are no settings files:
// it comes up on its defaults, never blocks on them and changes nothing
// through them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "e2e/XSession.h"

namespace tarvelo::e2e {
namespace {

TEST(HostileFiles, TheProgramStartsOnDefaultsAndLeavesThemAsTheyWere) {
  QTemporaryDir victimDir;
  const QString victim = victimDir.filePath("secret");
  {
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("root:secret\n");
  }
  ASSERT_EQ(::chmod(QFile::encodeName(victim).constData(), 0600), 0);
  const struct {
    const char* what;
    std::function<bool(const QString& path)> make;
  } cases[] = {
      {"FIFO", [](const QString& p) { return ::mkfifo(QFile::encodeName(p).constData(), 0644) == 0; }},
      {"link to another file", [&](const QString& p) { return QFile::link(victim, p); }},
      {"directory", [](const QString& p) { return QDir().mkdir(p); }},
  };
  for (const auto& c : cases) {
    auto dirs = std::make_shared<Tarvelo::Dirs>();
    const QString config = dirs->config.filePath("Config.ini");
    ASSERT_TRUE(c.make(config)) << c.what;
    struct stat before {};
    ASSERT_EQ(::lstat(QFile::encodeName(config).constData(), &before), 0);

    Tarvelo tarvelo(dirs);
    const auto window = tarvelo.MainWindow();
    ASSERT_TRUE(window) << c.what << ": " << tarvelo.Output().toStdString();
    tarvelo.Signal(SIGTERM);
    EXPECT_EQ(tarvelo.WaitForExit(), 0) << c.what;

    struct stat after {};
    ASSERT_EQ(::lstat(QFile::encodeName(config).constData(), &after), 0) << c.what;
    EXPECT_EQ(after.st_ino, before.st_ino) << c.what;
    EXPECT_EQ((after.st_mode & S_IFMT), (before.st_mode & S_IFMT)) << c.what;
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "root:secret\n") << c.what;
  }
}

}  // namespace
}  // namespace tarvelo::e2e
