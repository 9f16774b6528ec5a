#pragma once

#include <QDialog>

class QSlider;

namespace tarvelo::widgets {
class Label;
}
namespace tarvelo::button {
class Command;
}

namespace tarvelo {

// "Limit process CPU usage": the percent for one process, new or changed.
// Created for each opening and destroyed after it; its outcome is read by
// whoever opened it.
class FormSetProcessCpuPercent : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { NewLimit, ChangeLimit };
  // What the user chose; Cancel also stands for any other way of closing.
  enum class Outcome { Cancel, Ok, Adjustment, Release };

  FormSetProcessCpuPercent(QWidget* owner, Mode mode, const QString& pid, const QString& path, const QIcon& icon,
                           int percent);

  Outcome Result() const { return outcome_; }
  int Percent() const;

  widgets::Label* ImageProcessIco;
  widgets::Label* Label2;
  widgets::Label* LabelProcessPID;
  widgets::Label* Label1;
  widgets::Label* LabelProcessPath;
  widgets::Label* Label3;
  QSlider* SliderPercent;
  widgets::Label* LabelPercent;
  button::Command* CommandModify;
  button::Command* CommandFree;
  button::Command* CommandOK;
  button::Command* CommandCancel;

 private:
  void Finish(Outcome outcome);

  Outcome outcome_ = Outcome::Cancel;
};

}  // namespace tarvelo
