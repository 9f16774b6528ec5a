// The tray icon's clicks and the tray menu, on the main window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include "app/FormTarvelo.h"
#include "support/TrayHost.h"
#include "support/Browser.h"
#include "platform/fake/FakePlatform.h"
#include "tray/FormMenu.h"
#include "tray/TrayController.h"

namespace tarvelo {
namespace {

class TrayMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::AssumeTrayHost(form);
    ASSERT_TRUE(form.Load());
    tray = form.findChild<TrayController*>("TrayController");
    ASSERT_NE(tray, nullptr);
    menu = tray->Menu();
  }
  // The tray host reports a click on the icon.
  void Click(QSystemTrayIcon::ActivationReason reason) { emit tray->SystemTrayIcon()->activated(reason); }
  void DoubleClick() {
    Click(QSystemTrayIcon::Trigger);
    Click(QSystemTrayIcon::DoubleClick);
  }

  platform::fake::FakePlatform fake;
  FormTarvelo form{fake.platform};
  TrayController* tray = nullptr;
  FormMenu* menu = nullptr;
};

TEST_F(TrayMenuTest, MenuHoldsItsItemsInOrderAndIsNeverShownAsAWindow) {
  EXPECT_EQ(menu->objectName(), "FormMenu");
  EXPECT_FALSE(menu->isVisible());
  QStringList items;
  for (QAction* action : menu->m_Menu->actions()) {
    items << action->objectName() + "=" + (action->isSeparator() ? QString("-") : action->text());
  }
  EXPECT_EQ(items, QStringList({"m_State=State", "m_Process=Speed up process", "m_CPU=Speed up CPU",
                                "m_Memory=Speed up memory", "m_Setting=Setting", "m_About=About", "m_S1=-",
                                "m_HomePage=Home Page", "m_S2=-", "m_Exit=Exit"}));
}

TEST_F(TrayMenuTest, DoubleClickBringsBackOnlyAHiddenWindowOnItsPageInNormalSize) {
  form.ShowPage(PageId::Memory);
  form.HideToTray();
  Click(QSystemTrayIcon::Trigger);  // a single click is no double click
  EXPECT_FALSE(form.isVisible());
  DoubleClick();
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.isMinimized());
  EXPECT_EQ(form.VisiblePage(), PageId::Memory);

  // Minimised counts as shown: the double click leaves it minimised.
  form.showMinimized();
  DoubleClick();
  EXPECT_TRUE(form.windowState() & Qt::WindowMinimized);

  // Hidden while minimised: it comes back in its normal size.
  form.HideToTray();
  DoubleClick();
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.windowState() & Qt::WindowMinimized);
}

TEST_F(TrayMenuTest, RightClickPopsUpTheMenuAndItsPageItemsShowTheWindow) {
  form.HideToTray();
  Click(QSystemTrayIcon::Context);
  ASSERT_TRUE(menu->m_Menu->isVisible());
  menu->m_Menu->close();
  EXPECT_FALSE(form.isVisible()) << "closing the menu without a choice does nothing";

  const std::pair<QAction*, PageId> items[] = {{menu->m_State, PageId::State},     {menu->m_Process, PageId::Process},
                                               {menu->m_CPU, PageId::CPU},         {menu->m_Memory, PageId::Memory},
                                               {menu->m_Setting, PageId::Setting}, {menu->m_About, PageId::About}};
  for (const auto& [item, page] : items) {
    form.HideToTray();
    item->trigger();
    EXPECT_TRUE(form.isVisible()) << item->text().toStdString();
    EXPECT_EQ(form.VisiblePage(), page) << item->text().toStdString();
  }
}

TEST_F(TrayMenuTest, HomePageOpensTheSiteRoot) {
  testing::Browser browser;
  menu->m_HomePage->trigger();
  ASSERT_EQ(browser.opened.size(), 1);
  EXPECT_EQ(browser.opened[0], QUrl(browser.opened[0]).adjusted(QUrl::RemovePath).toString());
  EXPECT_TRUE(browser.opened[0].startsWith("http://"));
}

TEST_F(TrayMenuTest, WhileTheCpuLimitDialogIsOpenTheIconsClicksDoNothing) {
  QDialog dialog(&form);
  form.SetCpuLimitDialog(&dialog);
  dialog.show();
  form.HideToTray();
  DoubleClick();
  EXPECT_FALSE(form.isVisible());
  Click(QSystemTrayIcon::Context);
  EXPECT_FALSE(menu->m_Menu->isVisible());

  dialog.hide();  // closed: the clicks work again
  DoubleClick();
  EXPECT_TRUE(form.isVisible());
}

TEST_F(TrayMenuTest, ExitWhileTheCpuLimitDialogRunsClosesItAndEndsWithStatusZero) {
  // The dialog, as its opener runs it: modal, in its own event loop, owned
  // and destroyed by the opener.
  int dialogResult = -1;
  bool dialogGone = false;
  QTimer::singleShot(0, &form, [&] {
    QDialog dialog(&form);
    dialog.setModal(true);
    form.SetCpuLimitDialog(&dialog);
    QTimer::singleShot(50, &form, [&] {
      ASSERT_TRUE(form.CpuLimitDialogVisible());
      menu->m_Exit->trigger();
    });
    dialogResult = dialog.exec();
    dialogGone = true;
  });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(dialogGone);
  EXPECT_EQ(dialogResult, QDialog::Rejected);
  EXPECT_FALSE(form.CpuLimitDialogVisible());
  EXPECT_FALSE(tray->SystemTrayIcon()->isVisible()) << "no icon left behind";
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(form.Exiting());
  // The icon no longer answers.
  form.hide();
  DoubleClick();
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace tarvelo

