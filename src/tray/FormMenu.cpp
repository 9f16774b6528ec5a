#include "tray/FormMenu.h"

#include <QMenu>
#include <iterator>

#include "tray/TrayArtwork.h"
#include "tray/TrayMenuItems.h"

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
  // The members in the order of kTrayMenuItems.
  QAction** const members[] = {&m_State,   &m_Process, &m_CPU, &m_Memory, &m_Setting,
                               &m_About,   &m_S1,      &m_HomePage, &m_S2, &m_Exit};
  static_assert(std::size(members) == kTrayMenuItems.size());
  for (std::size_t i = 0; i < kTrayMenuItems.size(); ++i) {
    const TrayMenuItem& item = kTrayMenuItems[i];
    QAction* action = item.kind == TrayMenuItem::Kind::Separator ? m_Menu->addSeparator()
                                                                 : m_Menu->addAction(QString::fromUtf8(item.caption));
    action->setObjectName(item.name);
    *members[i] = action;
    switch (item.kind) {
      case TrayMenuItem::Kind::Page:
        connect(action, &QAction::triggered, this, [this, page = item.page] { emit PageChosen(page); });
        break;
      case TrayMenuItem::Kind::HomePage:
        connect(action, &QAction::triggered, this, &FormMenu::HomePageChosen);
        break;
      case TrayMenuItem::Kind::Exit:
        connect(action, &QAction::triggered, this, &FormMenu::ExitChosen);
        break;
      case TrayMenuItem::Kind::Separator:
        break;
    }
  }
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
