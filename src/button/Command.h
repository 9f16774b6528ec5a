#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

#include "button/CommandModel.h"
#include "button/CommandText.h"
#include "forms/Form.h"

class QTimer;

namespace tarvelo::button {

// The program's push button on screen. It shows the image its model paints,
// takes the window shape the model builds, and turns Qt input into the
// model's input. Its events are signals; hosts listen to Click.
class Command : public QWidget {
  Q_OBJECT

 public:
  // A newly placed instance: default properties, the caption is its name.
  Command(QWidget* parent, const QString& name);
  // An instance loaded from its saved properties.
  Command(QWidget* parent, const QString& name, const PropertyBag& saved);
  ~Command() override;

  CommandModel& Model() { return *model_; }
  const CommandModel& Model() const { return *model_; }

  QString Caption() const;
  void SetCaption(const QString& caption);

  // The host's ambient values: whether it shows this button as its default
  // button, and whether the program runs (not a form designer).
  bool IsDefaultButton() const { return Model().Data().displayAsDefault; }
  void SetDefaultButton(bool isDefault);
  bool RunMode() const { return Model().UserMode(); }
  void SetRunMode(bool runMode) { model_->SetUserMode(runMode); }

  // The hover timer; it runs only while the pointer may be over the button.
  QTimer* Timer1() const { return timer1_; }

 signals:
  void Click();
  void KeyDown(qint16& keyCode, qint16& shift);
  void KeyPress(qint16& keyAscii);
  void KeyUp(qint16& keyCode, qint16& shift);
  void MouseDown(qint16& button, qint16& shift, float& x, float& y);
  void MouseMove(qint16& button, qint16& shift, float& x, float& y);
  void MouseUp(qint16& button, qint16& shift, float& x, float& y);
  void MouseOut();
  void PropertyChanged(const QString& name);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  class Site;

  explicit Command(QWidget* parent, const QString& name, int);
  void ShowImage();
  // The button painted at `ratio` device pixels per pixel.
  QImage DeviceImage(qreal ratio);
  void GrabAccessKey(const QString& key);

  std::unique_ptr<Site> site_;
  std::unique_ptr<CommandModel> model_;
  QTimer* timer1_ = nullptr;
  QImage frame_;
  QImage deviceFrame_;  // frame_ at the device pixel ratio, made when first shown there
  int shortcutId_ = 0;
  int defaultKeyIds_[2] = {0, 0};  // Return and Enter while this is the default button
  bool syncingEnabled_ = false;
  bool releaseEndsDoubleClick_ = false;
};

// A button as the program's windows place them: at a position and size in
// twips, with a caption and an object name, loaded with the saved properties
// of the program's own buttons (XpType 2, Verdana 7.5 pt).
Command* PlaceCommand(QWidget* parent, const QString& name, const QString& caption, int leftTwips, int topTwips,
                      int widthTwips, int heightTwips);
// The same for a button of a form's description.
Command* PlaceCommand(QWidget* parent, const form::Control& control);

// The system colours of the application palette.
SystemColors PaletteSystemColors();

}  // namespace tarvelo::button
