#include "app/FormTarvelo.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "app/ChromeButtonWidget.h"
#include "app/StatusPage.h"
#include "app/TrayAbsence.h"
#include "button/Command.h"
#include "forms/Forms.h"
#include "monitor/CpuMonitor.h"
#include "platform/fake/FakePlatform.h"
#include "support/ModalWatcher.h"
#include "support/TrayHost.h"
#include "widgets/Label.h"
#include "widgets/Picture.h"
#include "widgets/Twips.h"

namespace tarvelo {
namespace {

constexpr std::uint64_t kMB = 1048576;

class FormTarveloTest : public ::testing::Test {
 protected:
  FormTarveloTest() { testing::AssumeTrayHost(form, [this] { return trayHost; }); }

  platform::fake::FakePlatform fake;
  FormTarvelo form{fake.platform};
  bool trayHost = true;  // whether a tray host shows the icon

  template <typename T = QWidget>
  T* Find(const QString& name) {
    T* w = form.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
  // Visible within the window (whether or not the window itself shows).
  bool Shown(const QString& name) { return Find(name)->isVisibleTo(&form); }
};

// Sends a mouse event to w at its centre.
void Mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
  const QPointF pos = QRectF(w->rect()).center();
  QMouseEvent event(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

TEST_F(FormTarveloTest, BorderlessWindowOfTheProgramsSize) {
  EXPECT_EQ(form.objectName(), "FormTarvelo");
  EXPECT_EQ(form.windowTitle(), "Tarvelo");
  EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(form.size(), QSize(786, 557));
  // Chrome and pages at their places (twips / 15, to the nearest pixel).
  EXPECT_EQ(Find("ImageCaption")->geometry(), QRect(32, 0, 681, 25));
  EXPECT_EQ(Find("ImageMin")->geometry(), QRect(720, 6, 28, 15));
  EXPECT_EQ(Find("ImageExit")->geometry(), QRect(752, 6, 28, 15));
  EXPECT_EQ(Find("ImageAbout_1")->geometry(), QRect(7, 309, 236, 36));
  EXPECT_EQ(Find("PictureProcess")->geometry(), QRect(256, 144, 521, 385));
  EXPECT_EQ(Find<QLabel>("Label4")->text(), "One tool with 3 powerful ways to make your PC run extremely fast");
  EXPECT_EQ(Find<QLabel>("Label38")->text(), "v1.7");
  EXPECT_EQ(Find<QLabel>("LabelMemory")->text(), "3 - Speed up memory");
}

// The window and every page are built from their forms: each control at its
// place, of its size, with its caption.
TEST_F(FormTarveloTest, EveryControlStandsWhereItsFormPutsIt) {
  for (const PageInfo& page : kPages) form.BuildPage(page.id);
  std::vector<std::pair<const form::Form*, QWidget*>> windows{{&form::MainForm(), &form}};
  for (const PageInfo& page : kPages) windows.emplace_back(&form::PageForm(page.id), Find(page.panel));
  for (const auto& [description, window] : windows) {
    for (const form::Control& c : description->controls) {
      SCOPED_TRACE(std::string(description->name) + "." + c.name);
      QWidget* w = window->findChild<QWidget*>(c.name, Qt::FindDirectChildrenOnly);
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->pos(), widgets::TwipsPoint(c.left, c.top));
      if (c.width > 0) {
        EXPECT_EQ(w->size(), widgets::TwipsSize(c.width, c.height));
      }
      if (auto* command = qobject_cast<button::Command*>(w)) {
        EXPECT_EQ(command->Caption(), QString::fromUtf8(c.text));
      }
      if (auto* check = qobject_cast<QAbstractButton*>(w)) {
        EXPECT_EQ(check->text(), QString::fromUtf8(c.text));
      }
    }
  }
}

TEST_F(FormTarveloTest, ShowPageLeavesExactlyOnePanelAndOneSelectedEntry) {
  for (const PageInfo& page : kPages) form.BuildPage(page.id);
  for (const PageInfo& page : kPages) {
    form.ShowPage(page.id);
    EXPECT_EQ(form.VisiblePage(), page.id);
    for (const PageInfo& other : kPages) {
      const bool selected = other.id == page.id;
      const QString image = other.image;
      EXPECT_EQ(Shown(other.panel), selected) << page.panel << " / " << other.panel;
      EXPECT_EQ(Shown(image + "_1"), selected) << page.panel << " / " << other.image;
      EXPECT_EQ(Shown(image + "_0"), !selected) << page.panel << " / " << other.image;
      EXPECT_TRUE(Shown(other.label));
    }
  }
  form.ShowPage(PageId::CPU);
  form.ShowPage(PageId::CPU);  // choosing the shown page changes nothing
  EXPECT_TRUE(Shown("PictureCPU"));
  EXPECT_FALSE(Shown("PictureState"));
}

TEST_F(FormTarveloTest, NavigationPicturesAndCaptionsSwitchPages) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QTest::mouseClick(Find("ImageMemory_0"), Qt::LeftButton);
  EXPECT_EQ(form.VisiblePage(), PageId::Memory);
  QTest::mouseClick(Find("LabelSetting"), Qt::LeftButton);
  EXPECT_EQ(form.VisiblePage(), PageId::Setting);
  QTest::mouseClick(Find("ImageSetting_1"), Qt::LeftButton);  // the selected entry itself
  EXPECT_EQ(form.VisiblePage(), PageId::Setting);
  QTest::mouseClick(Find("LabelState"), Qt::LeftButton);
  EXPECT_TRUE(Shown("PictureState"));
}

TEST_F(FormTarveloTest, MinimiseButtonActsOnlyOnAStillPress) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  auto* button = Find<ChromeButtonWidget>("ImageMin");

  // Press, move while held, release on the button: no minimise, hover shows.
  Mouse(button, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(Shown("ImageMin_2"));
  Mouse(button, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
  Mouse(button, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(form.isMinimized());
  EXPECT_TRUE(Shown("ImageMin_1"));
  EXPECT_FALSE(Shown("ImageMin_0") || Shown("ImageMin_2"));

  // A still press and release minimises; the pressed picture stays.
  Mouse(button, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);  // any mouse button
  Mouse(button, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton);
  EXPECT_TRUE(form.windowState() & Qt::WindowMinimized);
  EXPECT_TRUE(Shown("ImageMin_2"));

  // Only the window's own background turns it back to normal.
  form.showNormal();
  QMouseEvent overBackground(QEvent::MouseMove, QPointF(700, 100), form.mapToGlobal(QPointF(700, 100)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &overBackground);
  EXPECT_TRUE(Shown("ImageMin_0"));
  EXPECT_FALSE(Shown("ImageMin_1") || Shown("ImageMin_2"));
}

TEST_F(FormTarveloTest, CloseButtonHidesToTheTray) {
  ASSERT_TRUE(form.Load());
  ASSERT_TRUE(form.isVisible());
  form.TimerAd->stop();
  auto* button = Find<ChromeButtonWidget>("ImageExit");
  Mouse(button, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
  Mouse(button, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);  // the click still hides
  Mouse(button, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.Exiting());
  EXPECT_TRUE(form.TimerAd->isActive());  // the advertisement poll runs again
}

TEST_F(FormTarveloTest, WindowManagerCloseHidesLikeTheCloseButton) {
  ASSERT_TRUE(form.Load());
  form.close();
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.Exiting());
}

TEST_F(FormTarveloTest, WithoutATrayHostClosingMinimisesAndSaysSoOnce) {
  trayHost = false;
  ASSERT_TRUE(form.Load());
  ASSERT_TRUE(form.isVisible());
  testing::ShownMessage message;
  {
    const auto watcher = testing::ShownMessage::Record(message);
    form.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.Seen(); }, 10000));
  }
  EXPECT_EQ(message.text, TrayAbsence::kNotice);
  EXPECT_EQ(message.title, "Tarvelo");
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(form.windowState() & Qt::WindowMinimized);
  EXPECT_FALSE(form.Exiting());

  // The close button minimises too, without a second notice.
  form.showNormal();
  auto* button = Find<ChromeButtonWidget>("ImageExit");
  Mouse(button, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
  Mouse(button, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
  EXPECT_TRUE(form.windowState() & Qt::WindowMinimized);
  QTest::qWait(50);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  // A tray host appears: closing hides again.
  trayHost = true;
  form.showNormal();
  form.close();
  EXPECT_FALSE(form.isVisible());
}

TEST_F(FormTarveloTest, AHiddenWindowComesBackMinimisedWhenTheTrayHostGoes) {
  ASSERT_TRUE(form.Load());
  form.TimerAd->stop();
  form.close();
  ASSERT_FALSE(form.isVisible());
  testing::ShownMessage message;
  const auto watcher = testing::ShownMessage::Record(message);
  trayHost = false;  // the tray host ends
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.isVisible(); }, 30000));
  EXPECT_TRUE(form.windowState() & Qt::WindowMinimized);
  EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.Seen(); }, 10000));
  EXPECT_EQ(message.text, TrayAbsence::kNotice);
}

TEST_F(FormTarveloTest, WithoutATrayHostTheNoticeOffersToExit) {
  trayHost = false;
  fake.settings->Set("Setting", "Automin", "1");  // a hidden start must not strand the window either
  ASSERT_TRUE(form.Load());
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(form.windowState() & Qt::WindowMinimized);
  testing::ModalWatcher<QMessageBox> watcher([](QMessageBox& box) {
    box.findChild<QAbstractButton*>("Exit")->click();
  });
  QTimer::singleShot(30000, &form, [] { QCoreApplication::exit(1); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(form.Exiting());
}

TEST_F(FormTarveloTest, ExitProgramEndsTheEventLoopWithStatusZero) {
  ASSERT_TRUE(form.Load());
  QTimer::singleShot(0, &form, [this] { form.ExitProgram(); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(form.Exiting());
  EXPECT_FALSE(form.isVisible());
}

TEST_F(FormTarveloTest, StartUpOpensCentredOnTheStatusPageWithEveryTimer) {
  form.ShowPage(PageId::About);
  ASSERT_TRUE(form.Load());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.VisiblePage(), PageId::State);
  EXPECT_EQ(fake.privileges->calls, 1);
  EXPECT_FALSE(Shown("LabelAd"));
  const QRect screen = form.screen()->geometry();
  EXPECT_LE(std::abs(form.geometry().center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(form.geometry().center().y() - screen.center().y()), 1);

  const std::pair<const char*, int> timers[] = {{"TimerAd", 3000},   {"TimerMemory", 1000},
                                                {"TimerProcess", 900}, {"TimerCPU", 1100},       {"TimerTrayIcon", 990}};
  for (const auto& [name, interval] : timers) {
    auto* timer = form.findChild<QTimer*>(name);
    ASSERT_NE(timer, nullptr) << name;
    EXPECT_EQ(timer->interval(), interval) << name;
    EXPECT_TRUE(timer->isActive()) << name;
  }
  EXPECT_TRUE(form.TimerOnTimeState->IsActive());
  EXPECT_EQ(form.TimerOnTimeState->Interval(), std::chrono::milliseconds(20));
  // The diagram's sampling keeps step with the once-a-second timers.
  QTimer* sampler = form.PictureState->CpuMonitorState->Timer1();
  ASSERT_TRUE(sampler->isActive());
  EXPECT_NEAR(sampler->remainingTime(), form.TimerMemory->remainingTime(), 20);
  // The clock wakes at the turn of each second rather than ten times a second.
  EXPECT_TRUE(form.TimerState->isActive());
  EXPECT_EQ(form.TimerState->timerType(), Qt::PreciseTimer);
  EXPECT_GE(form.TimerState->interval(), 1);
  EXPECT_LE(form.TimerState->interval(), 1000);
  // Its next tick falls on the turn of a second (within what a busy machine
  // takes between the two readings).
  const int landsAt = (QTime::currentTime().msec() + form.TimerState->remainingTime()) % 1000;
  EXPECT_TRUE(landsAt <= 50 || landsAt >= 950) << landsAt << " ms past the second";
}

TEST_F(FormTarveloTest, SecondInstanceIsToldAndNothingElseHappens) {
  fake.instance->otherRunning = true;
  testing::ShownMessage message;
  const auto watcher = testing::ShownMessage::Record(message);
  EXPECT_FALSE(form.Load());
  EXPECT_EQ(fake.instance->activations, 1) << "the running instance is asked to show its window";
  EXPECT_EQ(message.text, "Tarvelo already in running.");
  EXPECT_EQ(message.title, "Tarvelo");
  EXPECT_EQ(message.icon, QMessageBox::NoIcon);
  EXPECT_EQ(message.buttons, QMessageBox::Ok);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(fake.privileges->calls, 0);
  EXPECT_FALSE(form.TimerOnTimeState->IsActive());
}

TEST_F(FormTarveloTest, MemoryLabelsFollowEveryTick) {
  EXPECT_EQ(Find<QLabel>("LabelMemoryAll")->text(), "0 MB");
  EXPECT_EQ(Find<QLabel>("LabelMemoryUsedPercent")->text(), "30%");
  EXPECT_EQ(Find<QLabel>("LabelStateMemoryState")->text(), "0");

  fake.memory->status = {1024 * kMB, 512 * kMB};
  ASSERT_TRUE(form.Load());
  auto* statePercent = Find<QLabel>("LabelStateMemoryState");
  EXPECT_EQ(statePercent->text(), "50%");
  fake.memory->status = {1000 * kMB, 500 * kMB};
  ASSERT_TRUE(QTest::qWaitFor([&] { return statePercent->text() == "50%" && fake.memory->reads > 3; }, 10000));

  // The Memory page shows every figure, current the moment it shows.
  form.ShowPage(PageId::Memory);
  auto* percent = Find<QLabel>("LabelMemoryUsedPercent");
  EXPECT_EQ(percent->text(), "50%");
  EXPECT_EQ(Find<QLabel>("LabelMemoryAll")->text(), "1000 MB");
  EXPECT_EQ(Find<QLabel>("LabelMemoryUsed")->text(), "500 MB");
  EXPECT_EQ(Find<QLabel>("LabelMemoryLeft")->text(), "500 MB");
  fake.memory->status = {1000 * kMB, 505 * kMB};  // the megabytes move, the rate stays
  ASSERT_TRUE(QTest::qWaitFor([&] { return Find<QLabel>("LabelMemoryLeft")->text() == "505 MB"; }, 10000));
  fake.memory->status = {1000 * kMB, 875 * kMB};
  ASSERT_TRUE(QTest::qWaitFor([&] { return percent->text() == "12%"; }, 10000));
  EXPECT_EQ(Find<QLabel>("LabelMemoryLeft")->text(), "875 MB");
  // The value labels size themselves to their text.
  auto* left = Find<QLabel>("LabelMemoryLeft");
  EXPECT_GE(left->width(), left->sizeHint().width());

  form.ShowPage(PageId::State);
  EXPECT_EQ(statePercent->text(), "12%");
  fake.memory->status = {1000 * kMB, 500 * kMB};
  ASSERT_TRUE(QTest::qWaitFor([&] { return statePercent->text() == "50%"; }, 10000));
}

TEST_F(FormTarveloTest, CpuAndAboutPagesAreBuiltWhenFirstShown) {
  fake.processes->processes = {{10, "editor", "/usr/bin/editor"}};
  ASSERT_TRUE(form.Load());
  for (const char* page : {"PictureCPU", "PictureAbout"}) {
    EXPECT_EQ(form.findChild<QWidget*>(page), nullptr) << page;
  }
  // The list shows the start-up fill, as if the page had been there all along.
  fake.processes->processes = {{10, "editor", "/usr/bin/editor"}, {11, "viewer", "/usr/bin/viewer"}};
  form.ShowPage(PageId::CPU);
  ASSERT_TRUE(Shown("PictureCPU"));
  EXPECT_EQ(Find("PictureCPU")->geometry(), QRect(256, 144, 489, 361));
  auto* list = Find<QTreeWidget>("ListViewProcesses");
  ASSERT_EQ(list->topLevelItemCount(), 1);
  EXPECT_EQ(list->topLevelItem(0)->text(2), "editor");
  EXPECT_EQ(Find<QLabel>("LabelCPULimitedCount")->text(), "0");
  form.ShowPage(PageId::About);
  EXPECT_TRUE(Shown("PictureAbout"));
  EXPECT_FALSE(Shown("PictureCPU"));
  // The pages built late sit under the chrome like the others.
  EXPECT_EQ(form.childAt(Find("ImageExit")->geometry().center()), Find("ImageExit"));
}

// The timers that only feed labels run while those labels can be seen.
TEST_F(FormTarveloTest, DisplayTimersRunOnlyForTheShownPageOfAShownWindow) {
  ASSERT_TRUE(form.Load());
  const struct {
    PageId page;
    bool memoryFigures, clock, limitCount;
  } pages[] = {
      {PageId::State, true, true, true},     {PageId::Process, false, false, false},
      {PageId::CPU, false, false, true},     {PageId::Memory, true, false, false},
      {PageId::Setting, false, false, false}, {PageId::About, false, false, false},
  };
  for (const auto& p : pages) {
    form.ShowPage(p.page);
    EXPECT_EQ(form.TimerOnTimeState->IsActive(), p.memoryFigures) << InfoOf(p.page).panel;
    EXPECT_EQ(form.TimerState->isActive(), p.clock) << InfoOf(p.page).panel;
    EXPECT_EQ(form.TimerCPU->isActive(), p.limitCount) << InfoOf(p.page).panel;
  }
  form.ShowPage(PageId::State);
  for (auto hideAndShow : {std::pair<std::function<void()>, std::function<void()>>{[&] { form.HideToTray(); },
                                                                                   [&] { form.show(); }},
                           {[&] { form.showMinimized(); }, [&] { form.showNormal(); }}}) {
    hideAndShow.first();
    EXPECT_FALSE(form.TimerOnTimeState->IsActive());
    for (QTimer* t : {form.TimerState, form.TimerCPU}) {
      EXPECT_FALSE(t->isActive()) << t->objectName().toStdString();
    }
    // The rest of the program goes on.
    for (QTimer* t : {form.TimerMemory, form.TimerProcess, form.TimerTrayIcon}) {
      EXPECT_TRUE(t->isActive()) << t->objectName().toStdString();
    }
    hideAndShow.second();
    EXPECT_TRUE(form.TimerOnTimeState->IsActive());
    for (QTimer* t : {form.TimerState, form.TimerCPU}) {
      EXPECT_TRUE(t->isActive()) << t->objectName().toStdString();
    }
  }
}

TEST_F(FormTarveloTest, HiddenFiguresAreNotReadAndAreCurrentTheMomentTheyShow) {
  fake.settings->Set("Setting", "Automin", "1");  // starts hidden in the tray
  fake.memory->status = {1024 * kMB, 512 * kMB};
  ASSERT_TRUE(form.Load());
  ASSERT_FALSE(form.isVisible());
  const int reads = fake.memory->reads;
  QTest::qWait(100);  // five periods of the memory figures
  EXPECT_EQ(fake.memory->reads, reads) << "no reading feeds a hidden window";
  EXPECT_EQ(Find<QLabel>("LabelTime")->text(), "time");

  form.show();  // no timer tick needed: the figures are there when the window is
  EXPECT_EQ(Find<QLabel>("LabelStateMemoryState")->text(), "50%");
  EXPECT_NE(Find<QLabel>("LabelTime")->text(), "time");

  // A page not shown catches up when it shows.
  form.ShowPage(PageId::Setting);
  fake.memory->status = {1000 * kMB, 875 * kMB};
  form.ShowPage(PageId::Memory);
  EXPECT_EQ(Find<QLabel>("LabelMemoryUsedPercent")->text(), "12%");
  EXPECT_EQ(Find<QLabel>("LabelMemoryLeft")->text(), "875 MB");
}

// A start hidden in the tray does nothing for the window before it shows: the
// advertisement waits for it, the process list for the CPU page.
TEST_F(FormTarveloTest, AHiddenStartLeavesTheBannerAndTheListToTheirFirstShowing) {
  fake.settings->Set("Setting", "Automin", "1");
  fake.processes->processes = {{10, "editor", "/usr/bin/editor"}};
  ASSERT_TRUE(form.Load());
  ASSERT_FALSE(form.isVisible());
  EXPECT_FALSE(form.TimerAd->isActive());
  for (QTimer* t : {form.TimerMemory, form.TimerProcess, form.TimerTrayIcon}) {
    EXPECT_TRUE(t->isActive()) << t->objectName().toStdString();
  }

  form.show();
  EXPECT_TRUE(form.TimerAd->isActive());
  EXPECT_GT(form.TimerAd->remainingTime(), 2500) << "the first poll comes a tick after showing, as at a shown start";
  // The list is the one of the page's first showing.
  fake.processes->processes = {{10, "editor", "/usr/bin/editor"}, {11, "viewer", "/usr/bin/viewer"}};
  form.ShowPage(PageId::CPU);
  EXPECT_EQ(Find<QTreeWidget>("ListViewProcesses")->topLevelItemCount(), 2);
}

TEST_F(FormTarveloTest, OutsideTextIsNeverMarkup) {
  for (const PageInfo& page : kPages) form.BuildPage(page.id);
  for (auto* label : form.findChildren<widgets::Label*>()) {
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
  }
}

}  // namespace
}  // namespace tarvelo
