#pragma once

#include <array>

#include "common/Pages.h"

namespace tarvelo {

// One entry of the tray's popup menu m_Menu, for every frontend to build its
// menu from.
struct TrayMenuItem {
  enum class Kind { Page, HomePage, Separator, Exit };
  const char* name;     // the item's name, m_…
  const char* caption;  // "-" for a separator
  Kind kind;
  PageId page;  // for Kind::Page only
};

// The tray menu's items, top to bottom.
inline constexpr std::array<TrayMenuItem, 10> kTrayMenuItems{{
    {"m_State", "State", TrayMenuItem::Kind::Page, PageId::State},
    {"m_Process", "Speed up process", TrayMenuItem::Kind::Page, PageId::Process},
    {"m_CPU", "Speed up CPU", TrayMenuItem::Kind::Page, PageId::CPU},
    {"m_Memory", "Speed up memory", TrayMenuItem::Kind::Page, PageId::Memory},
    {"m_Setting", "Setting", TrayMenuItem::Kind::Page, PageId::Setting},
    {"m_About", "About", TrayMenuItem::Kind::Page, PageId::About},
    {"m_S1", "-", TrayMenuItem::Kind::Separator, PageId::State},
    {"m_HomePage", "Home Page", TrayMenuItem::Kind::HomePage, PageId::State},
    {"m_S2", "-", TrayMenuItem::Kind::Separator, PageId::State},
    {"m_Exit", "Exit", TrayMenuItem::Kind::Exit, PageId::State},
}};

}  // namespace tarvelo
