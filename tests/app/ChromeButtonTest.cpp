#include "app/ChromeButton.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvelo {
namespace {

using Action = ChromeButton::Action;
using Kind = ChromeButton::Kind;

// Plays events ("move", "down", "up", "click", "background") and records the
// visible picture after each and the actions taken.
struct Outcome {
  std::vector<int> pictures;
  std::vector<Action> actions;
};

Outcome Play(Kind kind, const std::vector<std::string>& events) {
  ChromeButton button(kind);
  Outcome out;
  for (const std::string& e : events) {
    Action a = Action::None;
    if (e == "move") button.MouseMove();
    else if (e == "down") button.MouseDown();
    else if (e == "up") a = button.MouseUp();
    else if (e == "click") a = button.Click();
    else if (e == "background") button.PointerOverBackground();
    out.pictures.push_back(button.VisiblePicture());
    if (a != Action::None) out.actions.push_back(a);
  }
  return out;
}

TEST(ChromeButton, PictureStateMachine) {
  const struct {
    const char* what;
    Kind kind;
    std::vector<std::string> events;
    std::vector<int> pictures;
    std::vector<Action> actions;
  } cases[] = {
      {"hover then press and release minimises", Kind::Minimize, {"move", "down", "up", "click"}, {1, 2, 2, 2},
       {Action::Minimize, Action::Minimize}},
      {"press, move, release does not minimise", Kind::Minimize, {"down", "move", "up", "click"}, {2, 1, 1, 1}, {}},
      {"close press and release hides", Kind::Close, {"down", "up", "click"}, {2, 2, 2},
       {Action::HideToTray, Action::HideToTray}},
      {"close hides through its click even after a move", Kind::Close, {"down", "move", "up", "click"}, {2, 1, 1, 1},
       {Action::HideToTray}},
      {"release elsewhere after a press acts on up only", Kind::Minimize, {"down", "up"}, {2, 2},
       {Action::Minimize}},
      {"pressed picture stays until the background", Kind::Minimize, {"down", "up", "background"}, {2, 2, 0},
       {Action::Minimize}},
      {"background returns hover to normal", Kind::Close, {"move", "background"}, {1, 0}, {}},
      {"up without a press does nothing", Kind::Minimize, {"move", "up"}, {1, 1}, {}},
  };
  for (const auto& c : cases) {
    const Outcome out = Play(c.kind, c.events);
    EXPECT_EQ(out.pictures, c.pictures) << c.what;
    EXPECT_EQ(out.actions, c.actions) << c.what;
  }
}

TEST(ChromeButton, StartsNormal) {
  EXPECT_EQ(ChromeButton(Kind::Minimize).VisiblePicture(), ChromeButton::kNormal);
}

}  // namespace
}  // namespace tarvelo
