#pragma once

#include <QIcon>
#include <QWidget>

#include "common/Pages.h"

class QAction;
class QMenu;

namespace tarvelo {

// The tray's hidden window: it is never shown, and holds the six animation
// frames of the tray icon and the tray's popup menu.
class FormMenu : public QWidget {
  Q_OBJECT

 public:
  explicit FormMenu(QWidget* parent = nullptr);

  // Frame n (1 to 6) of the animation; Image1 for any other n.
  const QIcon& Frame(int n) const;

  QIcon Image1;
  QIcon Image2;
  QIcon Image3;
  QIcon Image4;
  QIcon Image5;
  QIcon Image6;

  QMenu* m_Menu;
  QAction* m_State;
  QAction* m_Process;
  QAction* m_CPU;
  QAction* m_Memory;
  QAction* m_Setting;
  QAction* m_About;
  QAction* m_S1;
  QAction* m_HomePage;
  QAction* m_S2;
  QAction* m_Exit;

 signals:
  void PageChosen(PageId page);
  void HomePageChosen();
  void ExitChosen();
};

}  // namespace tarvelo
