#include "button/ButtonPainter.h"

#include <climits>
#include <cmath>

#include "button/GradientFaces.h"
#include "common/ModulePublicFunction.h"

namespace tarvelo::button {

using raster::MakeColor;

namespace {

constexpr Color kFrameLine = MakeColor(0, 60, 115);
constexpr Color kFrameCorner = MakeColor(16, 77, 123);
constexpr Color kXpHoverRing = MakeColor(228, 144, 80);
constexpr Color kTwoToneFrame = MakeColor(81, 107, 148);
constexpr Color kOfficeCeiling = MakeColor(250, 250, 250);

// One repaint: the data, the surface and the text host, with the focus values
// of this repaint.
class Repaint {
 public:
  Repaint(CommandData& data, PixelSurface& surface, CaptionText& text)
      : d_(data), s_(surface), text_(text), w_(surface.Width()), h_(surface.Height()) {
    // The focus counts only while the focus rectangle is shown.
    focused_ = d_.hasFocus && d_.showFocusRect;
    marked_ = (d_.showFocusRect && d_.displayAsDefault) || focused_;
  }

  void Run() {
    s_.DrawBox(0, 0, w_, h_, d_.faceColor);
    if (!d_.enabled) {
      Disabled();
    } else if (d_.buttonState == kStateUp) {
      Up();
    } else if (d_.buttonState == kStateDown) {
      Down();
    }
  }

 private:
  void Up() {
    switch (d_.buttonType) {
      case 1:
        UpBordered();
        break;
      case 2:
        s_.DrawBox(1, 1, w_ - 2, h_ - 2, d_.lightColor);
        DrawRaisedBevel(s_, d_);
        if (marked_ && !d_.hover) DrawFocusRing(s_, BlueFocusRing(), 2);
        if (d_.hover) DrawHoverRing(s_, d_.rectColor);
        CaptionNormal(d_.textColor);
        break;
      case 3: {
        const bool standard = d_.colorScheme == 1;
        DrawGlossFace(s_, d_.midColor, standard ? MakeColor(183, 183, 183) : MakeColor(1, 109, 1), d_.endColor,
                      d_.percent, false);
        if (d_.hover) {
          DrawGlossFace(s_, d_.mouseMoveMidColor, standard ? MakeColor(82, 134, 182) : MakeColor(1, 109, 1),
                        d_.mouseMoveEndColor, d_.percent, false);
        }
        if (marked_) FocusFrame();
        CaptionNormal(d_.textColor);
        break;
      }
      case 4:
        DrawTwoToneFace(s_, d_.hover ? d_.mouseMoveMidColor : d_.midColor, kTwoToneFrame,
                        d_.hover ? d_.mouseMoveEndColor : d_.endColor, d_.percent);
        if (marked_) FocusFrame();
        CaptionNormal(d_.textColor);
        break;
      case 5: {
        const Color frame = d_.hover ? d_.officeXpMousemoveFrameColor : d_.officeXpFrameColor;
        const Color fill = d_.hover ? d_.officeXpMousemoveFillColor : d_.officeXpFillColor;
        s_.DrawBox(0, 0, w_, h_, frame, true);
        s_.DrawBox(1, 1, w_ - 2, h_ - 2, fill);
        if (focused_) FocusFrame();
        CaptionNormal(d_.textColor);
        break;
      }
      default:
        CaptionNormal(d_.textColor);
        break;
    }
  }

  void UpBordered() {
    if (d_.colorScheme == 2 || d_.colorScheme == 3) {
      const Color base = ShadeColor(d_.faceColor, 48, true);
      const float step = static_cast<float>(25.0 / h_);
      for (int i = 1; i <= h_ - 2; ++i) {
        s_.DrawLine(0, i, w_, i, ShadeColor(base, RoundInt(-step * static_cast<float>(i)), true));
      }
    } else if (d_.xpType == 1) {
      DrawWhiteFade(s_, 198, 197, 215, h_ - 2, 1, -1);
    } else if (d_.xpType == 2) {
      Color c = MakeColor(242, 237, 218);
      for (int y = h_ - 2; y >= 1; --y) {
        c = ShadeColor(c, 1);
        s_.DrawLine(1, y, w_ - 2, y, c);
      }
    } else if (d_.xpType == 3) {
      DrawWhiteFade(s_, 236, 235, 230, h_ - 2, 1, -1);
    }
    DrawRoundFrame(s_, kFrameLine, kFrameCorner);
    if (marked_ && !d_.hover) {
      if (d_.xpType == 1 || d_.xpType == 3) DrawFocusRing(s_, BlueFocusRing(), 1);
      if (d_.xpType == 2) DrawFocusRing(s_, GreenFocusRing(), 1);
      FocusFrame();
    }
    if (d_.hover) DrawHoverRing(s_, d_.xpType == 2 ? kXpHoverRing : d_.rectColor);
    CaptionNormal(d_.textColor);
  }

  void Down() {
    switch (d_.buttonType) {
      case 1:
        if (d_.xpType == 1) {
          DrawWhiteFade(s_, 171, 170, 188, 1, h_ - 2, 1);
        } else if (d_.xpType == 2) {
          const Color base = ShadeColor(ShadeColor(d_.faceColor, 48, true), -32, true);
          const float step = static_cast<float>(15.0 / h_);
          for (int i = 1; i <= h_; ++i) {
            s_.DrawLine(0, h_ - i, w_, h_ - i, ShadeColor(base, RoundInt(-step * static_cast<float>(i)), true));
          }
        } else if (d_.xpType == 3) {
          DrawWhiteFade(s_, 224, 224, 216, 1, h_ - 2, 1);
        }
        CaptionPressed(d_.textColor);
        DrawRoundFrame(s_, kFrameLine, kFrameCorner);
        if (focused_) FocusFrame();
        break;
      case 2:
        DrawSunkenBevel(s_, d_);
        CaptionPressed(d_.lightColor);
        break;
      case 3:
        if (d_.colorScheme == 1) {
          DrawGlossFace(s_, d_.mouseDownMidColor, MakeColor(203, 130, 62), d_.mouseDownEndColor, d_.percent, false);
        } else {
          DrawGlossFace(s_, d_.mouseDownMidColor, MakeColor(84, 157, 84), d_.mouseDownEndColor, d_.percent, true);
        }
        CaptionPressed(d_.textColor);
        if (focused_) FocusFrame();
        break;
      case 4:
        DrawTwoToneFace(s_, d_.mouseDownMidColor, kTwoToneFrame, d_.mouseDownEndColor, d_.percent);
        CaptionPressed(d_.textColor);
        if (focused_) FocusFrame();
        break;
      case 5: {
        s_.DrawBox(0, 0, w_, h_, d_.officeXpMousemoveFrameColor, true);
        const Color fill = d_.colorScheme == 3
                               ? TintColor(d_.officeXpMousemoveFillColor, -40, -30, -15, kOfficeCeiling)
                               : TintColor(d_.officeXpMousemoveFillColor, -30, -30, -60, kOfficeCeiling);
        s_.DrawBox(1, 1, w_ - 2, h_ - 2, fill);
        CaptionPressed(d_.textColor);
        if (focused_) FocusFrame();
        break;
      }
      default:
        break;
    }
  }

  void Disabled() {
    switch (d_.buttonType) {
      case 1: {
        const Color frame = MakeColor(201, 199, 186);
        s_.DrawBox(0, 0, w_, h_, MakeColor(244, 244, 234));
        CaptionNormal(MakeColor(161, 162, 146));
        DrawRoundFrame(s_, frame, frame);
        break;
      }
      case 2:
        // A shadow copy of the caption with a highlight copy one pixel to the
        // right and below on top of it.
        s_.DrawBox(1, 1, w_ - 2, h_ - 2, d_.lightColor);
        text_.DrawText(s_, d_.caption, d_.textRect, d_.shadowColor, TextForm::kSingleLine);
        DrawRaisedBevel(s_, d_);
        if (const float width = text_.TextWidth(d_.caption); width <= static_cast<float>(w_)) {
          text_.DrawText(s_, d_.caption, d_.pressedTextRect, d_.highlightColor, TextForm::kSingleLine);
        } else if (w_ > 0) {
          d_.pressedTextRect.top = WrapTop(WrappedLines(width)) + 2;
          text_.DrawText(s_, d_.caption, d_.pressedTextRect, d_.highlightColor, TextForm::kWrapped);
        }
        break;
      case 3: {
        const Color frame = MakeColor(204, 204, 202);
        s_.DrawBox(1, 1, w_ - 2, h_ - 2, MakeColor(241, 242, 237));
        DrawRoundFrame(s_, frame, frame);
        CaptionNormal(MakeColor(171, 168, 153));
        break;
      }
      case 4:
        DrawTwoToneFace(s_, MakeColor(198, 218, 255), MakeColor(128, 140, 162), MakeColor(232, 242, 255), 53);
        CaptionNormal(MakeColor(171, 168, 153));
        break;
      case 5: {
        const bool grey = d_.colorScheme == 3;
        const Color frame = grey ? d_.officeXpFrameColor : MakeColor(188, 188, 64);
        const Color fill = grey ? d_.officeXpFillColor : MakeColor(238, 239, 208);
        s_.DrawBox(0, 0, w_, h_, frame, true);
        s_.DrawBox(1, 1, w_ - 2, h_ - 2, fill);
        CaptionNormal(frame);
        break;
      }
      default:
        break;
    }
  }

  void FocusFrame() { DrawFocusFrame(s_, d_.focusRect, d_.textColor); }

  // Lines a caption too wide for the button takes beyond the first.
  int WrappedLines(float width) const { return RoundInt(width) / w_; }

  // The top that centres a block of lines + 1 lines vertically.
  int WrapTop(int lines) {
    const float height = text_.TextHeight(d_.caption);
    return RoundInt(static_cast<float>(h_) - height * static_cast<float>(lines + 1)) / 2;
  }

  // The caption in TextRect: one line when it fits, else wrapped and centred
  // vertically. TextRect keeps the top of the last wrapped layout.
  void CaptionNormal(Color color) {
    const float width = text_.TextWidth(d_.caption);
    if (width <= static_cast<float>(w_)) {
      text_.DrawText(s_, d_.caption, d_.textRect, color, TextForm::kSingleLine);
      return;
    }
    if (w_ <= 0) return;  // nothing to wrap into
    d_.textRect.top = WrapTop(WrappedLines(width));
    text_.DrawText(s_, d_.caption, d_.textRect, color, TextForm::kWrapped);
  }

  // The caption in PressedTextRect, which starts at (2, 2): one pixel right
  // and down of the normal place.
  void CaptionPressed(Color color) {
    if (text_.TextWidth(d_.caption) <= static_cast<float>(w_)) {
      text_.DrawText(s_, d_.caption, d_.pressedTextRect, color, TextForm::kSingleLine);
      return;
    }
    d_.pressedTextRect.top = d_.textRect.top + 2;
    text_.DrawText(s_, d_.caption, d_.pressedTextRect, color, TextForm::kWrapped);
  }

  CommandData& d_;
  PixelSurface& s_;
  CaptionText& text_;
  const int w_;
  const int h_;
  bool focused_ = false;
  bool marked_ = false;
};

}  // namespace

int RoundInt(double value) {
  if (std::isnan(value)) return 0;
  const double rounded = ModulePublicFunction::RoundHalfEven(value);
  if (rounded >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (rounded <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(rounded);
}

void DrawRow(PixelSurface& s, int y, Color color) { s.DrawLine(1, y, s.Width() - 1, y, color); }

void DrawRoundFrame(PixelSurface& s, Color line, Color corner) {
  const int w = s.Width();
  const int h = s.Height();
  s.DrawLine(2, 0, w - 2, 0, line);
  s.DrawLine(2, h - 1, w - 2, h - 1, line);
  s.DrawLine(0, 2, 0, h - 2, line);
  s.DrawLine(w - 1, 2, w - 1, h - 2, line);
  s.DrawDot(1, 1, corner);
  s.DrawDot(1, h - 2, corner);
  s.DrawDot(w - 2, 1, corner);
  s.DrawDot(w - 2, h - 2, corner);
}

void DrawWhiteFade(PixelSurface& s, int red, int green, int blue, int first, int last, int step) {
  const int divisor = s.Height() - 5;
  if (divisor <= 0 || step == 0) return;
  const double increment[3] = {(255.0 - red) / divisor, (255.0 - green) / divisor, (255.0 - blue) / divisor};
  float value[3] = {static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue)};
  for (int y = first; step > 0 ? y <= last : y >= last; y += step) {
    for (int k = 0; k < 3; ++k) {
      value[k] = static_cast<float>(value[k] + increment[k]);
      if (value[k] > 255.0f) value[k] = 255.0f;
    }
    s.DrawLine(1, y, s.Width() - 1, y, ChannelColor(value[0], value[1], value[2]));
  }
}

void DrawFocusFrame(PixelSurface& s, const Rect& r, Color textColor) {
  const auto invert = [&](int x, int y) {
    const Color pixel = s.Pixel(x, y);
    if (pixel == raster::kInvalidColor) return;
    s.DrawDot(x, y, pixel ^ (((x + y) & 1) == 0 ? Color{0xFFFFFF} : (textColor & 0xFFFFFF)));
  };
  if (r.right <= r.left || r.bottom <= r.top) return;
  for (int x = r.left; x < r.right; ++x) invert(x, r.top);
  for (int x = r.left; x < r.right; ++x) invert(x, r.bottom - 1);
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    invert(r.left, y);
    invert(r.right - 1, y);
  }
}

void DrawHoverRing(PixelSurface& s, Color c) {
  const int w = s.Width();
  const int h = s.Height();
  s.DrawBox(2, 1, w - 4, h - 2, c, true);
  s.DrawLine(1, 2, 1, h - 2, c);
  s.DrawLine(3, 2, w - 3, 2, c);
  s.DrawLine(w - 2, 2, w - 2, h - 2, c);
  s.DrawLine(3, h - 3, w - 3, h - 3, c);
}

FocusRingColors BlueFocusRing() {
  return {MakeColor(140, 174, 231), MakeColor(107, 130, 239), MakeColor(206, 231, 255), MakeColor(189, 215, 247),
          MakeColor(181, 209, 240)};
}

FocusRingColors GreenFocusRing() {
  const Color green = MakeColor(122, 184, 98);
  return {green, green, green, green, green};
}

void DrawFocusRing(PixelSurface& s, const FocusRingColors& c, int buttonType) {
  const int w = s.Width();
  const int h = s.Height();
  s.DrawBox(1, 2, w - 2, h - 4, c.c1, true);
  s.DrawLine(2, h - 2, w - 2, h - 2, c.c2);
  s.DrawLine(2, 1, w - 2, 1, c.c3);
  if (buttonType == 2) {
    s.DrawLine(1, 2, w - 1, 2, c.c4);
  } else {
    s.DrawLine(2, 2, w - 2, 2, c.c4);
  }
  s.DrawLine(2, 3, 2, h - 3, c.c5);
  s.DrawLine(w - 3, 3, w - 3, h - 3, c.c5);
}

void DrawRaisedBevel(PixelSurface& s, const CommandData& d) {
  const int w = s.Width();
  const int h = s.Height();
  DrawRoundFrame(s, d.darkShadowColor, d.darkShadowColor);
  s.DrawDot(1, 2, d.faceColor);
  s.DrawDot(2, 1, d.faceColor);
  s.DrawLine(3, 2, w - 3, 2, d.highlightColor);
  s.DrawLine(2, 2, 2, h - 3, d.highlightColor);
  s.DrawDot(3, 3, d.highlightColor);
  s.DrawLine(w - 3, 1, w - 3, h - 3, d.faceColor);
  s.DrawLine(1, h - 3, w - 3, h - 3, d.faceColor);
  s.DrawDot(w - 4, h - 4, d.faceColor);
  s.DrawLine(w - 2, 3, w - 2, h - 2, d.shadowColor);
  s.DrawLine(3, h - 2, w - 2, h - 2, d.shadowColor);
  s.DrawDot(w - 3, h - 3, d.shadowColor);
  s.DrawDot(2, h - 2, d.faceColor);
  s.DrawDot(w - 2, 2, d.faceColor);
  s.DrawDot(2, h - 3, d.lightColor);
  s.DrawDot(w - 3, 2, d.lightColor);
}

void DrawSunkenBevel(PixelSurface& s, const CommandData& d) {
  const int w = s.Width();
  const int h = s.Height();
  const Color shadow = d.shadowColor;
  const Color shade16 = ShadeColor(shadow, -16);
  const Color shade32 = ShadeColor(shadow, -32);
  const Color shade64 = ShadeColor(shadow, -64);
  s.DrawBox(1, 1, w - 2, h - 2, shade16);
  s.DrawLine(2, 0, w - 2, 0, d.darkShadowColor);
  s.DrawLine(2, h - 1, w - 2, h - 1, d.darkShadowColor);
  s.DrawLine(0, 2, 0, h - 2, d.darkShadowColor);
  s.DrawLine(w - 1, 2, w - 1, h - 2, d.darkShadowColor);
  s.DrawBox(1, 1, w - 2, h - 2, shade64, true);
  s.DrawBox(2, 2, w - 4, h - 4, shade32, true);
  s.DrawDot(2, 2, shade64);
  s.DrawDot(3, 3, shade32);
  s.DrawDot(1, 1, d.darkShadowColor);
  s.DrawDot(1, h - 2, d.darkShadowColor);
  s.DrawDot(w - 2, 1, d.darkShadowColor);
  s.DrawDot(w - 2, h - 2, d.darkShadowColor);
  s.DrawLine(w - 3, 1, w - 3, h - 3, shadow);
  s.DrawLine(1, h - 3, w - 2, h - 3, shadow);
  s.DrawDot(w - 4, h - 4, shadow);
  s.DrawLine(w - 2, 3, w - 2, h - 2, shade16);
  s.DrawLine(3, h - 2, w - 2, h - 2, shade16);
  s.DrawDot(w - 2, h - 3, shade32);
  s.DrawDot(w - 3, h - 2, shade32);
  s.DrawDot(2, h - 2, shade32);
  s.DrawDot(2, h - 3, shade16);
  s.DrawDot(1, h - 3, shade16);
  s.DrawDot(w - 2, 2, shade32);
  s.DrawDot(w - 3, 2, shade16);
  s.DrawDot(w - 3, 1, shade16);
}

bool DrawButton(CommandData& data, std::uint8_t state, bool force, PixelSurface& surface, CaptionText& text) {
  if (!force && data.caption == data.paintedCaption && state == data.buttonState) return false;
  if (surface.Height() == 0) return false;
  data.buttonState = state;
  data.paintedCaption = data.caption;
  Repaint(data, surface, text).Run();
  return true;
}

}  // namespace tarvelo::button

namespace tarvelo::button {

void FitRectsToSize(CommandData& data, int width, int height) {
  data.textRect.right = width;
  data.textRect.bottom = height;
  data.pressedTextRect.right = width;
  data.pressedTextRect.bottom = height;
  data.focusRect = {2, 2, width - 2, height - 2};
}

void DrawButtonAtSize(const CommandData& data, int width, int height, PixelSurface& surface, CaptionText& text) {
  CommandData sized = data;
  FitRectsToSize(sized, width, height);
  surface.Resize(width, height, sized.faceColor);
  DrawButton(sized, sized.buttonState, true, surface, text);
}

}  // namespace tarvelo::button
