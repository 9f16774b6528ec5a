#pragma once

#include "widgets/PagePanel.h"

namespace tarvelo::widgets {
class Label;
class Picture;
}  // namespace tarvelo::widgets

namespace tarvelo {

// The "About" page: what the program is, and the link to its web site.
class AboutPage : public widgets::PagePanel {
  Q_OBJECT

 public:
  AboutPage(QWidget* parent, int widthTwips, int heightTwips, const QString& homePage);

  widgets::Picture* ImageAboutEmblem;
  widgets::Label* LabelAboutTitle;
  widgets::Label* LabelAboutVersion;
  widgets::Label* LabelAboutText;
  widgets::Label* LabelHomepage;
};

}  // namespace tarvelo
