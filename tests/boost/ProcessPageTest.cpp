// The "1 - Speed up process" page inside the main window, on fakes.
#include "boost/ProcessPage.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QHeaderView>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include "app/FormTarvelo.h"
#include "app/StatusPage.h"
#include "memory/MemoryPage.h"
#include "button/Command.h"
#include "platform/fake/FakePlatform.h"
#include "support/ModalWatcher.h"
#include "support/TempDir.h"
#include "widgets/CheckBox.h"
#include "widgets/ComboList.h"
#include "widgets/Label.h"
#include "widgets/ListView.h"

namespace tarvelo {
namespace {

using platform::PriorityClass;

class ProcessPageTest : public ::testing::Test {
 protected:
  platform::fake::FakePlatform fake;
  std::unique_ptr<FormTarvelo> form;

  void Start() {
    form = std::make_unique<FormTarvelo>(fake.platform);
    ASSERT_TRUE(form->Load());
  }
  ProcessPage& Page() { return *form->PictureProcess; }
  StatusPage& Status() { return *form->PictureState; }
  void AddWindow(platform::WindowHandle window, std::string title, platform::ProcessId pid) {
    fake.windows->windows[window] = {std::move(title), pid};
    fake.priorities->classes[pid] = PriorityClass::Normal;
  }
  void Tick() { QMetaObject::invokeMethod(form->TimerProcess, "timeout", Qt::DirectConnection); }
  QStringList Row(int row) {
    QStringList texts;
    for (int column = 0; column < 4; ++column) texts << Page().ListViewHistory->Text(row, column);
    return texts;
  }
};

TEST_F(ProcessPageTest, ControlsAtTheirPlacesWithTheirTexts) {
  Start();
  ProcessPage& page = Page();
  EXPECT_EQ(page.objectName(), "PictureProcess");
  EXPECT_EQ(page.geometry(), QRect(256, 144, 521, 385));
  const struct {
    const char* name;
    QString text;
    QPoint pos;
  } labels[] = {
      {"Label12", "The first way - increase the priority of processes - Speed up process", {24, 8}},
      {"Label10",
       "The higher priority,the more system resources the process will obtain and faster it will run.This fuction "
       "can adjust the process priority intelligently, increase the priority of active processes and reduce the "
       "priority of the inactive process automatically .",
       {24, 32}},
      {"Label3", "Speed up level:", {104, 128}},
      {"Label37", "Above Normal level can speed up 10%-20%,High level can speed up 20%-30%", {104, 152}},
      {"Label28", "Speed up count:", {76, 184}},
      {"LabelImprovedCount", "None", {176, 184}},
      {"Label11", "Now speeding up:", {69, 200}},
      {"LabelNowImproveProcess", "None", {176, 200}},
      {"Label13", "Log:", {24, 232}},
  };
  for (const auto& l : labels) {
    auto* label = page.findChild<QLabel*>(l.name);
    ASSERT_NE(label, nullptr) << l.name;
    EXPECT_EQ(label->text(), l.text) << l.name;
    EXPECT_EQ(label->pos(), l.pos) << l.name;
  }
  EXPECT_EQ(page.CheckNowImproveProcess->text(), "Enable speed up process");
  EXPECT_EQ(page.CheckNowImproveProcess->geometry(), QRect(80, 104, 193, 17));
  EXPECT_EQ(page.ComboSpeed->geometry(), QRect(200, 128, 121, 20));
  ASSERT_EQ(page.ComboSpeed->count(), 2);
  EXPECT_EQ(page.ComboSpeed->itemText(0), "Above Normal");
  EXPECT_EQ(page.ComboSpeed->itemText(1), "High");

  widgets::ListView* log = page.ListViewHistory;
  EXPECT_EQ(log->geometry(), QRect(26, 249, 432, 120));
  const QStringList headers{"NO.", "Time", "Target", "Priority"};
  const int widths[] = {71, 118, 329, 169};
  ASSERT_EQ(log->columnCount(), 4);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(log->headerItem()->text(c), headers[c]);
    EXPECT_EQ(log->columnWidth(c), widths[c]) << c;
  }
  EXPECT_EQ(log->RowCount(), 0);
}

TEST_F(ProcessPageTest, StoredSettingsGoOntoTheControlsWithoutBeingWritten) {
  const struct {
    const char* enabled;
    const char* speed;
    bool checked;
    const char* level;
  } cases[] = {
      {"1", "High", true, "High"},
      {"0", "Above Normal", false, "Above Normal"},
      {nullptr, nullptr, false, "Above Normal"},  // no file, no keys
      {"yes", "Highest", false, "Above Normal"},
      {"2", "high", false, "Above Normal"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.enabled ? c.enabled : "(none)") + " / " + (c.speed ? c.speed : "(none)"));
    fake.settings->values.clear();
    fake.settings->writes.clear();
    if (c.enabled) fake.settings->Set("Process", "EnableImproveProcess", c.enabled);
    if (c.speed) fake.settings->Set("Process", "ImproveSpeed", c.speed);
    Start();
    EXPECT_EQ(Page().CheckNowImproveProcess->isChecked(), c.checked);
    EXPECT_EQ(Page().ComboSpeed->Text(), c.level);
    EXPECT_TRUE(fake.settings->writes.empty());
  }
}

TEST_F(ProcessPageTest, ChangingAControlWritesItsSetting) {
  Start();
  form->ShowPage(PageId::Process);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  widgets::CheckBox* check = Page().CheckNowImproveProcess;
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
  QTest::keyClick(Page().ComboSpeed, Qt::Key_Down);
  QTest::keyClick(Page().ComboSpeed, Qt::Key_Up);
  using Write = std::pair<std::string, std::string>;
  EXPECT_EQ(fake.settings->writes, (std::vector<Write>{{"Process.EnableImproveProcess", "1"},
                                                       {"Process.EnableImproveProcess", "0"},
                                                       {"Process.ImproveSpeed", "High"},
                                                       {"Process.ImproveSpeed", "Above Normal"}}));
  EXPECT_EQ(fake.settings->GetString("process", "improvespeed", "", 254), "Above Normal");
}

TEST_F(ProcessPageTest, StartUpTickAndTimerTicksShowEachBoost) {
  fake.settings->Set("Process", "EnableImproveProcess", "1");
  fake.settings->Set("Process", "ImproveSpeed", "High");
  AddWindow(0x10, "Editor", 10);
  AddWindow(0x20, "Browser", 20);
  fake.windows->front = 0x10;
  platform::fake::FakeSchedulerStats& stats = *fake.schedulerStats;
  stats.processes[10] = {{10, {}}};
  Start();

  // Start-up boosted the window in front before the window showed.
  EXPECT_EQ(form->TimerProcess->interval(), 900);
  ASSERT_EQ(Page().ListViewHistory->RowCount(), 1);
  EXPECT_EQ(Row(0)[0], " 1");
  EXPECT_FALSE(Row(0)[1].isEmpty());
  EXPECT_EQ(Row(0)[2], "Editor");
  EXPECT_EQ(Row(0)[3], "High");
  EXPECT_EQ(Page().LabelNowImproveProcess->text(), "Editor");
  EXPECT_EQ(Page().LabelImprovedCount->text(), "1");
  EXPECT_EQ(Status().LabelStateNowImproving->text(), "Editor");
  EXPECT_EQ(Status().LabelSpeed->text(), "0%") << "the previous text until the figure is measured";
  EXPECT_EQ(fake.priorities->classes.at(10), PriorityClass::High);

  Tick();
  EXPECT_EQ(Page().ListViewHistory->RowCount(), 1);
  // Two seconds on: the machine stalled half the time, Editor never waited.
  stats.now += 2'000'000'000;
  stats.stallUs = 1'000'000;
  stats.processes[10] = {{10, {500'000'000, 0}}};
  Tick();
  EXPECT_EQ(Status().LabelSpeed->text(), "100%");
  EXPECT_TRUE(Status().LabelSpeed->toolTip().startsWith("How much less the program in front waited for a processor"))
      << "the figure says what it measures";

  fake.windows->front = 0x20;
  QTest::keyClick(Page().ComboSpeed, Qt::Key_Up);  // Above Normal from now on
  Tick();
  ASSERT_EQ(Page().ListViewHistory->RowCount(), 2);
  EXPECT_EQ(Row(1)[0], " 2");
  EXPECT_EQ(Row(1)[2], "Browser");
  EXPECT_EQ(Row(1)[3], "Above Normal");
  EXPECT_EQ(Page().LabelImprovedCount->text(), "2");
  EXPECT_EQ(Status().LabelSpeed->text(), "100%") << "kept until Browser's figure is measured";
  stats.now += 2'000'000'000;
  Tick();
  EXPECT_EQ(Status().LabelSpeed->text(), "100%") << "Browser cannot be measured: no new figure";
  EXPECT_EQ(fake.priorities->classes.at(10), PriorityClass::Normal);
  EXPECT_EQ(fake.priorities->classes.at(20), PriorityClass::AboveNormal);
}

TEST_F(ProcessPageTest, TitlesAreShownAsTheirCharactersNeverAsMarkup) {
  fake.settings->Set("Process", "EnableImproveProcess", "1");
  const QString title = "<b>x</b> & <img src=y> \u00e9";
  AddWindow(0x10, title.toStdString(), 10);
  fake.windows->front = 0x10;
  Start();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  for (widgets::Label* label : {Page().LabelNowImproveProcess, Status().LabelStateNowImproving}) {
    EXPECT_EQ(label->text(), title) << label->objectName().toStdString();
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
  }
  QTextDocument tooltip;
  tooltip.setHtml(Page().LabelNowImproveProcess->toolTip());
  EXPECT_EQ(tooltip.toPlainText(), title);
  EXPECT_EQ(Row(0)[2], title);
}

TEST_F(ProcessPageTest, OffStaysQuietAndTheStatusPageKeepsNone) {
  AddWindow(0x10, "Editor", 10);
  fake.windows->front = 0x10;
  Start();
  Tick();
  EXPECT_EQ(Page().ListViewHistory->RowCount(), 0);
  EXPECT_EQ(Page().LabelNowImproveProcess->text(), "None");
  EXPECT_EQ(Status().LabelStateNowImproving->text(), "None");
  EXPECT_EQ(Status().LabelSpeed->text(), "0%");
  EXPECT_TRUE(fake.priorities->changes.empty());
}

TEST_F(ProcessPageTest, NoticeSaysWhatToDoWhileEnabledWithoutTheRight) {
  fake.priorities->mayRaise = false;
  Start();
  form->ShowPage(PageId::Process);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  widgets::Label* notice = Page().LabelBoostNotice;
  EXPECT_FALSE(notice->isVisible()) << "nothing to say while the booster is off";
  widgets::CheckBox* check = Page().CheckNowImproveProcess;
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
  EXPECT_TRUE(notice->isVisible());
  // Nothing can be granted here: what would make it possible, and no button.
  EXPECT_TRUE(notice->text().contains("CAP_SYS_NICE"));
  EXPECT_TRUE(notice->text().contains("tarvelo-priv"));
  EXPECT_TRUE(notice->text().contains("as root"));
  EXPECT_FALSE(Page().CommandAllow->isVisible());
  // Clear of the controls around it.
  for (QWidget* other : std::initializer_list<QWidget*>{check, Page().ComboSpeed, Page().Label37, Page().Label10}) {
    EXPECT_FALSE(notice->geometry().intersects(other->geometry())) << other->objectName().toStdString();
    EXPECT_FALSE(Page().CommandAllow->geometry().intersects(other->geometry())) << other->objectName().toStdString();
  }
  EXPECT_FALSE(Page().CommandAllow->geometry().intersects(notice->geometry()));
  EXPECT_LE(notice->geometry().right(), Page().width());
  EXPECT_LE(Page().CommandAllow->geometry().right(), Page().width());
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
  EXPECT_FALSE(notice->isVisible());

  // With the right, or with a user manager that can weight units, there is nothing to say.
  fake.unitWeights->available = true;
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
  EXPECT_FALSE(notice->isVisible());
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
  fake.unitWeights->available = false;
  fake.priorities->mayRaise = true;
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
  EXPECT_FALSE(notice->isVisible());
  EXPECT_FALSE(Page().CommandAllow->isVisible());
}

TEST_F(ProcessPageTest, AllowIsOfferedWhereTheRightCanBeGrantedAndARefusalChangesNothing) {
  fake.priorities->mayRaise = false;
  // A stand-in pkexec that refuses, as when the user cancels the password dialog.
  testing::TempDir bin;
  testing::WriteFile(bin.File("pkexec"), "#!/bin/sh\nexit 126\n");
  ::chmod(bin.File("pkexec").c_str(), 0755);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray(bin.Path().c_str()) + ":" + path);
  fake.privileges->grantCommand = {"pkexec", "/bin/true"};
  fake.settings->Set("Process", "EnableImproveProcess", "1");
  Start();
  form->ShowPage(PageId::Process);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  ASSERT_TRUE(Page().LabelBoostNotice->isVisible());
  EXPECT_TRUE(Page().LabelBoostNotice->text().contains(QString::fromUtf8("\"Allow\u2026\"")));
  ASSERT_TRUE(Page().CommandAllow->isVisible());
  EXPECT_EQ(Page().CommandAllow->Caption(), QString::fromUtf8("Allow\u2026"));

  testing::ShownMessage message;
  {
    const auto watcher = testing::ShownMessage::Record(message);
    emit Page().CommandAllow->Click();
  }
  qputenv("PATH", path);
  EXPECT_EQ(message.text, "The right was not given. Nothing was changed.");
  EXPECT_TRUE(Page().LabelBoostNotice->isVisible());
  EXPECT_TRUE(Page().CommandAllow->isVisible());
  EXPECT_TRUE(fake.priorities->changes.empty());
}

// An administrator gives or takes the helper's right while Tarvelo runs: the
// page says so when it is shown, after a boost was tried, and after a release.
TEST_F(ProcessPageTest, TheNoticeFollowsTheRightWhenItChangesOutsideTheProgram) {
  const std::string setcap = "setcap cap_sys_nice+ep /usr/libexec/tarvelo/tarvelo-priv";
  fake.priorities->mayRaise = false;
  fake.privileges->grantCommand = {"pkexec", "/usr/libexec/tarvelo/tarvelo-grant"};
  fake.privileges->byHand = setcap;
  fake.settings->Set("Process", "EnableImproveProcess", "1");
  Start();
  form->ShowPage(PageId::Process);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  widgets::Label* notice = Page().LabelBoostNotice;
  ASSERT_TRUE(notice->isVisible());
  ASSERT_TRUE(Page().CommandAllow->isVisible());

  // Given by hand: the page shown again says nothing.
  fake.priorities->mayRaise = true;
  fake.privileges->grantCommand.clear();
  form->ShowPage(PageId::Memory);
  form->ShowPage(PageId::Process);
  EXPECT_FALSE(notice->isVisible());
  EXPECT_FALSE(Page().CommandAllow->isVisible());

  // Taken away, and the helper can no longer be trusted with it: the next
  // boost fails, and the page says what an administrator can run.
  fake.priorities->mayRaise = false;
  AddWindow(0x10, "Editor", 10);
  fake.priorities->denied.insert(10);
  fake.windows->front = 0x10;
  Tick();
  ASSERT_EQ(Page().ListViewHistory->RowCount(), 0);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->text(), QString::fromUtf8(BoostNotice::kByHand.data(), BoostNotice::kByHand.size()) +
                                QString::fromStdString(setcap));
  EXPECT_FALSE(Page().CommandAllow->isVisible());

  // Given again, and a release is what comes next.
  fake.priorities->mayRaise = true;
  form->ShowPage(PageId::Memory);
  testing::ShownMessage message;
  {
    const auto watcher = testing::ShownMessage::Record(message);
    emit form->PictureMemory->CommandFreeMemory->Click();
  }
  EXPECT_FALSE(notice->isVisibleTo(&Page()));
}

TEST_F(ProcessPageTest, ABoostThatChangedNothingLeavesEveryLabelAsItWas) {
  fake.settings->Set("Process", "EnableImproveProcess", "1");
  AddWindow(0x10, "Someone else's", 10);
  fake.priorities->denied.insert(10);
  fake.windows->front = 0x10;
  Start();
  EXPECT_EQ(Page().ListViewHistory->RowCount(), 0);
  EXPECT_EQ(Page().LabelImprovedCount->text(), "None");
  EXPECT_EQ(Page().LabelNowImproveProcess->text(), "None");
  EXPECT_EQ(Status().LabelStateNowImproving->text(), "None");
  EXPECT_EQ(Status().LabelSpeed->text(), "0%");
}

TEST_F(ProcessPageTest, NoticeSaysWhyTheWindowInFrontCannotBeSeenAndFollowsItAtTicks) {
  fake.windows->unseen = "To see the window in front, enable <b>the</b> extension.";
  fake.priorities->mayRaise = false;
  Start();
  form->ShowPage(PageId::Process);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  widgets::Label* notice = Page().LabelBoostNotice;
  widgets::CheckBox* check = Page().CheckNowImproveProcess;
  EXPECT_FALSE(notice->isVisible()) << "nothing to say while the booster is off";
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
  EXPECT_TRUE(notice->isVisible());
  // Before the missing right, and as plain text.
  EXPECT_EQ(notice->text(), QString::fromStdString(fake.windows->unseen));
  EXPECT_EQ(notice->textFormat(), Qt::PlainText);

  // The window can be seen again (the extension was enabled): the right is
  // still missing, and the page says so from the next tick on.
  fake.windows->unseen.clear();
  Tick();
  EXPECT_TRUE(notice->isVisible());
  EXPECT_TRUE(notice->text().contains("CAP_SYS_NICE"));
  fake.priorities->mayRaise = true;
  fake.windows->unseen = "The booster cannot see the window in front on this Wayland desktop.";
  Tick();
  EXPECT_EQ(notice->text(), QString::fromStdString(fake.windows->unseen));
  fake.windows->unseen.clear();
  Tick();
  EXPECT_FALSE(notice->isVisible());
}

}  // namespace
}  // namespace tarvelo
