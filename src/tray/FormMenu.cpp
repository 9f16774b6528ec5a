#include "tray/FormMenu.h"

#include <QMenu>

#include "tray/TrayArtwork.h"

namespace tarvelo {

FormMenu::FormMenu(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("FormMenu");
  setWindowTitle("Tarvelo");
  Image1 = artwork::TrayFrameIcon(1);
  Image2 = artwork::TrayFrameIcon(2);
  Image3 = artwork::TrayFrameIcon(3);
  Image4 = artwork::TrayFrameIcon(4);
  Image5 = artwork::TrayFrameIcon(5);
  Image6 = artwork::TrayFrameIcon(6);

  m_Menu = new QMenu(this);
  m_Menu->setObjectName("m_Menu");
  auto item = [this](const char* name, const QString& caption) {
    QAction* action = m_Menu->addAction(caption);
    action->setObjectName(name);
    return action;
  };
  auto separator = [this](const char* name) {
    QAction* action = m_Menu->addSeparator();
    action->setObjectName(name);
    return action;
  };
  m_State = item("m_State", "State");
  m_Process = item("m_Process", "Speed up process");
  m_CPU = item("m_CPU", "Speed up CPU");
  m_Memory = item("m_Memory", "Speed up memory");
  m_Setting = item("m_Setting", "Setting");
  m_About = item("m_About", "About");
  m_S1 = separator("m_S1");
  m_HomePage = item("m_HomePage", "Home Page");
  m_S2 = separator("m_S2");
  m_Exit = item("m_Exit", "Exit");

  const std::pair<QAction*, PageId> pages[] = {{m_State, PageId::State},   {m_Process, PageId::Process},
                                               {m_CPU, PageId::CPU},       {m_Memory, PageId::Memory},
                                               {m_Setting, PageId::Setting}, {m_About, PageId::About}};
  for (const auto& [action, page] : pages) {
    connect(action, &QAction::triggered, this, [this, page = page] { emit PageChosen(page); });
  }
  connect(m_HomePage, &QAction::triggered, this, &FormMenu::HomePageChosen);
  connect(m_Exit, &QAction::triggered, this, &FormMenu::ExitChosen);
}

const QIcon& FormMenu::Frame(int n) const {
  switch (n) {
    case 2: return Image2;
    case 3: return Image3;
    case 4: return Image4;
    case 5: return Image5;
    case 6: return Image6;
    default: return Image1;
  }
}

}  // namespace tarvelo
