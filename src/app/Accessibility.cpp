#include "app/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "app/ChromeButtonWidget.h"
#include "app/NavigationTabs.h"
#include "button/Command.h"
#include "monitor/CpuMonitor.h"

namespace tarvelo {

namespace {

// "&Save" reads "Save"; "&&" is a literal "&".
QString WithoutAccessMark(const QString& caption) {
  QString text;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == '&') continue;
    text += caption[i];
  }
  return text;
}

// Command: a push button named by its caption without the access-key mark.
class AccessibleCommand final : public QAccessibleWidget {
 public:
  explicit AccessibleCommand(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return WithoutAccessMark(Control()->Caption());
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.defaultButton = Control()->IsDefaultButton();
    return s;
  }
  QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }
  void doAction(const QString& name) override {
    if (name == pressAction()) Control()->Model().AccessKeyPress();
    else QAccessibleWidget::doAction(name);
  }

 private:
  button::Command* Control() const { return static_cast<button::Command*>(widget()); }
};

// The minimise and close pictures: buttons named "Minimize" and "Close".
class AccessibleChromeButton final : public QAccessibleWidget {
 public:
  explicit AccessibleChromeButton(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}

  QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }
  void doAction(const QString& name) override {
    if (name == pressAction()) static_cast<ChromeButtonWidget*>(widget())->Press();
    else QAccessibleWidget::doAction(name);
  }
};

// A navigation entry: a page tab named by its caption, selected while its page shows.
class AccessibleNavigationTab final : public QAccessibleWidget {
 public:
  explicit AccessibleNavigationTab(QWidget* w) : QAccessibleWidget(w, QAccessible::PageTab) {}

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.selectable = true;
    s.selected = Tab()->Current();
    return s;
  }
  QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }
  void doAction(const QString& name) override {
    if (name == pressAction()) emit Tab()->Chosen(Tab()->Page());
    else QAccessibleWidget::doAction(name);
  }

 private:
  NavigationTab* Tab() const { return static_cast<NavigationTab*>(widget()); }
};

// The diagram: a chart whose description carries its latest figures.
class AccessibleDiagram final : public QAccessibleWidget {
 public:
  explicit AccessibleDiagram(QWidget* w) : QAccessibleWidget(w, QAccessible::Chart) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return "System monitor";
    if (t == QAccessible::Description) {
      const auto& report = static_cast<monitor::CpuMonitor*>(widget())->LastReport();
      if (!report) return "No figures yet";
      const monitor::SystemLevels& l = report->sample;
      return DiagramDescription(report->CPULoadPercent, report->MemoryLoadPercent, l.PageFileAvailablePercent,
                                l.VirtualMemoryAvailablePercent, l.HDAvailablePercent);
    }
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget == nullptr) return nullptr;
  if (className == QLatin1String(button::Command::staticMetaObject.className())) return new AccessibleCommand(widget);
  if (className == QLatin1String(ChromeButtonWidget::staticMetaObject.className())) {
    return new AccessibleChromeButton(widget);
  }
  if (className == QLatin1String(NavigationTab::staticMetaObject.className())) {
    return new AccessibleNavigationTab(widget);
  }
  // The borderless main window is still a window, not a filler.
  if (className == QLatin1String("tarvelo::FormTarvelo")) return new QAccessibleWidget(widget, QAccessible::Window);
  if (className == QLatin1String(monitor::CpuMonitor::staticMetaObject.className())) {
    return new AccessibleDiagram(widget);
  }
  return nullptr;
}

}  // namespace

void InstallAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
}

QString DiagramDescription(int cpuLoad, int memoryLoad, float pageFileFree, float virtualMemoryFree, float diskFree) {
  return QString("CPU load %1%, memory load %2%, page file %3% free, virtual memory %4% free, disk %5% free")
      .arg(cpuLoad)
      .arg(memoryLoad)
      .arg(qRound(pageFileFree))
      .arg(qRound(virtualMemoryFree))
      .arg(qRound(diskFree));
}

}  // namespace tarvelo
