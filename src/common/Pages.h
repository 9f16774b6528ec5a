#pragma once

#include <array>
#include <cstddef>

namespace tarvelo {

// The six pages of the main window, in their fixed order.
enum class PageId { State, Process, CPU, Memory, Setting, About };

inline constexpr std::size_t kPageCount = 6;

struct PageInfo {
  PageId id;
  const char* panel;       // the page panel
  int panelWidth;          // twips
  int panelHeight;         // twips
  const char* image;       // the navigation picture pair
  int imageTop;            // twips
  const char* label;       // the navigation caption
  const char* caption;
  int labelTop;            // twips
  const char* menuItem;    // the tray menu's item for the page
};

inline constexpr std::array<PageInfo, kPageCount> kPages{{
    {PageId::State, "PictureState", 7455, 5535, "ImageState", 2010, "LabelState", "Status", 2160, "m_State"},
    {PageId::Process, "PictureProcess", 7815, 5775, "ImageProcess", 2540, "LabelProcess", "1 - Speed up process",
     2670, "m_Process"},
    {PageId::CPU, "PictureCPU", 7335, 5415, "ImageCPU", 3060, "LabelCPU", "2 - Speed up CPU", 3210, "m_CPU"},
    {PageId::Memory, "PictureMemory", 7335, 5655, "ImageMemory", 3590, "LabelMemory", "3 - Speed up memory", 3720,
     "m_Memory"},
    {PageId::Setting, "PictureSetting", 6735, 4215, "ImageSetting", 4110, "LabelSetting", "Settings", 4245,
     "m_Setting"},
    {PageId::About, "PictureAbout", 7095, 4455, "ImageAbout", 4635, "LabelAbout", "About", 4800, "m_About"},
}};

// Every navigation pair shares one rectangle of this size at this left edge,
// and every caption starts here (twips).
inline constexpr int kNavigationLeft = 100;
inline constexpr int kNavigationWidth = 3540;
inline constexpr int kNavigationHeight = 540;
inline constexpr int kNavigationLabelLeft = 1080;

constexpr std::size_t IndexOf(PageId page) { return static_cast<std::size_t>(page); }
constexpr const PageInfo& InfoOf(PageId page) { return kPages[IndexOf(page)]; }

}  // namespace tarvelo
