// The tray end to end, on the real XEmbed tray host: the icon docks, answers
// double and right clicks, leaves with "Exit", and comes back once when the
// host restarts. And the autostart entry follows the program to a new place.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QThread>

#include "e2e/XSession.h"

namespace tarvelo::e2e {
namespace {

void WriteText(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

QByteArray ReadText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<Window> WaitForOneIcon(const Tarvelo& tarvelo) {
  std::optional<Window> icon;
  WaitFor([&] {
    const QList<Window> icons = tarvelo.TrayIcons();
    if (icons.size() == 1) icon = icons.first();
    return icons.size() == 1;
  });
  return icon;
}

QImage IconPicture(const Window& icon) { return Screenshot().copy(icon.Geometry()); }

TEST(Tray, IconDocksAndADoubleClickBringsBackTheHiddenWindow) {
  auto dirs = std::make_shared<Tarvelo::Dirs>();
  WriteText(dirs->config.filePath("Config.ini"), "[Setting]\nAutomin=1\n");
  Tarvelo tarvelo(dirs);
  const auto icon = WaitForOneIcon(tarvelo);
  ASSERT_TRUE(icon) << tarvelo.Output().toStdString();
  const QRect g = icon->Geometry();
  EXPECT_GE(g.width(), 16);
  const QImage picture = IconPicture(*icon);
  bool drawn = false;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) drawn = drawn || IsOrange(picture.pixel(x, y));
  }
  EXPECT_TRUE(drawn) << "the icon shows the gauge's needle";
  EXPECT_TRUE(tarvelo.Windows().isEmpty()) << "started hidden: only the icon shows";

  icon->Click(g.width() / 2, g.height() / 2);  // one click is not enough
  QThread::msleep(800);
  EXPECT_TRUE(tarvelo.Windows().isEmpty());

  icon->DoubleClick(g.width() / 2, g.height() / 2);
  EXPECT_TRUE(tarvelo.MainWindow());
  EXPECT_EQ(tarvelo.Windows().size(), 1);
}

TEST(Tray, MenuExitEndsTheProgramAndLeavesNoIcon) {
  const int hostWindows = static_cast<int>(TrayHostWindows().size());
  Tarvelo tarvelo;
  const auto mainWindow = tarvelo.MainWindow();
  ASSERT_TRUE(mainWindow);
  const auto icon = WaitForOneIcon(tarvelo);
  ASSERT_TRUE(icon);
  EXPECT_GT(TrayHostWindows().size(), hostWindows);

  const QRect g = icon->Geometry();
  icon->Click(g.width() / 2, g.height() / 2, 3);
  std::optional<Window> menu;
  ASSERT_TRUE(WaitFor([&] {
    for (const Window& w : tarvelo.Windows()) {
      if (w.id != mainWindow->id) menu = w;
    }
    return menu.has_value();
  })) << "the right click pops up the menu";
  const QRect m = menu->Geometry();
  EXPECT_GE(m.height(), 8 * 18) << "eight items and two separators";
  menu->Click(m.width() / 2, m.height() - 10);  // "Exit", the last item

  EXPECT_EQ(tarvelo.WaitForExit(), 0);
  EXPECT_TRUE(WaitFor([&] { return TrayHostWindows().size() == hostWindows; }, 5000))
      << "the tray host holds no icon of the program any more";
}

TEST(Tray, TrayHostRestartBringsBackExactlyOneIconThatKeepsAnimating) {
  Tarvelo tarvelo;
  ASSERT_TRUE(tarvelo.MainWindow());
  const auto before = WaitForOneIcon(tarvelo);
  ASSERT_TRUE(before);

  ASSERT_TRUE(RestartTrayHost());
  std::optional<Window> after;
  ASSERT_TRUE(WaitFor([&] {
    const QList<Window> icons = tarvelo.TrayIcons();
    if (icons.size() == 1 && icons.first().id != before->id) after = icons.first();
    return after.has_value();
  })) << "the icon docks in the new host";
  QThread::msleep(1500);  // no second icon follows
  EXPECT_EQ(tarvelo.TrayIcons().size(), 1);

  // The frames change every 990 ms: over three seconds the icon shows at
  // least two different pictures.
  QSet<QByteArray> pictures;
  for (int i = 0; i < 6; ++i) {
    const QImage picture = IconPicture(*after);
    pictures.insert(QByteArray(reinterpret_cast<const char*>(picture.constBits()),
                               static_cast<qsizetype>(picture.sizeInBytes())));
    QThread::msleep(500);
  }
  EXPECT_GE(pictures.size(), 2);
  EXPECT_TRUE(tarvelo.Running());
}

TEST(Autostart, AProgramStartedFromAnotherFolderRewritesTheEntry) {
  auto dirs = std::make_shared<Tarvelo::Dirs>();
  WriteText(dirs->config.filePath("Config.ini"), "[Setting]\nAutorun=1\n");
  // Entries left by a start from the old place, machine-wide and the user's.
  const QString machineEntry = dirs->MachineAutostart() + "/tarvelo.desktop";
  const QString userEntry = dirs->UserAutostart() + "/tarvelo.desktop";
  WriteText(machineEntry, "[Desktop Entry]\nType=Application\nExec=\"/old/place/tarvelo\"\n");
  WriteText(userEntry, "[Desktop Entry]\nType=Application\nExec=\"/old/place/tarvelo\"\n");

  QTemporaryDir place;
  const QString moved = place.filePath("Moved Tarvelo/tarvelo");
  QDir().mkpath(QFileInfo(moved).path());
  ASSERT_TRUE(QFile::copy(TARVELO_EXECUTABLE, moved));
  const QString canonical = QFileInfo(moved).canonicalFilePath();

  Tarvelo tarvelo(dirs, {}, moved);
  ASSERT_TRUE(tarvelo.MainWindow()) << tarvelo.Output().toStdString();
  const QByteArray exec = "\nExec=\"" + canonical.toUtf8() + "\"\n";
  // The copy lies under /tmp, where every user may write: no machine-wide
  // entry for it, the user's own is rewritten (and overrides the other).
  EXPECT_TRUE(WaitFor([&] { return ReadText(userEntry).contains(exec); }, 5000)) << ReadText(userEntry).toStdString();
  EXPECT_FALSE(ReadText(userEntry).contains("/old/place"));
  EXPECT_FALSE(ReadText(machineEntry).contains(exec));
}

}  // namespace
}  // namespace tarvelo::e2e
