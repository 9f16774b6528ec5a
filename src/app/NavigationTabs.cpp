#include "app/NavigationTabs.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>

#include "widgets/Twips.h"

namespace tarvelo {

NavigationTab::NavigationTab(QWidget* parent, PageId page, const QRect& rect) : QWidget(parent), page_(page) {
  setObjectName(QString("Tab%1").arg(InfoOf(page).image + 5));  // TabState, TabProcess, ...
  setGeometry(rect);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAccessibleName(InfoOf(page).caption);
}

void NavigationTab::SetCurrent(bool current) {
  if (current_ == current) return;
  current_ = current;
  QAccessible::State state;
  state.selected = true;
  QAccessibleStateChangeEvent event(this, state);
  QAccessible::updateAccessibility(&event);
}

void NavigationTab::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    QWidget::keyPressEvent(event);
    return;
  }
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: emit Chosen(page_); break;
    case Qt::Key_Up:
    case Qt::Key_Left: emit Step(-1); break;
    case Qt::Key_Down:
    case Qt::Key_Right: emit Step(1); break;
    default: QWidget::keyPressEvent(event); return;
  }
  event->accept();
}

void NavigationTab::paintEvent(QPaintEvent*) {
  if (!hasFocus()) return;  // otherwise the entry's own pictures show through
  QPainter painter(this);
  QPen pen(Qt::white, 1, Qt::DotLine);
  pen.setCosmetic(true);
  painter.setPen(pen);
  painter.drawRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5));
}

void NavigationTab::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void NavigationTab::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

NavigationTabs::NavigationTabs(QWidget& window) : QObject(&window), window_(window) {
  setObjectName("NavigationTabs");
  for (const PageInfo& info : kPages) {
    auto* tab = new NavigationTab(&window, info.id,
                                  widgets::TwipsRect(kNavigationLeft, info.imageTop, kNavigationWidth, kNavigationHeight));
    tab->raise();  // over the entry's pictures and caption
    connect(tab, &NavigationTab::Chosen, this, &NavigationTabs::PageChosen);
    connect(tab, &NavigationTab::Step, this, [this, tab](int delta) {
      const int index = static_cast<int>(IndexOf(tab->Page())) + delta;
      if (index < 0 || index >= static_cast<int>(kPageCount)) return;  // no wrap at the ends, as in a tab bar
      emit PageChosen(kPages[static_cast<std::size_t>(index)].id);
    });
    tabs_[IndexOf(info.id)] = tab;
  }
  // Tab moves through them in page order.
  for (std::size_t i = 1; i < kPageCount; ++i) QWidget::setTabOrder(tabs_[i - 1], tabs_[i]);
  tabs_[IndexOf(current_)]->SetCurrent(true);

  for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Tab)}) {
    auto* shortcut = new QShortcut(keys, &window);
    connect(shortcut, &QShortcut::activated, this, [this] { Cycle(1); });
  }
  // With Shift held, X11 reports Tab as Backtab.
  for (const QKeySequence& keys :
       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)}) {
    auto* shortcut = new QShortcut(keys, &window);
    connect(shortcut, &QShortcut::activated, this, [this] { Cycle(-1); });
  }
}

void NavigationTabs::ShowCurrent(PageId page) {
  const bool tabFocused = window_.focusWidget() != nullptr && window_.focusWidget()->hasFocus() &&
                          qobject_cast<NavigationTab*>(window_.focusWidget()) != nullptr;
  current_ = page;
  for (NavigationTab* tab : tabs_) tab->SetCurrent(tab->Page() == page);
  if (tabFocused) Tab(page)->setFocus(Qt::TabFocusReason);
}

void NavigationTabs::Cycle(int delta) {
  const int count = static_cast<int>(kPageCount);
  const int index = (static_cast<int>(IndexOf(current_)) + delta + count) % count;
  emit PageChosen(kPages[static_cast<std::size_t>(index)].id);
}

}  // namespace tarvelo
