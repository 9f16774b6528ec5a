// The program under a Wayland compositor: weston, headless, painting with
// pixman so that its screenshots hold the real pixels.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

namespace {

bool InCi() { return qEnvironmentVariable("CI") == "true"; }

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeoutMs) return false;
    QThread::msleep(200);
  }
  return true;
}

// A process this test started, ended with it.
class Child {
 public:
  Child(const QString& program, const QStringList& arguments, const QProcessEnvironment& env,
        const QString& directory = {}) {
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    if (!directory.isEmpty()) process_.setWorkingDirectory(directory);
    process_.start(program, arguments);
    process_.waitForStarted(10000);
  }
  ~Child() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(10000)) process_.kill();
    process_.waitForFinished(5000);
  }
  bool Running() const { return process_.state() == QProcess::Running; }
  QByteArray Output() { return process_.readAll(); }

 private:
  QProcess process_;
};

class WaylandSession : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"weston", "weston-screenshooter"}) {
      if (QStandardPaths::findExecutable(tool).isEmpty()) {
        if (InCi()) FAIL() << tool << " is missing (scripts/install-deps.sh)";
        GTEST_SKIP() << tool << " is missing";
      }
    }
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("WAYLAND_DISPLAY", "wayland-tarvelo-test");
    // --debug lets weston-screenshooter take pictures.
    weston = std::make_unique<Child>("weston", QStringList{"--backend=headless-backend.so", "--use-pixman",
                                                           "--socket=wayland-tarvelo-test", "--width=1024",
                                                           "--height=768", "--idle-time=0", "--debug"},
                                     env);
    if (!WaitFor([&] { return QFile::exists(runtime.filePath("wayland-tarvelo-test")); }, 30000)) {
      const std::string why = weston->Output().toStdString();
      if (InCi()) FAIL() << "weston did not start: " << why;
      GTEST_SKIP() << "weston did not start here: " << why;
    }
  }

  // A screenshot of the whole output; null when none was taken.
  QImage Screenshot() {
    QDir shots(screenshots.path());
    for (const QString& old : shots.entryList({"*.png"})) shots.remove(old);
    QProcess shooter;
    shooter.setProcessEnvironment(env);
    shooter.setWorkingDirectory(screenshots.path());
    shooter.start("weston-screenshooter", {});
    if (!shooter.waitForFinished(30000)) {
      shooter.kill();
      shooter.waitForFinished(5000);
      return {};
    }
    const QStringList taken = shots.entryList({"*.png"});
    return taken.isEmpty() ? QImage() : QImage(shots.filePath(taken.first()));
  }

  QTemporaryDir runtime;
  QTemporaryDir screenshots;
  QTemporaryDir config;
  QProcessEnvironment env;
  std::unique_ptr<Child> weston;
};

int CountOf(const QImage& image, QRgb colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) count += (line[x] & 0xFFFFFF) == (colour & 0xFFFFFF);
  }
  return count;
}

TEST_F(WaylandSession, TheStatusPageDiagramDraws) {
  QProcessEnvironment programEnv = env;
  programEnv.insert("QT_QPA_PLATFORM", "wayland");
  programEnv.insert("TARVELO_CONFIG_DIR", config.path());
  programEnv.insert("TARVELO_SITE_URL", "http://127.0.0.1:1");
  Child tarvelo(TARVELO_EXECUTABLE, {}, programEnv);
  ASSERT_TRUE(tarvelo.Running());

  // The diagram's dark background and its grid, as under X11.
  QImage shot;
  int background = 0;
  int grid = 0;
  const bool drawn = WaitFor(
      [&] {
        shot = Screenshot();
        shot = shot.convertToFormat(QImage::Format_RGB32);
        background = CountOf(shot, qRgb(64, 64, 64));
        grid = CountOf(shot, qRgb(255, 192, 128));
        return background > 10000 && grid > 1000;
      },
      60000);
  EXPECT_TRUE(drawn) << "background " << background << ", grid " << grid << "; "
                     << tarvelo.Output().toStdString();
  EXPECT_TRUE(tarvelo.Running());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
