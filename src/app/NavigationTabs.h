#pragma once

#include <QWidget>
#include <array>

#include "common/Pages.h"

namespace tarvelo {

// One navigation entry as the keyboard and assistive tools see it: a page
// tab over the entry's pictures and caption. The mouse goes through it to
// them; it takes the focus, shows a focus frame and turns keys into choices.
class NavigationTab : public QWidget {
  Q_OBJECT

 public:
  NavigationTab(QWidget* parent, PageId page, const QRect& rect);

  PageId Page() const { return page_; }
  bool Current() const { return current_; }
  void SetCurrent(bool current);

 signals:
  // Return or Space: this page. Arrows: the page before or after.
  void Chosen(tarvelo::PageId page);
  void Step(int delta);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  PageId page_;
  bool current_ = false;
};

// The six tabs of the main window's navigation column, and Ctrl+Tab and
// Ctrl+Shift+Tab, which cycle the pages from anywhere in the window.
class NavigationTabs : public QObject {
  Q_OBJECT

 public:
  explicit NavigationTabs(QWidget& window);

  NavigationTab* Tab(PageId page) const { return tabs_[IndexOf(page)]; }
  // The window shows this page now: the tabs follow, and a focused tab moves
  // along with it.
  void ShowCurrent(PageId page);

 signals:
  void PageChosen(tarvelo::PageId page);

 private:
  void Cycle(int delta);

  QWidget& window_;
  std::array<NavigationTab*, kPageCount> tabs_{};
  PageId current_ = PageId::State;
};

}  // namespace tarvelo
