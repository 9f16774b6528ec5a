#pragma once

#include <QObject>
#include <QStringList>
#include <QUrl>

namespace tarvelo::testing {

// Stands in for the web browser while it lives: catches every http address
// the program opens.
class Browser : public QObject {
  Q_OBJECT

 public:
  Browser();
  ~Browser() override;
  Q_INVOKABLE void Open(const QUrl& url);

  QStringList opened;
};

}  // namespace tarvelo::testing
