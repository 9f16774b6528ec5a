#include "cpulimit/FormSetProcessCpuPercent.h"

#include <QSlider>

#include "button/Command.h"
#include "common/PlainText.h"
#include "widgets/FocusFrame.h"
#include "widgets/Fonts.h"
#include "widgets/Label.h"
#include "widgets/Twips.h"

namespace tarvelo {

using widgets::Label;

FormSetProcessCpuPercent::FormSetProcessCpuPercent(QWidget* owner, Mode mode, const QString& pid,
                                                   const QString& path, const QIcon& icon, int percent)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("FormSetProcessCpuPercent");
  setWindowTitle("Limit process CPU usage");
  setFont(widgets::WindowFont());
  setFixedSize(widgets::TwipsSize(7110, 3555));
  setModal(true);

  ImageProcessIco = new Label(this, "ImageProcessIco", "", 120, 120);
  ImageProcessIco->SetFixedSizeTwips(615, 615, false);
  ImageProcessIco->setAlignment(Qt::AlignCenter);
  if (!icon.isNull()) ImageProcessIco->setPixmap(icon.pixmap(32));

  Label2 = new Label(this, "Label2", "PID:", 1290, 240);
  LabelProcessPID = new Label(this, "LabelProcessPID", pid, 1800, 240);
  Label1 = new Label(this, "Label1", "Process:", 960, 600);
  // The path comes from the process: shown as plain, visible text.
  LabelProcessPath = new Label(this, "LabelProcessPath",
                               QString::fromStdString(PlainText::Displayable(path.toStdString())), 1800, 600);
  LabelProcessPath->SetFixedSizeTwips(5085, 450);
  LabelProcessPath->setWordWrap(true);
  Label3 = new Label(this, "Label3", "limit CPU usage:", 360, 1440);

  SliderPercent = new QSlider(Qt::Horizontal, this);
  SliderPercent->setObjectName("SliderPercent");
  SliderPercent->setGeometry(widgets::TwipsRect(1800, 1320, 4335, 615));
  SliderPercent->setRange(1, 99);
  SliderPercent->setTickPosition(QSlider::TicksBelow);
  SliderPercent->setTickInterval(10);
  LabelPercent = new Label(this, "LabelPercent", "99", 6360, 1440);
  LabelPercent->SetFixedSizeTwips(615, 495, false);
  connect(SliderPercent, &QSlider::valueChanged, this,
          [this](int value) { LabelPercent->SetCaption(QString::number(value)); });
  SliderPercent->setValue(99);
  SliderPercent->setValue(percent);
  new widgets::FocusFrame(SliderPercent);
  Label3->setBuddy(SliderPercent);  // names the slider for screen readers

  CommandModify = button::PlaceCommand(this, "CommandModify", "Adjustment", 2040, 2160, 1335, 375);
  CommandFree = button::PlaceCommand(this, "CommandFree", "Release", 3600, 2160, 1335, 375);
  CommandOK = button::PlaceCommand(this, "CommandOK", "OK", 2040, 2640, 1335, 375);
  CommandCancel = button::PlaceCommand(this, "CommandCancel", "Cancel", 3600, 2640, 1335, 375);
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
