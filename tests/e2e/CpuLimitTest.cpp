// The CPU limits end to end: three limits set through the real dialog, the
// fourth refused with the message.
#include <gtest/gtest.h>

#include "e2e/XSession.h"

namespace tarvelo::e2e {
namespace {

// In window coordinates: the CPU page's panel is at (256, 144).
constexpr QPoint kCpuEntry(120, 204 + 18);
constexpr QPoint kFirstRow(256 + 25 + 60, 144 + 113 + 30);
constexpr QPoint kLimitButton(256 + 168 + 48, 144 + 336 + 12);
constexpr QPoint kDialogOk(136 + 44, 176 + 12);
const QSize kDialogSize(474, 237);

std::optional<Window> WindowOfSize(const Tarvelo& tarvelo, QSize size) {
  for (const Window& w : tarvelo.Windows()) {
    if (w.Geometry().size() == size) return w;
  }
  return std::nullopt;
}

TEST(CpuLimit, ThreeLimitsThroughTheDialogThenTheFourthIsRefused) {
  Tarvelo tarvelo;
  const auto window = tarvelo.MainWindow();
  ASSERT_TRUE(window);
  window->Click(kCpuEntry.x(), kCpuEntry.y());
  window->Click(kFirstRow.x(), kFirstRow.y());

  for (int limit = 0; limit < 3; ++limit) {
    if (limit > 0) {
      window->Click(kFirstRow.x(), kFirstRow.y());
      for (int down = 0; down < limit; ++down) RunTool("xdotool", {"key", "Down"});
    }
    window->Click(kLimitButton.x(), kLimitButton.y());
    std::optional<Window> dialog;
    ASSERT_TRUE(WaitFor([&] { return (dialog = WindowOfSize(tarvelo, kDialogSize)).has_value(); }))
        << "the dialog for limit " << limit + 1;
    EXPECT_EQ(dialog->Name(), "Limit process CPU usage");
    dialog->Click(kDialogOk.x(), kDialogOk.y());
    ASSERT_TRUE(WaitFor([&] { return !WindowOfSize(tarvelo, kDialogSize); })) << "OK closes the dialog";
  }

  window->Click(kFirstRow.x(), kFirstRow.y());
  for (int down = 0; down < 3; ++down) RunTool("xdotool", {"key", "Down"});
  window->Click(kLimitButton.x(), kLimitButton.y());
  std::optional<Window> message;
  ASSERT_TRUE(WaitFor([&] {
    for (const Window& w : tarvelo.Windows()) {
      if (w.Geometry().size() != QSize(786, 557)) message = w;
    }
    return message.has_value();
  }));
  EXPECT_EQ(message->Name(), "Tarvelo") << "the refusal, not the dialog";
  EXPECT_NE(message->Geometry().size(), kDialogSize);
  message->Key("Return");
  EXPECT_TRUE(WaitFor([&] { return tarvelo.Windows().size() == 1; }));
  EXPECT_TRUE(tarvelo.Running());
}

}  // namespace
}  // namespace tarvelo::e2e
