// The Settings and About pages on the main window: their controls, and the
// two start options with a real autostart entry in a temporary XDG directory.
#include <gtest/gtest.h>

#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/FormTarvelo.h"
#include "support/TrayHost.h"
#include "platform/Locations.h"
#include "platform/fake/FakePlatform.h"
#include "platform/linux/files/FileIo.h"
#include "platform/linux/desktop/LinuxAutostartEntry.h"
#include "support/TempDir.h"
#include "tray/TrayController.h"
#include "widgets/CheckBox.h"
#include "widgets/Label.h"

namespace tarvelo {
namespace {

class SettingPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(machineDir);
    std::filesystem::create_directories(userDir);
    fake.platform.autostart = std::make_unique<platform::linux_impl::LinuxAutostartEntry>(machineDir, userDir);
    form = std::make_unique<FormTarvelo>(fake.platform);
    testing::AssumeTrayHost(*form);
  }
  template <typename T = QWidget>
  T* Find(const QString& name) {
    T* w = form->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
  // The entry is machine-wide only for a program file that root alone can
  // change, else the user's own: where this test program lies decides.
  std::string EntryPath() const {
    const bool machineWide = platform::linux_impl::IsChangeableOnlyByRoot(platform::ExecutablePath());
    return (machineWide ? machineDir : userDir) + "/tarvelo.desktop";
  }
  std::string Entry() const { return testing::ReadFile(EntryPath()); }
  bool EntryExists() const {
    return std::filesystem::exists(machineDir + "/tarvelo.desktop") || std::filesystem::exists(userDir + "/tarvelo.desktop");
  }
  std::string Setting(const char* key) const {
    return fake.settings->GetString("Setting", key, "<absent>", 254);
  }

  testing::TempDir dir;
  std::string machineDir = dir.File("xdg/autostart");
  std::string userDir = dir.File("user");
  platform::fake::FakePlatform fake;
  std::unique_ptr<FormTarvelo> form;
};

TEST_F(SettingPageTest, ControlsAtTheirPlaces) {
  const struct {
    const char* name;
    QRect geometry;  // twips / 15; an empty size: only the position is fixed
    const char* text;
  } controls[] = {
      {"Label27", {88, 16, 0, 0}, "Settings"},
      {"CheckAutoRun", {88, 40, 289, 17}, "Start with windows"},
      {"CheckAutoMin", {88, 64, 289, 17}, "Auto minimize on start up"},
      {"LabelHomepage", {24, 88, 210, 12}, nullptr},
      {"LabelAd", {16, 536, 553, 12}, nullptr},
  };
  form->BuildPage(PageId::About);  // LabelHomepage's page is built when first shown
  for (const auto& c : controls) {
    QWidget* w = Find(c.name);
    ASSERT_NE(w, nullptr);
    if (c.geometry.isEmpty()) {
      EXPECT_EQ(w->pos(), c.geometry.topLeft()) << c.name;
    } else {
      EXPECT_EQ(w->geometry(), c.geometry) << c.name;
    }
    if (c.text != nullptr) {
      EXPECT_EQ(w->property("text").toString(), c.text) << c.name;
    }
  }
  EXPECT_EQ(Find("Image3")->parent(), Find("PictureSetting"));
  EXPECT_EQ(Find("LabelHomepage")->parent(), Find("PictureAbout"));
  EXPECT_EQ(Find<QLabel>("LabelHomepage")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  for (const char* box : {"CheckAutoRun", "CheckAutoMin"}) {  // on white, past the caption
    const QImage picture = Find(box)->grab().toImage();
    EXPECT_EQ(QColor(picture.pixel(picture.width() - 4, picture.height() / 2)), QColor(Qt::white)) << box;
  }
  EXPECT_FALSE(Find<widgets::CheckBox>("CheckAutoRun")->isChecked());
  EXPECT_FALSE(Find<widgets::CheckBox>("CheckAutoMin")->isChecked());
}

TEST_F(SettingPageTest, StartWithWindowsWritesAndRemovesTheEntryAtOnce) {
  ASSERT_TRUE(form->Load());
  EXPECT_FALSE(EntryExists());
  form->ShowPage(PageId::Setting);
  auto* autoRun = Find<widgets::CheckBox>("CheckAutoRun");
  auto* autoMin = Find<widgets::CheckBox>("CheckAutoMin");
  const QPoint box(8, 8);  // on the box itself

  QTest::mouseClick(autoRun, Qt::LeftButton, {}, box);
  ASSERT_TRUE(EntryExists());
  EXPECT_NE(Entry().find("\nExec=\"" + platform::ExecutablePath() + "\"\n"), std::string::npos) << Entry();
  EXPECT_EQ(Setting("Autorun"), "1");

  QTest::mouseClick(autoMin, Qt::LeftButton, {}, box);  // stored for the next start, nothing else
  EXPECT_EQ(Setting("Automin"), "1");
  EXPECT_TRUE(EntryExists());
  EXPECT_TRUE(form->isVisible());

  QTest::mouseClick(autoRun, Qt::LeftButton, {}, box);
  EXPECT_FALSE(EntryExists());
  EXPECT_EQ(Setting("Autorun"), "0");
}

TEST_F(SettingPageTest, StoredOptionsStartHiddenWithOnlyTheIconAndTheEntryInLine) {
  fake.settings->Set("Setting", "Autorun", "1");
  fake.settings->Set("Setting", "Automin", "1");
  ASSERT_TRUE(form->Load());
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(form->findChild<TrayController*>()->SystemTrayIcon()->isVisible());
  EXPECT_TRUE(form->TimerProcess->isActive());
  EXPECT_TRUE(Find<widgets::CheckBox>("CheckAutoRun")->isChecked());
  EXPECT_TRUE(Find<widgets::CheckBox>("CheckAutoMin")->isChecked());
  EXPECT_NE(Entry().find("\nExec=\"" + platform::ExecutablePath() + "\"\n"), std::string::npos);
  EXPECT_TRUE(fake.settings->writes.empty()) << "start-up writes nothing back";
}

}  // namespace
}  // namespace tarvelo
