#include "memory/MemoryPage.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "app/FormTarvelo.h"
#include "button/Command.h"
#include "platform/fake/FakePlatform.h"
#include "support/ModalWatcher.h"
#include "widgets/CheckBox.h"
#include "widgets/ComboList.h"
#include "widgets/Label.h"
#include "widgets/ListView.h"

namespace tarvelo {
namespace {

constexpr std::uint64_t kMB = 1048576;

class MemoryPageTest : public ::testing::Test {
 protected:
  MemoryPageTest() {
    fake.processes->processes = {{1, "init"}, {2, "editor"}};
    fake.memory->status = {4096 * kMB, 1024 * kMB};
    // Each trim frees 5 MB of the process it trims.
    fake.trimmer->resident = {{1, 50 * kMB}, {2, 80 * kMB}};
    fake.trimmer->onTrim = [this](platform::ProcessId pid) { fake.trimmer->resident[pid] -= 5 * kMB; };
  }
  MemoryPage& Page() { return *form.PictureMemory; }
  void TickTimerMemory(int times) {
    for (int i = 0; i < times; ++i) QMetaObject::invokeMethod(form.TimerMemory, "timeout", Qt::DirectConnection);
  }

  platform::fake::FakePlatform fake;
  FormTarvelo form{fake.platform};
};

TEST_F(MemoryPageTest, ControlsAtTheirPlaces) {
  ASSERT_TRUE(form.Load());
  EXPECT_EQ(Page().CommandFreeMemory->Caption(), "Release memory now");
  EXPECT_EQ(Page().CommandFreeMemory->geometry(), QRect(104, 136, 233, 33));
  EXPECT_EQ(Page().CheckEnableAutoFreeMemory->text(), "Automatically release memory");
  ASSERT_EQ(Page().ComboInterval->count(), 4);
  EXPECT_EQ(Page().ComboInterval->itemText(3), "10 minute");
  EXPECT_EQ(Page().ListViewMemoryLog->headerItem()->text(2), "Event");
  EXPECT_EQ(Page().Label19->text(), "The third way - Automatically release memory - Speed up memory");
}

TEST_F(MemoryPageTest, SettingsAreLoadedOnceAndWrittenOnEveryChange) {
  fake.settings->Set("Memory", "EnableFreeMemory", "1");
  fake.settings->Set("Memory", "AutoFreeMemoryInterval", "10 minute");
  ASSERT_TRUE(form.Load());
  EXPECT_EQ(Page().CheckEnableAutoFreeMemory->Value(), 1);
  EXPECT_EQ(Page().ComboInterval->Text(), "10 minute");
  EXPECT_TRUE(fake.settings->writes.empty()) << "loading writes nothing back";

  QTest::mouseClick(Page().CheckEnableAutoFreeMemory, Qt::LeftButton, {}, QPoint(6, 8));
  Page().ComboInterval->setCurrentIndex(1);
  emit Page().ComboInterval->activated(1);
  const std::vector<std::pair<std::string, std::string>> expected = {{"Memory.EnableFreeMemory", "0"},
                                                                     {"Memory.AutoFreeMemoryInterval", "3 minute"}};
  EXPECT_EQ(fake.settings->writes, expected);
}

TEST_F(MemoryPageTest, UnknownStoredIntervalKeepsTheFirstEntry) {
  fake.settings->Set("Memory", "AutoFreeMemoryInterval", "2 minute");
  ASSERT_TRUE(form.Load());
  EXPECT_EQ(Page().ComboInterval->Text(), "1 minute");
}

TEST_F(MemoryPageTest, ReleaseByHandTellsTheFigureThenLogsIt) {
  ASSERT_TRUE(form.Load());
  testing::ShownMessage message;
  int rowsWhileShown = -1;
  const auto watcher =
      testing::ShownMessage::Record(message, [&] { rowsWhileShown = Page().ListViewMemoryLog->RowCount(); });
  emit Page().CommandFreeMemory->Click();
  EXPECT_EQ(message.text, "Success! 10 MB memory released.");
  EXPECT_EQ(message.title, "Tarvelo");
  EXPECT_EQ(message.icon, QMessageBox::Information);
  EXPECT_EQ(message.buttons, QMessageBox::Ok);
  EXPECT_EQ(rowsWhileShown, 0) << "the row comes after the message";
  ASSERT_EQ(Page().ListViewMemoryLog->RowCount(), 1);
  EXPECT_EQ(Page().ListViewMemoryLog->Text(0, 0), "1");
  EXPECT_EQ(Page().ListViewMemoryLog->Text(0, 2), "10 MB memory released.");
  EXPECT_EQ(fake.trimmer->trimmed, (std::vector<platform::ProcessId>{1, 2}));
}

TEST_F(MemoryPageTest, ReleaseThatCouldTrimOnlyItselfSaysWhyAndOffersAllowWhereItCan) {
  ASSERT_TRUE(form.Load());
  fake.trimmer->mayTrimOthers = false;
  fake.trimmer->resident = {{2, 80 * kMB}};
  {
    // Nothing to grant here: the message says what would help, with OK only.
    testing::ShownMessage message;
    const auto watcher = testing::ShownMessage::Record(message);
    emit Page().CommandFreeMemory->Click();
    EXPECT_EQ(message.icon, QMessageBox::Warning);
    EXPECT_FALSE(message.text.contains("Success!")) << message.text.toStdString();
    EXPECT_TRUE(message.text.contains("only its own memory (5 MB)")) << message.text.toStdString();
    EXPECT_TRUE(message.text.contains("run Tarvelo as root")) << message.text.toStdString();
    EXPECT_EQ(message.buttons, QMessageBox::Ok);
  }
  ASSERT_EQ(Page().ListViewMemoryLog->RowCount(), 1);
  EXPECT_EQ(Page().ListViewMemoryLog->Text(0, 2), "5 MB memory released.");

  // Where the helper's right can be granted, "Allow…" is offered; leaving it
  // unchosen changes nothing.
  fake.privileges->grantCommand = {"pkexec", "setcap", "cap_sys_nice+ep", "/usr/libexec/tarvelo/tarvelo-priv"};
  QString text;
  bool hadAllow = false;
  testing::ModalWatcher<QMessageBox> watcher([&](QMessageBox& box) {
    text = box.text();
    hadAllow = box.findChild<QAbstractButton*>("AllowButton") != nullptr;
    box.button(QMessageBox::Ok)->click();
  });
  emit Page().CommandFreeMemory->Click();
  EXPECT_TRUE(hadAllow);
  EXPECT_TRUE(text.contains(QString::fromUtf8("\"Allow\u2026\"")));
  EXPECT_FALSE(QApplication::activeModalWidget());
}

TEST_F(MemoryPageTest, AutomaticReleaseAtTheIntervalWithoutAMessageAndNumberedOn) {
  ASSERT_TRUE(form.Load());
  form.TimerMemory->stop();  // the test drives the ticks
  Page().CheckEnableAutoFreeMemory->SetValue(1);
  TickTimerMemory(59);
  EXPECT_EQ(Page().ListViewMemoryLog->RowCount(), 0);
  TickTimerMemory(1);
  ASSERT_EQ(Page().ListViewMemoryLog->RowCount(), 1);
  EXPECT_EQ(Page().ListViewMemoryLog->Text(0, 2), "10 MB memory released.");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  TickTimerMemory(58);
  EXPECT_EQ(Page().ListViewMemoryLog->RowCount(), 1);
  TickTimerMemory(1);
  ASSERT_EQ(Page().ListViewMemoryLog->RowCount(), 2);
  EXPECT_EQ(Page().ListViewMemoryLog->Text(1, 0), "2");
}

}  // namespace
}  // namespace tarvelo
