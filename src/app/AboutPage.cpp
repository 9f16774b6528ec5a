#include "app/AboutPage.h"

#include "app/Artwork.h"
#include "widgets/Fonts.h"
#include "widgets/Label.h"
#include "widgets/Picture.h"
#include "widgets/Twips.h"
#include "widgets/WebLink.h"

namespace tarvelo {

using widgets::Label;
using widgets::TwipsRect;

namespace {
const QColor kTextGrey(64, 64, 64);
}  // namespace

AboutPage::AboutPage(QWidget* parent, int widthTwips, int heightTwips, const QString& homePage)
    : PagePanel(parent, "PictureAbout", widthTwips, heightTwips) {
  ImageAboutEmblem = new widgets::Picture(this, "ImageAboutEmblem", TwipsRect(360, 240, 720, 720),
                                          artwork::PaintEmblem);
  LabelAboutTitle = new Label(this, "LabelAboutTitle", "Tarvelo", 1320, 300);
  LabelAboutTitle->setFont(widgets::HeadingFont());
  LabelAboutTitle->SetColor(QColor(255, 128, 0));
  LabelAboutVersion = new Label(this, "LabelAboutVersion", "Version 1.7", 1320, 600);
  LabelAboutVersion->SetColor(kTextGrey);
  LabelAboutText = new Label(this, "LabelAboutText", "Speeds up programs, CPU and memory.", 1320, 840);
  LabelAboutText->SetColor(kTextGrey);

  LabelHomepage = new Label(this, "LabelHomepage", homePage, 360, 1320);
  LabelHomepage->SetFixedSizeTwips(3150, 180, false);
  LabelHomepage->SetColor(QColor(0, 0, 255));
  LabelHomepage->setCursor(Qt::PointingHandCursor);
  connect(LabelHomepage, &Label::Clicked, this, [this, homePage] { widgets::OpenWebLink(this, homePage); });
}

}  // namespace tarvelo
