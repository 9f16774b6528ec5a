#include "cpulimit/FormSetProcessCpuPercent.h"

#include <QSlider>

#include "button/Command.h"
#include "common/PlainText.h"
#include "widgets/FocusFrame.h"
#include "forms/Forms.h"
#include "widgets/FormControls.h"
#include "widgets/Fonts.h"
#include "widgets/Label.h"
#include "widgets/Twips.h"

namespace tarvelo {

using widgets::Label;

FormSetProcessCpuPercent::FormSetProcessCpuPercent(QWidget* owner, Mode mode, const QString& pid,
                                                   const QString& path, const QIcon& icon, int percent)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("FormSetProcessCpuPercent");
  const form::Form& f = form::LimitDialogForm();
  setWindowTitle(QString::fromUtf8(f.caption));
  setFont(widgets::WindowFont());
  setFixedSize(widgets::TwipsSize(f.width, f.height));
  setModal(true);

  ImageProcessIco = widgets::MakeLabel(this, f["ImageProcessIco"]);
  ImageProcessIco->SetFixedSizeTwips(f["ImageProcessIco"].width, f["ImageProcessIco"].height, false);
  ImageProcessIco->setAlignment(Qt::AlignCenter);
  if (!icon.isNull()) ImageProcessIco->setPixmap(icon.pixmap(32));

  Label2 = widgets::MakeLabel(this, f["Label2"]);
  LabelProcessPID = widgets::MakeLabel(this, f["LabelProcessPID"]);
  LabelProcessPID->SetCaption(pid);
  Label1 = widgets::MakeLabel(this, f["Label1"]);
  // The path comes from the process: shown as plain, visible text.
  LabelProcessPath = widgets::MakeLabel(this, f["LabelProcessPath"]);
  LabelProcessPath->SetCaption(QString::fromStdString(PlainText::Displayable(path.toStdString())));
  Label3 = widgets::MakeLabel(this, f["Label3"]);

  SliderPercent = new QSlider(Qt::Horizontal, this);
  SliderPercent->setObjectName("SliderPercent");
  SliderPercent->setGeometry(widgets::RectOf(f["SliderPercent"]));
  SliderPercent->setRange(1, 99);
  SliderPercent->setTickPosition(QSlider::TicksBelow);
  SliderPercent->setTickInterval(10);
  LabelPercent = widgets::MakeLabel(this, f["LabelPercent"]);
  connect(SliderPercent, &QSlider::valueChanged, this,
          [this](int value) { LabelPercent->SetCaption(QString::number(value)); });
  SliderPercent->setValue(99);
  SliderPercent->setValue(percent);
  new widgets::FocusFrame(SliderPercent);
  Label3->setBuddy(SliderPercent);  // names the slider for screen readers

  CommandModify = button::PlaceCommand(this, f["CommandModify"]);
  CommandFree = button::PlaceCommand(this, f["CommandFree"]);
  CommandOK = button::PlaceCommand(this, f["CommandOK"]);
  CommandCancel = button::PlaceCommand(this, f["CommandCancel"]);
  const bool change = mode == Mode::ChangeLimit;
  CommandModify->setVisible(change);
  CommandFree->setVisible(change);
  CommandOK->setVisible(!change);
  CommandCancel->setVisible(!change);
  // Return confirms: the dialog's default button.
  (change ? CommandModify : CommandOK)->SetDefaultButton(true);
  connect(CommandOK, &button::Command::Click, this, [this] { Finish(Outcome::Ok); });
  connect(CommandModify, &button::Command::Click, this, [this] { Finish(Outcome::Adjustment); });
  connect(CommandFree, &button::Command::Click, this, [this] { Finish(Outcome::Release); });
  connect(CommandCancel, &button::Command::Click, this, [this] { Finish(Outcome::Cancel); });
}

int FormSetProcessCpuPercent::Percent() const { return SliderPercent->value(); }

void FormSetProcessCpuPercent::Finish(Outcome outcome) {
  outcome_ = outcome;
  if (outcome == Outcome::Cancel) reject();
  else accept();
}

}  // namespace tarvelo
