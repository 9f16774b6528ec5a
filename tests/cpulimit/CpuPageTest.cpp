#include "cpulimit/CpuPage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/FormTarvelo.h"
#include "app/StatusPage.h"
#include "button/Command.h"
#include "cpulimit/CpuLimitControl.h"
#include "cpulimit/FormSetProcessCpuPercent.h"
#include "platform/fake/FakePlatform.h"
#include "support/ModalWatcher.h"
#include "widgets/Label.h"
#include "widgets/ListView.h"

namespace tarvelo {
namespace {

class CpuPageTest : public ::testing::Test {
 protected:
  CpuPageTest() {
    fake.processes->processes = {{2, "kthreadd"}, {10, "Editor"}, {20, "viewer"}, {30, "player"}, {40, "shell"}};
    fake.processes->modules = {{10, {"/Opt/Editor"}}, {20, {"/usr/bin/viewer"}}, {30, {"/usr/bin/player"}},
                               {40, {"/usr/bin/shell"}}};
    form.Load();
    form.TimerCPU->stop();  // the tests tick it themselves
  }
  CpuPage& Page() {
    form.BuildPage(PageId::CPU);  // built when first shown
    return *form.PictureCPU;
  }
  widgets::ListView& List() { return *Page().ListViewProcesses; }
  void Select(int row) { List().setCurrentItem(List().topLevelItem(row)); }
  void TickTimerCPU() { QMetaObject::invokeMethod(form.TimerCPU, "timeout", Qt::DirectConnection); }

  // Opens the dialog for a row and runs `act` on it once it shows.
  void WithDialog(int row, const std::function<void(FormSetProcessCpuPercent&)>& act) {
    Select(row);
    testing::ModalWatcher<FormSetProcessCpuPercent> watcher(act);
    emit Page().CommandLimitProcessCPU->Click();
    EXPECT_TRUE(watcher.Seen()) << "the dialog showed";
  }
  void Limit(int row, int percent) {
    WithDialog(row, [&](FormSetProcessCpuPercent& d) {
      d.SliderPercent->setValue(percent);
      emit d.CommandOK->Click();
    });
  }

  platform::fake::FakePlatform fake;
  FormTarvelo form{fake.platform};
};

TEST_F(CpuPageTest, StartUpListsTheProcessesWithAPathAndTheirIcons) {
  ASSERT_EQ(List().RowCount(), 4);  // the kernel thread has no modules
  EXPECT_EQ(List().Text(0, 0), "1");
  EXPECT_EQ(List().Text(0, 1), "10");
  EXPECT_EQ(List().Text(0, 2), "Editor");
  EXPECT_EQ(List().Text(3, 0), "4");
  EXPECT_EQ(List().topLevelItem(0)->data(0, Qt::UserRole).toString(), "P2");
  EXPECT_FALSE(List().topLevelItem(0)->icon(0).isNull()) << "a generic program picture where none is known";
  EXPECT_EQ(Page().ImageListProcesses.size(), 4);
  emit Page().CommandRefreshProcess->Click();
  EXPECT_EQ(List().RowCount(), 4);
  EXPECT_EQ(Page().ImageListProcesses.size(), 4) << "no image twice";
  EXPECT_TRUE(Page().Label21->text().endsWith('\r'));
  EXPECT_EQ(Page().CommandLimitProcessCPU->geometry().size(), QSize(97, 25));
}

TEST_F(CpuPageTest, NamesShowTheirControlAndBidiCharactersAsPlaceholders) {
  const std::string spoof = "photo\xE2\x80\xAEgpj.exe";  // would read "photo.exe.jpg"
  const std::string broken = "two\nlines\x1B[0m";
  fake.processes->processes = {{50, spoof}, {60, broken}, {70, "\xD7\xA2\xD7\x91\xD7\xA8\xD7\x99\xD7\xAA"}};
  fake.processes->modules = {{50, {"/opt/" + spoof}}, {60, {"/opt/" + broken}},
                             {70, {"/opt/\xD7\xA2\xD7\x91\xD7\xA8\xD7\x99\xD7\xAA"}}};
  emit Page().CommandRefreshProcess->Click();
  ASSERT_EQ(List().RowCount(), 3);
  EXPECT_EQ(List().Text(0, 2), QString::fromUtf8("photo\xEF\xBF\xBDgpj.exe"));
  EXPECT_EQ(List().Text(1, 2), QString::fromUtf8("two\xEF\xBF\xBDlines\xEF\xBF\xBD[0m"));
  EXPECT_EQ(List().Text(2, 2), QString::fromUtf8("\xD7\xA2\xD7\x91\xD7\xA8\xD7\x99\xD7\xAA")) << "Hebrew letters stay";
  // The limit dialog shows the path the same way.
  WithDialog(0, [](FormSetProcessCpuPercent& d) {
    EXPECT_EQ(d.LabelProcessPath->text(), QString::fromUtf8("/opt/photo\xEF\xBF\xBDgpj.exe"));
    emit d.CommandCancel->Click();
  });
}

TEST_F(CpuPageTest, ShellPicturesBecomeTheRowsIcons) {
  // Where the shell hands out pictures (Windows), a row shows the picture.
  platform::IconPicture picture{16, 16, std::vector<std::uint32_t>(16 * 16, 0xFFC02010u)};
  picture.pixels[0] = 0x00000000u;  // a transparent corner
  fake.icons->pictures[{"/usr/bin/viewer", true}] = picture;
  emit Page().CommandRefreshProcess->Click();
  ASSERT_EQ(List().Text(1, 2), "viewer");
  const QImage image = List().topLevelItem(1)->icon(0).pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(image.size(), QSize(16, 16));
  EXPECT_EQ(image.pixel(8, 8), 0xFFC02010u);
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_NE(List().topLevelItem(2)->icon(0).pixmap(16).toImage().pixel(8, 8), 0xFFC02010u)
      << "the other rows keep their own icons";
}

TEST_F(CpuPageTest, NewLimitThenChangeThenRelease) {
  WithDialog(0, [](FormSetProcessCpuPercent& d) {
    EXPECT_EQ(d.windowTitle(), "Limit process CPU usage");
    EXPECT_EQ(d.LabelProcessPID->text(), "10");
    EXPECT_EQ(d.LabelProcessPath->text(), "/opt/editor");
    EXPECT_EQ(d.SliderPercent->value(), 99);
    EXPECT_TRUE(d.CommandOK->isVisibleTo(&d) && d.CommandCancel->isVisibleTo(&d));
    EXPECT_FALSE(d.CommandModify->isVisibleTo(&d) || d.CommandFree->isVisibleTo(&d));
    d.SliderPercent->setValue(40);
    EXPECT_EQ(d.LabelPercent->text(), "40");
    emit d.CommandOK->Click();
  });
  EXPECT_EQ(List().Text(0, 3), "40%");
  TickTimerCPU();
  EXPECT_EQ(Page().LabelCPULimitedCount->text(), "1");
  EXPECT_EQ(form.PictureState->LabelStateProcessLimited->text(), "1");

  WithDialog(0, [](FormSetProcessCpuPercent& d) {
    EXPECT_EQ(d.SliderPercent->value(), 40);
    EXPECT_TRUE(d.CommandModify->isVisibleTo(&d) && d.CommandFree->isVisibleTo(&d));
    EXPECT_FALSE(d.CommandOK->isVisibleTo(&d) || d.CommandCancel->isVisibleTo(&d));
    d.SliderPercent->setValue(25);
    emit d.CommandModify->Click();
  });
  EXPECT_EQ(List().Text(0, 3), "25%");

  // Off the two pages that show it the count is not kept up; it is current
  // the moment one of them shows, without waiting for a tick.
  form.ShowPage(PageId::Memory);
  EXPECT_FALSE(form.TimerCPU->isActive());
  WithDialog(0, [](FormSetProcessCpuPercent& d) { emit d.CommandFree->Click(); });
  EXPECT_EQ(form.PictureState->LabelStateProcessLimited->text(), "1");
  form.ShowPage(PageId::State);
  EXPECT_EQ(form.PictureState->LabelStateProcessLimited->text(), "0");
  form.ShowPage(PageId::Memory);
  Limit(0, 25);
  form.ShowPage(PageId::CPU);
  EXPECT_EQ(Page().LabelCPULimitedCount->text(), "1");

  WithDialog(0, [](FormSetProcessCpuPercent& d) { emit d.CommandFree->Click(); });
  EXPECT_EQ(List().Text(0, 3), "");
  TickTimerCPU();
  EXPECT_EQ(Page().LabelCPULimitedCount->text(), "0");
}

TEST_F(CpuPageTest, CancelAndClosingChangeNothing) {
  WithDialog(1, [](FormSetProcessCpuPercent& d) {
    d.SliderPercent->setValue(10);
    emit d.CommandCancel->Click();
  });
  WithDialog(1, [](FormSetProcessCpuPercent& d) { d.close(); });
  EXPECT_EQ(List().Text(1, 3), "");
  TickTimerCPU();
  EXPECT_EQ(Page().LabelCPULimitedCount->text(), "0");
}

TEST_F(CpuPageTest, AFourthLimitIsRefused) {
  Limit(0, 10);
  Limit(1, 20);
  Limit(2, 30);
  TickTimerCPU();
  EXPECT_EQ(form.PictureState->LabelStateProcessLimited->text(), "3");

  Select(3);
  testing::ShownMessage message;
  const auto watcher = testing::ShownMessage::Record(message);
  emit Page().CommandLimitProcessCPU->Click();
  EXPECT_EQ(message.text, "Can not limit more");
  EXPECT_EQ(message.title, "Tarvelo");
  EXPECT_EQ(message.icon, QMessageBox::Warning);
  EXPECT_EQ(message.buttons, QMessageBox::Ok);
  EXPECT_EQ(List().Text(3, 3), "");
}

TEST_F(CpuPageTest, RefreshFreesTheLimitsOfEndedProcessesAndKeepsTheOthers) {
  Limit(0, 10);  // pid 10
  Limit(1, 20);  // pid 20
  fake.processes->processes.erase(fake.processes->processes.begin() + 1);  // pid 10 ends
  TickTimerCPU();
  EXPECT_EQ(Page().LabelCPULimitedCount->text(), "2") << "counted until the next refresh";
  emit Page().CommandRefreshProcess->Click();
  EXPECT_EQ(List().Text(0, 1), "20");
  EXPECT_EQ(List().Text(0, 3), "20%");
  TickTimerCPU();
  EXPECT_EQ(Page().LabelCPULimitedCount->text(), "1");
  // A new process with the ended one's pid gets no limit: its slot is free.
  fake.processes->processes.push_back({10, "Editor"});
  emit Page().CommandRefreshProcess->Click();
  EXPECT_EQ(List().Text(List().RowCount() - 1, 3), "");
}

TEST_F(CpuPageTest, TheDialogPutsCapsIntoForceAndLiftsThem) {
  EXPECT_EQ(fake.cpuLimiter->leftoverCalls, 1) << "the leftovers of a crashed run are lifted at start";
  Limit(0, 40);
  EXPECT_EQ(fake.cpuLimiter->limits, (std::map<platform::ProcessId, int>{{10, 40}}));
  WithDialog(0, [](FormSetProcessCpuPercent& d) {
    d.SliderPercent->setValue(25);
    emit d.CommandModify->Click();
  });
  EXPECT_EQ(fake.cpuLimiter->limits, (std::map<platform::ProcessId, int>{{10, 25}}));
  WithDialog(0, [](FormSetProcessCpuPercent& d) { emit d.CommandFree->Click(); });
  EXPECT_TRUE(fake.cpuLimiter->limits.empty());

  Limit(1, 30);
  QTimer::singleShot(0, [&] { form.ExitProgram(); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(fake.cpuLimiter->limits.empty()) << "the end of the program lifts every cap";
  EXPECT_GE(fake.cpuLimiter->liftAllCalls, 1);
}

TEST_F(CpuPageTest, ARefusedCapTakesNoSlotAndSaysWhy) {
  fake.cpuLimiter->refusal = platform::CpuLimitError::OtherUser;
  testing::ShownMessage message;
  {
    const auto watcher = testing::ShownMessage::Record(message);
    Limit(1, 20);
  }
  EXPECT_TRUE(message.text.startsWith("The CPU limit could not be set: the process belongs to another user"))
      << message.text.toStdString();
  EXPECT_EQ(message.icon, QMessageBox::Warning);
  EXPECT_EQ(List().Text(1, 3), "");
  TickTimerCPU();
  EXPECT_EQ(Page().LabelCPULimitedCount->text(), "0");
}

// Where no cap can work at all the page says so when it shows, before a
// process is chosen; the notice goes once caps can work.
TEST_F(CpuPageTest, WhereNoLimitCanWorkThePageSaysSoUpFront) {
  fake.cpuLimiter->available = false;
  EXPECT_FALSE(Page().LabelLimitNotice->isHidden());
  EXPECT_EQ(Page().LabelLimitNotice->text(),
            "Limits cannot work here: they need systemd with control groups v2, or Tarvelo run as root.");
  EXPECT_TRUE(Page().LabelLimitNotice->toolTip().startsWith("The CPU limit could not be set: this system"));
  fake.cpuLimiter->available = true;
  emit Page().CommandRefreshProcess->Click();
  EXPECT_TRUE(Page().LabelLimitNotice->isHidden());
  EXPECT_EQ(LimitUnavailableText(platform::CpuLimitError::NeedsNewerSystem),
            "Limits cannot work here: they need Windows 8 or later.");
}

TEST_F(CpuPageTest, TheTimerFreesTheSlotOfAnEndedProcess) {
  Limit(0, 10);  // pid 10
  Limit(1, 20);  // pid 20
  fake.cpuLimiter->ended.insert(10);  // ended; its pid may already name another process
  TickTimerCPU();
  EXPECT_EQ(Page().LabelCPULimitedCount->text(), "1");
  EXPECT_EQ(fake.cpuLimiter->limits.count(10), 0u);
  EXPECT_EQ(List().Text(0, 3), "") << "the row no longer shows a limit";
  EXPECT_EQ(List().Text(1, 3), "20%");
  emit Page().CommandRefreshProcess->Click();
  EXPECT_EQ(List().Text(0, 3), "") << "a process under the old pid is not limited";
  EXPECT_EQ(List().Text(1, 3), "20%");
}

TEST_F(CpuPageTest, LimitWithoutAChosenRowDoesNothing) {
  List().clearSelection();
  List().setCurrentItem(nullptr);
  emit Page().CommandLimitProcessCPU->Click();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(CpuPageTest, ExitWhileTheDialogIsOpenEndsTheProgram) {
  int code = -1;
  QTimer::singleShot(0, [&] {
    WithDialog(0, [&](FormSetProcessCpuPercent&) { form.ExitProgram(); });
  });
  code = QApplication::exec();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(List().Text(0, 3), "");
}

}  // namespace
}  // namespace tarvelo
