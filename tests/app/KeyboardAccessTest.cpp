// The main window and the limit dialog by keyboard, and what assistive tools
// are told about the program's own controls.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QSlider>
#include <QTest>

#include "app/FormTarvelo.h"
#include "app/Accessibility.h"
#include "app/ChromeButtonWidget.h"
#include "app/NavigationTabs.h"
#include "app/SettingPage.h"
#include "app/StatusPage.h"
#include "button/Command.h"
#include "cpulimit/FormSetProcessCpuPercent.h"
#include "memory/MemoryPage.h"
#include "monitor/CpuMonitor.h"
#include "platform/fake/FakePlatform.h"
#include "support/TrayHost.h"

namespace tarvelo {
namespace {

class KeyboardAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::AssumeTrayHost(form);
    ASSERT_TRUE(form.Load());
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }
  NavigationTab* Tab(PageId page) { return form.findChild<NavigationTabs*>("NavigationTabs")->Tab(page); }

  platform::fake::FakePlatform fake;
  FormTarvelo form{fake.platform};
};

TEST_F(KeyboardAccessTest, NavigationEntriesTakeTheFocusAndSwitchPages) {
  Tab(PageId::State)->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(Tab(PageId::State)->hasFocus());

  const struct {
    Qt::Key key;
    PageId expected;
  } steps[] = {
      {Qt::Key_Down, PageId::Process}, {Qt::Key_Right, PageId::CPU}, {Qt::Key_Up, PageId::Process},
      {Qt::Key_Left, PageId::State},   {Qt::Key_Up, PageId::State},  // no wrap at the first entry
  };
  for (const auto& step : steps) {
    QTest::keyClick(QApplication::focusWidget(), step.key);
    EXPECT_EQ(form.VisiblePage(), step.expected) << step.key;
    EXPECT_TRUE(Tab(step.expected)->hasFocus()) << "the focus goes along with the page";
  }

  // Tab moves the focus only; Return and Space choose.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(Tab(PageId::Process)->hasFocus());
  EXPECT_EQ(form.VisiblePage(), PageId::State);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(form.VisiblePage(), PageId::Process);
  Tab(PageId::Memory)->setFocus(Qt::TabFocusReason);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_EQ(form.VisiblePage(), PageId::Memory);
}

TEST_F(KeyboardAccessTest, CtrlTabCyclesThePagesFromAnywhere) {
  form.ShowPage(PageId::Setting);
  QWidget* elsewhere = form.PictureSetting->findChild<QWidget*>("CheckAutoRun");
  ASSERT_NE(elsewhere, nullptr);
  elsewhere->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(form.VisiblePage(), PageId::About);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(form.VisiblePage(), PageId::State) << "wraps round";
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(form.VisiblePage(), PageId::About);
}

TEST(DialogKeyboard, ReturnPressesTheFocusedButtonElseTheDefaultOne) {
  for (const auto mode : {FormSetProcessCpuPercent::Mode::NewLimit, FormSetProcessCpuPercent::Mode::ChangeLimit}) {
    const bool change = mode == FormSetProcessCpuPercent::Mode::ChangeLimit;
    {
      FormSetProcessCpuPercent dialog(nullptr, mode, "42", "/usr/bin/x", QIcon(), 50);
      dialog.show();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
      dialog.SliderPercent->setFocus();
      // The slider shows its focus.
      auto* frame = dialog.findChild<QWidget*>("SliderPercentFocusFrame");
      ASSERT_NE(frame, nullptr);
      EXPECT_TRUE(frame->isVisible());
      EXPECT_EQ(frame->geometry(), dialog.SliderPercent->geometry());
      QTest::keyClick(dialog.SliderPercent, Qt::Key_Return);
      EXPECT_EQ(dialog.result(), QDialog::Accepted);
      EXPECT_EQ(dialog.Result(), change ? FormSetProcessCpuPercent::Outcome::Adjustment
                                        : FormSetProcessCpuPercent::Outcome::Ok);
    }
    {
      FormSetProcessCpuPercent dialog(nullptr, mode, "42", "/usr/bin/x", QIcon(), 50);
      dialog.show();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
      button::Command* other = change ? dialog.CommandFree : dialog.CommandCancel;
      other->setFocus();
      EXPECT_FALSE(dialog.findChild<QWidget*>("SliderPercentFocusFrame")->isVisible());
      QTest::keyClick(other, Qt::Key_Return);
      EXPECT_EQ(dialog.Result(), change ? FormSetProcessCpuPercent::Outcome::Release
                                        : FormSetProcessCpuPercent::Outcome::Cancel);
    }
  }
}

struct Told {
  QAccessible::Role role;
  QString name;
};

Told Ask(QObject* object) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(object);
  if (a == nullptr) return {QAccessible::NoRole, "(none)"};
  return {a->role(), a->text(QAccessible::Name)};
}

TEST_F(KeyboardAccessTest, AssistiveToolsAreToldRolesAndNames) {
  const struct {
    QWidget* widget;
    QAccessible::Role role;
    QString name;
  } cases[] = {
      {form.PictureMemory->CommandFreeMemory, QAccessible::Button, form.PictureMemory->CommandFreeMemory->Caption()},
      {form.ImageMin, QAccessible::Button, "Minimize"},
      {form.ImageExit, QAccessible::Button, "Close"},
      {Tab(PageId::State), QAccessible::PageTab, "Status"},
      {Tab(PageId::Memory), QAccessible::PageTab, "3 - Speed up memory"},
      {form.PictureState->CpuMonitorState, QAccessible::Chart, "System monitor"},
  };
  for (const auto& c : cases) {
    const Told told = Ask(c.widget);
    EXPECT_EQ(told.role, c.role) << c.widget->objectName().toStdString();
    EXPECT_EQ(told.name, c.name) << c.widget->objectName().toStdString();
  }
  EXPECT_FALSE(form.PictureMemory->CommandFreeMemory->Caption().isEmpty());

  // Every Command of the window is a named push button.
  for (auto* command : form.findChildren<button::Command*>()) {
    const Told told = Ask(command);
    EXPECT_EQ(told.role, QAccessible::Button) << command->objectName().toStdString();
    EXPECT_FALSE(told.name.isEmpty()) << command->objectName().toStdString();
    EXPECT_FALSE(told.name.contains('&')) << command->objectName().toStdString();
  }

  // The selected tab says so; pressing another through the tool switches pages.
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(Tab(PageId::State))->state().selected);
  QAccessibleInterface* cpu = QAccessible::queryAccessibleInterface(Tab(PageId::CPU));
  EXPECT_FALSE(cpu->state().selected);
  cpu->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(form.VisiblePage(), PageId::CPU);
  EXPECT_TRUE(cpu->state().selected);
}

TEST(DialogAccess, TheLimitDialogReadsAsANamedDialogWithANamedSlider) {
  InstallAccessibility();  // the main window does it in the program
  FormSetProcessCpuPercent dialog(nullptr, FormSetProcessCpuPercent::Mode::NewLimit, "42", "/usr/bin/x", QIcon(), 50);
  dialog.show();
  const Told window = Ask(&dialog);
  EXPECT_EQ(window.role, QAccessible::Dialog);
  EXPECT_EQ(window.name, "Limit process CPU usage");
  const Told slider = Ask(dialog.SliderPercent);
  EXPECT_EQ(slider.role, QAccessible::Slider);
  EXPECT_TRUE(slider.name.startsWith("limit CPU usage")) << slider.name.toStdString();
  EXPECT_EQ(Ask(dialog.CommandOK).name, "OK");
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(dialog.CommandOK)->state().defaultButton);
}

TEST_F(KeyboardAccessTest, TheDiagramDescribesItsCurrentFigures) {
  monitor::CpuMonitor* diagram = form.PictureState->CpuMonitorState;
  ASSERT_TRUE(QTest::qWaitFor([&] { return diagram->LastReport().has_value(); }, 20000));
  const QString description = QAccessible::queryAccessibleInterface(diagram)->text(QAccessible::Description);
  const monitor::SystemLevelsReport& report = *diagram->LastReport();
  EXPECT_TRUE(description.startsWith(QString("CPU load %1%, memory load %2%,")
                                         .arg(report.CPULoadPercent)
                                         .arg(report.MemoryLoadPercent)))
      << description.toStdString();
  EXPECT_TRUE(description.contains("disk")) << description.toStdString();
}

}  // namespace
}  // namespace tarvelo
