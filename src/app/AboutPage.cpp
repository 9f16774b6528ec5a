#include "app/AboutPage.h"

#include "app/Artwork.h"
#include "forms/Forms.h"
#include "widgets/FormControls.h"
#include "widgets/Label.h"
#include "widgets/Picture.h"
#include "widgets/Twips.h"
#include "widgets/WebLink.h"

namespace tarvelo {

using widgets::Label;

AboutPage::AboutPage(QWidget* parent, int widthTwips, int heightTwips, const QString& homePage)
    : PagePanel(parent, "PictureAbout", widthTwips, heightTwips) {
  const form::Form& f = form::AboutForm();
  ImageAboutEmblem = widgets::MakePicture(this, f["ImageAboutEmblem"], artwork::PaintEmblem);
  LabelAboutTitle = widgets::MakeLabel(this, f["LabelAboutTitle"]);
  LabelAboutVersion = widgets::MakeLabel(this, f["LabelAboutVersion"]);
  LabelAboutText = widgets::MakeLabel(this, f["LabelAboutText"]);
  LabelHomepage = widgets::MakeLabel(this, f["LabelHomepage"]);
  LabelHomepage->SetCaption(homePage);
  LabelHomepage->setCursor(Qt::PointingHandCursor);
  connect(LabelHomepage, &Label::Clicked, this, [this, homePage] { widgets::OpenWebLink(this, homePage); });
}

}  // namespace tarvelo
