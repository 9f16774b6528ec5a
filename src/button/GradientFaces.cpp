#include "button/GradientFaces.h"

#include <algorithm>
#include <array>

#include "button/ButtonPainter.h"

namespace tarvelo::button {

namespace {

using Channels = std::array<int, 3>;

Channels Split(Color c) { return {raster::Red(c), raster::Green(c), raster::Blue(c)}; }

// Running 32-bit float channel values, clamped to 0..255 after each step.
struct FloatRun {
  std::array<float, 3> value{};
  std::array<float, 3> step{};

  FloatRun(const Channels& start, const Channels& end, double divisor) {
    for (int k = 0; k < 3; ++k) {
      value[k] = static_cast<float>(start[k]);
      step[k] = static_cast<float>((end[k] - start[k]) / divisor);
    }
  }
  Color Current() const { return ChannelColor(value[0], value[1], value[2]); }
  void Advance() {
    for (int k = 0; k < 3; ++k) value[k] = std::clamp(value[k] + step[k], 0.0f, 255.0f);
  }
};

// Running integer channel values with whole steps, clamped after each step.
struct IntRun {
  Channels value{};
  Channels step{};

  IntRun(const Channels& start, int offset, const Channels& end, double divisor) {
    for (int k = 0; k < 3; ++k) {
      value[k] = start[k] + offset;
      step[k] = RoundInt((end[k] - start[k]) / divisor);
    }
  }
  Color Current() const { return ChannelColor(value[0], value[1], value[2]); }
  void Advance() {
    for (int k = 0; k < 3; ++k) value[k] = std::clamp(value[k] + step[k], 0, 255);
  }
};

// A shine row: from white at i = 0 toward c, c_k reached at i = divisor; no
// channel below 0.
void DrawShineRow(raster::PixelSurface& s, int y, const Channels& c, int last, int divisor) {
  if (divisor == 0) return;
  for (int i = 0; i <= last; ++i) {
    Channels shine;
    for (int k = 0; k < 3; ++k) shine[k] = std::max(0, 255 - (255 - c[k]) * i / divisor);
    s.DrawDot(i + 2, y, ChannelColor(shine[0], shine[1], shine[2]));
  }
}

}  // namespace

void DrawGlossFace(raster::PixelSurface& s, Color a, Color b, Color c, int p, bool flat) {
  const int w = s.Width();
  const int h = s.Height();
  if (flat) {
    s.DrawBox(1, 1, w - 2, h - 2, a);
    DrawRoundFrame(s, b, b);
    return;
  }
  const Channels ac = Split(a);
  const Channels cc = Split(c);
  const double split = static_cast<double>(h * p) / 100.0;

  // Upper gradient: the split row in a, the rows above toward c.
  if (split - 1 != 0) {
    FloatRun run(ac, cc, split - 1);
    for (int y = RoundInt(split); y >= 1; --y) {
      DrawRow(s, y, run.Current());
      run.Advance();
    }
  }

  // Two shine rows over the top of the face.
  DrawShineRow(s, 1, cc, w - 4, w - 10);
  DrawShineRow(s, 2, cc, w - w / 3 - 2, w - (2 * w) / 3 - 2);

  // Lower part: two rows in a, then a gradient from a toward c.
  DrawRow(s, RoundInt(split + 1), a);
  DrawRow(s, RoundInt(split + 2), a);
  if (const double divisor = h - split - 4; divisor != 0) {
    FloatRun run(ac, cc, divisor);
    for (int y = RoundInt(split + 3); y <= h - 4; ++y) {
      DrawRow(s, y, run.Current());
      run.Advance();
    }
  }
  if (h < 10) return;

  // Darker bands in the colour the face has at (2, H - 10).
  Color band = s.Pixel(2, h - 10);
  if (band == raster::kInvalidColor) band = 0;
  DrawRow(s, h - 9, band);
  DrawRow(s, h - 8, band);
  DrawRow(s, RoundInt(split + 5), a);
  s.DrawLine(1, h - 3, w - 2, h - 3, band);
  s.DrawLine(1, h - 2, w - 2, h - 2, band);

  DrawRoundFrame(s, b, b);
}

void DrawTwoToneFace(raster::PixelSurface& s, Color a, Color b, Color c, int p) {
  const int w = s.Width();
  const int h = s.Height();
  const Channels ac = Split(a);
  const Channels cc = Split(c);
  const double split = static_cast<double>(h * p) / 100.0;

  // Upper gradient, from the split row up to row 3.
  if (split - 1 != 0) {
    IntRun run(ac, 10, cc, split - 1);
    for (int y = RoundInt(split); y >= 3; --y) {
      DrawRow(s, y, run.Current());
      run.Advance();
    }
  }

  // The solid band, 27 % of the height below the split.
  const int bandEnd = RoundInt(split + 0.27 * h);
  for (int y = RoundInt(split + 1); y <= bandEnd; ++y) DrawRow(s, y, a);

  // Lower gradient, starting on the band's last row.
  if (const double divisor = h - split - 4; divisor != 0) {
    IntRun run(ac, 5, cc, divisor);
    for (int y = RoundInt(static_cast<double>((p + 27) * h) / 100.0); y <= h - 4; ++y) {
      DrawRow(s, y, run.Current());
      run.Advance();
    }
  }

  s.DrawBox(1, 1, w - 2, h - 2, raster::MakeColor(211, 229, 255), true);
  s.DrawBox(2, 2, w - 4, h - 4, raster::MakeColor(201, 216, 255), true);
  DrawRow(s, h - 3, raster::MakeColor(207, 234, 255));
  DrawRoundFrame(s, b, b);
}

}  // namespace tarvelo::button
