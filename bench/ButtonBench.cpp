// One full repaint of a Command button (DrawButton) in each style, for the
// program's two button sizes, against the floor: a plain fill of the same
// surface. With the GUI, also with its caption drawn through Qt.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "button/CommandModel.h"

#ifdef TARVELO_BENCH_GUI
#include <QGuiApplication>

#include "button/CommandText.h"
#include "widgets/Fonts.h"
#endif

namespace {

using namespace tarvelo::button;

class NoText : public CaptionText {
 public:
  float TextWidth(std::string_view text) override { return 7.0f * static_cast<float>(text.size()); }
  float TextHeight(std::string_view) override { return 12.0f; }
  void DrawText(PixelSurface&, std::string_view, const Rect&, Color, TextForm) override {}
};

class BenchSite : public CommandSite {
 public:
  explicit BenchSite(CaptionText& text) : text_(text) {}
  CaptionText& Text() override { return text_; }
  void ImageChanged() override {}
  void RefreshNow() override {}
  void SetWindowShape(const Region&) override {}
  void SetWindowEnabled(bool) override {}
  void SetWindowFont(const ButtonFont&) override {}
  void SetAccessKey(std::string_view) override {}
  void SetHoverTimer(bool) override {}
  Point CursorPosition() override { return {}; }
  void MoveFocus(FocusMove) override {}
  std::int32_t WindowHandle() override { return 0; }
  void PropertyChanged(std::string_view) override {}

 private:
  CaptionText& text_;
};

struct Style {
  const char* name;
  int buttonType;
  int xpType;
};
constexpr Style kStyles[] = {
    {"bordered-beige", 1, 2}, {"bordered-blue", 1, 1}, {"classic", 2, 1},
    {"gloss", 3, 1},          {"two-tone", 4, 1},      {"flat", 5, 1},
};
constexpr int kSizes[][2] = {{233, 33}, {97, 25}};

void PlainFill(benchmark::State& state, int w, int h) {
  PixelSurface surface(w, h);
  Color c = 0;
  for (auto _ : state) {
    surface.DrawBox(0, 0, w, h, ++c);
    benchmark::DoNotOptimize(surface.Pixels().data());
  }
}

void Repaint(benchmark::State& state, const Style& style, int w, int h, CaptionText& text) {
  BenchSite site(text);
  CommandEvents events;
  CommandModel model(site, events, StandardSystemColors());
  model.SetAmbientFont({"Verdana", 7.5, false, false});
  model.InitProperties("Release memory now");
  model.SetXpType(style.xpType);
  model.SetButtonType(style.buttonType);
  model.Resize(w, h);
  for (auto _ : state) {
    model.DrawButton(kStateUp, true);
    benchmark::DoNotOptimize(model.Surface().Pixels().data());
  }
}

std::string Size(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

}  // namespace

int main(int argc, char** argv) {
#ifdef TARVELO_BENCH_GUI
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  tarvelo::widgets::InstallFontSubstitutions();
  QtCaptionText qtText;
  qtText.SetFont(ToQFont({"Verdana", 7.5, false, false}));
#endif
  static NoText noText;
  for (const auto& size : kSizes) {
    const int w = size[0];
    const int h = size[1];
    benchmark::RegisterBenchmark(("PlainFill/" + Size(w, h)).c_str(), PlainFill, w, h);
    for (const Style& style : kStyles) {
      benchmark::RegisterBenchmark(("DrawButton/" + std::string(style.name) + "/" + Size(w, h)).c_str(),
                                   [&style, w, h](benchmark::State& s) { Repaint(s, style, w, h, noText); });
#ifdef TARVELO_BENCH_GUI
      benchmark::RegisterBenchmark(
          ("DrawButtonWithCaption/" + std::string(style.name) + "/" + Size(w, h)).c_str(),
          [&style, w, h, &qtText](benchmark::State& s) { Repaint(s, style, w, h, qtText); });
#endif
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
