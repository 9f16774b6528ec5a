#include "button/Command.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QRegion>
#include <QShortcutEvent>
#include <QTimer>
#include <utility>

#include "widgets/Fonts.h"
#include "widgets/SurfaceImage.h"
#include "widgets/Twips.h"

namespace tarvelo::button {

namespace {

constexpr int kHoverInterval = 10;  // ms

Color ToColor(const QColor& c) { return raster::MakeColor(c.red(), c.green(), c.blue()); }

qint16 ButtonMask(Qt::MouseButtons buttons) {
  qint16 mask = 0;
  if (buttons & Qt::LeftButton) mask |= 1;
  if (buttons & Qt::RightButton) mask |= 2;
  if (buttons & Qt::MiddleButton) mask |= 4;
  return mask;
}

qint16 ShiftMask(Qt::KeyboardModifiers modifiers) {
  qint16 mask = 0;
  if (modifiers & Qt::ShiftModifier) mask |= 1;
  if (modifiers & Qt::ControlModifier) mask |= 2;
  if (modifiers & Qt::AltModifier) mask |= 4;
  return mask;
}

// The key code the button's key events carry (the Windows virtual-key
// numbering); -1 for a key without one.
int VirtualKey(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return -1;
  }
}

bool ReturnKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// Keys the button handles itself; the others go on to the window (Escape to
// a dialog, for example). Return presses the focused button, as on any push
// button.
bool OwnKey(int key) {
  return key == Qt::Key_Space || key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
         key == Qt::Key_Down || ReturnKey(key);
}

}  // namespace

// The model's view of the widget, and the events it raises, as signals.
class Command::Site : public CommandSite, public CommandEvents {
 public:
  explicit Site(Command& owner) : owner_(owner) {}

  QtCaptionText text;

  CaptionText& Text() override { return text; }
  void ImageChanged() override {
    owner_.ShowImage();
    owner_.update();
  }
  void RefreshNow() override { owner_.repaint(); }
  void SetWindowShape(const Region& shape) override {
    // A full rectangle needs no mask.
    const Rect full{0, 0, owner_.model_->Width(), owner_.model_->Height()};
    if (shape.IsEmpty() || (shape.Rects().size() == 1 && shape.Rects().front() == full)) {
      owner_.clearMask();
      return;
    }
    QRegion region;
    for (const Rect& r : shape.Rects()) region += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    owner_.setMask(region);
  }
  void SetWindowEnabled(bool enabled) override {
    owner_.syncingEnabled_ = true;
    owner_.setEnabled(enabled);
    owner_.syncingEnabled_ = false;
  }
  void SetWindowFont(const ButtonFont& font) override { text.SetFont(ToQFont(font)); }
  void SetAccessKey(std::string_view key) override {
    owner_.GrabAccessKey(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())));
  }
  void SetHoverTimer(bool enabled) override {
    if (enabled) owner_.timer1_->start();
    else owner_.timer1_->stop();
  }
  Point CursorPosition() override {
    // A hidden button is under no pointer: its hover ends and its timer stops.
    if (!owner_.isVisible()) return {-1, -1};
    const QPoint p = owner_.mapFromGlobal(QCursor::pos());
    return {p.x(), p.y()};
  }
  void MoveFocus(FocusMove move) override { owner_.focusNextPrevChild(move == FocusMove::kNext); }
  std::int32_t WindowHandle() override {
    // The native window that shows the button; none is created for it.
    return static_cast<std::int32_t>(owner_.window()->internalWinId());
  }
  void PropertyChanged(std::string_view name) override {
    emit owner_.PropertyChanged(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  }

  void Click() override { emit owner_.Click(); }
  void KeyDown(std::int16_t& keyCode, std::int16_t& shift) override { emit owner_.KeyDown(keyCode, shift); }
  void KeyPress(std::int16_t& keyAscii) override { emit owner_.KeyPress(keyAscii); }
  void KeyUp(std::int16_t& keyCode, std::int16_t& shift) override { emit owner_.KeyUp(keyCode, shift); }
  void MouseDown(std::int16_t& button, std::int16_t& shift, float& x, float& y) override {
    emit owner_.MouseDown(button, shift, x, y);
  }
  void MouseMove(std::int16_t& button, std::int16_t& shift, float& x, float& y) override {
    emit owner_.MouseMove(button, shift, x, y);
  }
  void MouseUp(std::int16_t& button, std::int16_t& shift, float& x, float& y) override {
    emit owner_.MouseUp(button, shift, x, y);
  }
  void MouseOut() override { emit owner_.MouseOut(); }

 private:
  Command& owner_;
};

Command::Command(QWidget* parent, const QString& name, int) : QWidget(parent), site_(std::make_unique<Site>(*this)) {
  setObjectName(name);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(kHoverInterval);
  connect(timer1_, &QTimer::timeout, this, [this] { model_->Timer1Tick(); });
  site_->text.SetDpi(logicalDpiX(), logicalDpiY());
  model_ = std::make_unique<CommandModel>(*site_, *site_, PaletteSystemColors());
  model_->SetAmbientFont(ToButtonFont(font()));
}

Command::Command(QWidget* parent, const QString& name) : Command(parent, name, 0) {
  model_->InitProperties(name.toStdString());
}

Command::Command(QWidget* parent, const QString& name, const PropertyBag& saved) : Command(parent, name, 0) {
  model_->ReadProperties(saved);
}

Command::~Command() = default;

QString Command::Caption() const { return QString::fromStdString(model_->Caption()); }

void Command::SetCaption(const QString& caption) { model_->SetCaption(caption.toStdString()); }

void Command::SetDefaultButton(bool isDefault) {
  model_->SetDisplayAsDefault(isDefault);
  // The default button takes Return and Enter anywhere in its window, unless
  // another button has the focus (that one takes them, see event()).
  for (int& id : defaultKeyIds_) {
    if (id != 0) releaseShortcut(id);
    id = 0;
  }
  if (isDefault) {
    defaultKeyIds_[0] = grabShortcut(QKeySequence(Qt::Key_Return), Qt::WindowShortcut);
    defaultKeyIds_[1] = grabShortcut(QKeySequence(Qt::Key_Enter | Qt::KeypadModifier), Qt::WindowShortcut);
  }
}

void Command::ShowImage() {
  frame_ = widgets::SurfaceImage(model_->Surface());
  deviceFrame_ = QImage();  // painted again at the device's size when next shown
}

QImage Command::DeviceImage(qreal ratio) {
  if (!deviceFrame_.isNull() && deviceFrame_.devicePixelRatio() == ratio) return deviceFrame_;
  // The same recipe at the device's size, the caption in the font at that scale.
  QtCaptionText text;
  text.SetFont(site_->text.Font());
  text.SetDpi(qRound(logicalDpiX() * ratio), qRound(logicalDpiY() * ratio));
  PixelSurface surface;
  DrawButtonAtSize(model_->Data(), RoundInt(model_->Width() * ratio), RoundInt(model_->Height() * ratio), surface,
                   text);
  deviceFrame_ = widgets::SurfaceImage(surface, ratio);
  return deviceFrame_;
}

void Command::GrabAccessKey(const QString& key) {
  if (shortcutId_ != 0) releaseShortcut(shortcutId_);
  shortcutId_ = 0;
  if (key.isEmpty()) return;
  const QKeySequence sequence = QKeySequence::mnemonic(QLatin1Char('&') + key.toLower());
  if (!sequence.isEmpty()) shortcutId_ = grabShortcut(sequence);
}

bool Command::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // A focused button keeps Return for itself, ahead of the default button.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (ReturnKey(key->key()) && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      event->accept();
      return true;
    }
  }
  if (event->type() == QEvent::Shortcut) {
    const auto* shortcut = static_cast<QShortcutEvent*>(event);
    if (shortcut->shortcutId() != 0 &&
        (shortcut->shortcutId() == defaultKeyIds_[0] || shortcut->shortcutId() == defaultKeyIds_[1])) {
      if (isVisible()) model_->AccessKeyPress();
      return true;
    }
    if (shortcut->shortcutId() == shortcutId_) {
      // Two controls with the same key: the first press only moves the focus.
      if (shortcut->isAmbiguous()) setFocus(Qt::ShortcutFocusReason);
      else model_->AccessKeyPress();
      return true;
    }
  }
  return QWidget::event(event);
}

void Command::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const qreal ratio = widgets::PaintDeviceRatio(painter);
  // At 1x one surface pixel is one pixel; above, the button is painted again
  // at device pixels rather than a 1x image scaled up.
  if (ratio == 1.0 || model_->Height() == 0) painter.drawImage(QPoint(0, 0), frame_);
  else painter.drawImage(QPoint(0, 0), DeviceImage(ratio));
}

void Command::resizeEvent(QResizeEvent*) { model_->Resize(width(), height()); }

void Command::mousePressEvent(QMouseEvent* event) {
  const QPointF p = event->position();
  model_->MouseDown(ButtonMask(event->button()), ShiftMask(event->modifiers()), static_cast<float>(p.x()),
                    static_cast<float>(p.y()));
}

void Command::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF p = event->position();
  const bool endsDoubleClick = std::exchange(releaseEndsDoubleClick_, false);
  model_->MouseUp(ButtonMask(event->button()), ShiftMask(event->modifiers()), static_cast<float>(p.x()),
                  static_cast<float>(p.y()));
  if (event->button() != Qt::LeftButton || endsDoubleClick) return;
  const QPoint at = p.toPoint();
  if (rect().contains(at) && (mask().isEmpty() || mask().contains(at))) model_->Click();
}

void Command::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    mousePressEvent(event);
    return;
  }
  // The second press of a double click; its release brings no second Click.
  releaseEndsDoubleClick_ = true;
  model_->DoubleClick();
}

void Command::mouseMoveEvent(QMouseEvent* event) {
  const QPointF p = event->position();
  model_->MouseMove(ButtonMask(event->buttons()), ShiftMask(event->modifiers()), static_cast<float>(p.x()),
                    static_cast<float>(p.y()));
}

void Command::keyPressEvent(QKeyEvent* event) {
  const int key = VirtualKey(event->key());
  if (key >= 0) model_->KeyDown(static_cast<qint16>(key), ShiftMask(event->modifiers()));
  if (const QString text = event->text(); !text.isEmpty() && text.at(0).unicode() < 0x8000) {
    model_->KeyPress(static_cast<qint16>(text.at(0).unicode()));
  }
  if (ReturnKey(event->key()) && !event->isAutoRepeat()) model_->AccessKeyPress();
  event->setAccepted(OwnKey(event->key()));
}

void Command::keyReleaseEvent(QKeyEvent* event) {
  // A held key repeats its press only; its release comes once, at the end.
  if (event->isAutoRepeat()) {
    event->setAccepted(OwnKey(event->key()));
    return;
  }
  const int key = VirtualKey(event->key());
  if (key >= 0) model_->KeyUp(static_cast<qint16>(key), ShiftMask(event->modifiers()));
  event->setAccepted(OwnKey(event->key()));
}

void Command::focusInEvent(QFocusEvent*) { model_->GotFocus(); }

void Command::focusOutEvent(QFocusEvent*) { model_->LostFocus(); }

void Command::changeEvent(QEvent* event) {
  // Enabling or disabling the widget directly sets the Enabled property too.
  if (event->type() == QEvent::EnabledChange && !syncingEnabled_) {
    const bool enabled = !testAttribute(Qt::WA_Disabled);
    if (enabled != model_->Enabled()) model_->SetEnabled(enabled);
  }
  QWidget::changeEvent(event);
}

Command* PlaceCommand(QWidget* parent, const QString& name, const QString& caption, int leftTwips, int topTwips,
                      int widthTwips, int heightTwips) {
  const PropertyBag saved{
      {"Caption", caption.toStdString()},
      {"XpType", std::int64_t{2}},
      {"Font", ToButtonFont(widgets::WindowFont())},
  };
  auto* command = new Command(parent, name, saved);
  command->setGeometry(widgets::TwipsRect(leftTwips, topTwips, widthTwips, heightTwips));
  return command;
}

Command* PlaceCommand(QWidget* parent, const form::Control& control) {
  Command* command = PlaceCommand(parent, control.name, QString::fromUtf8(control.text), control.left, control.top,
                                  control.width, control.height);
  if (control.hidden) command->hide();
  return command;
}

SystemColors PaletteSystemColors() {
  const QPalette palette = QGuiApplication::palette();
  return {
      .buttonFace = ToColor(palette.color(QPalette::Button)),
      .buttonText = ToColor(palette.color(QPalette::ButtonText)),
      .buttonShadow = ToColor(palette.color(QPalette::Dark)),
      .light3d = ToColor(palette.color(QPalette::Midlight)),
      .darkShadow3d = ToColor(palette.color(QPalette::Shadow)),
      .buttonHighlight = ToColor(palette.color(QPalette::Light)),
  };
}

}  // namespace tarvelo::button
