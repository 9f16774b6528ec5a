// Tarvelo run by an ordinary user without any capability, end to end: the
// booster page says why it cannot boost, and nothing is raised.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>

#include "e2e/Pages.h"
#include "e2e/Processes.h"
#include "e2e/XSession.h"

namespace tarvelo::e2e {
namespace {

constexpr uint kNobody = 65534;

// Dark red text (the notice's colour, 192, 0, 0, anti-aliased) in a part of the screen.
int NoticePixels(const QRect& area) {
  const QImage shot = Screenshot();
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      if (c.red() > 120 && c.green() < 80 && c.blue() < 80) ++count;
    }
  }
  return count;
}

TEST(Unprivileged, TheBoosterPageSaysWhyAndRaisesNothing) {
  if (::geteuid() != 0) GTEST_SKIP() << "starts Tarvelo as the user nobody (run as root)";
  auto dirs = std::make_shared<Tarvelo::Dirs>();
  for (const QString& dir : {dirs->config.path(), dirs->runtime.path(), dirs->xdg.path()}) {
    ASSERT_EQ(::chown(dir.toLocal8Bit().constData(), kNobody, kNobody), 0);
  }
  // The user nobody, no capability in any set, not even in the bounding set.
  const QString uid = QString("--reuid=%1").arg(kNobody);
  const QString gid = QString("--regid=%1").arg(kNobody);
  Tarvelo tarvelo(dirs, {uid, gid, "--clear-groups", "--inh-caps=-all", "--bounding-set=-all", TARVELO_EXECUTABLE},
                  "setpriv");
  const auto main = tarvelo.MainWindow();
  ASSERT_TRUE(main) << tarvelo.Output().toStdString();
  const QRect g = main->Geometry();
  // The notice's corner of the page: 4950, 1320 twips in the page at 3840, 2160.
  const QRect notice(g.x() + 256 + 330, g.y() + 144 + 88, 184, 62);

  main->Click(120, (2540 * 2 + 15) / 30 + 18);  // "1 - Speed up process"
  EXPECT_TRUE(WaitFor([&] { return NoticePixels(notice) == 0; })) << "nothing to say while the booster is off";
  ASSERT_TRUE(EnableBooster(tarvelo, *main)) << "the check box writes its setting";
  EXPECT_TRUE(WaitFor([&] { return NoticePixels(notice) > 50; })) << "the notice says why boosting is not possible";

  // The booster tried its own window by now; nothing was raised.
  EXPECT_TRUE(AllThreadsAt(tarvelo.Pid(), 0));
  EXPECT_TRUE(tarvelo.Running());
}

}  // namespace
}  // namespace tarvelo::e2e
