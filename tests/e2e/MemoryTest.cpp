// The memory release end to end: the button at its place, the message, and a
// real process losing the pages it had in memory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "e2e/XSession.h"

namespace tarvelo::e2e {
namespace {

// RssFile of a process, in kB.
qint64 FileBackedResidentKiB(qint64 pid) {
  QFile status(QString("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("RssFile:")) return line.mid(8).trimmed().split(' ').first().toLongLong();
  }
  return -1;
}

TEST(Memory, ReleaseNowTrimsARealProcessAndSaysSo) {
  if (::geteuid() != 0) GTEST_SKIP() << "trimming other processes needs CAP_SYS_NICE (run as root)";
  QTemporaryDir dir;
  QProcess mapper;
  mapper.start(FILE_MAPPER_EXECUTABLE, {dir.filePath("data"), "48"});
  ASSERT_TRUE(mapper.waitForReadyRead(20000));
  ASSERT_EQ(mapper.readAll().trimmed(), "ready");
  const qint64 before = FileBackedResidentKiB(mapper.processId());
  ASSERT_GE(before, 48 * 1024);

  Tarvelo tarvelo;
  const auto window = tarvelo.MainWindow();
  ASSERT_TRUE(window);
  window->Click(120, 239 + 18);      // "3 - Speed up memory"
  window->Click(256 + 104 + 116, 144 + 136 + 16);  // "Release memory now"

  std::optional<Window> message;
  ASSERT_TRUE(WaitFor(
      [&] {
        for (const Window& w : tarvelo.Windows()) {
          if (w.Geometry().size() != QSize(786, 557)) message = w;
        }
        return message.has_value();
      },
      30000))
      << "the message after the release";
  EXPECT_EQ(message->Name(), "Tarvelo");
  const qint64 after = FileBackedResidentKiB(mapper.processId());
  EXPECT_LT(after, before / 4) << "RssFile " << before << " kB -> " << after << " kB";

  message->Key("Return");
  EXPECT_TRUE(WaitFor([&] { return tarvelo.Windows().size() == 1; }));
  EXPECT_TRUE(tarvelo.Running());
  mapper.kill();
  mapper.waitForFinished();
}

}  // namespace
}  // namespace tarvelo::e2e
