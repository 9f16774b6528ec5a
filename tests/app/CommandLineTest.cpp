// The options that print and end the program before it starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace tarvelo {
namespace {

struct Outcome {
  std::optional<int> status;
  std::string output;
};

Outcome Handle(std::vector<std::string> args, std::ostream* out = nullptr) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::ostringstream text;
  Outcome run;
  run.status = CommandLine::HandlePrintingOptions({argv.data(), argv.size() - 1}, out != nullptr ? *out : text);
  run.output = text.str();
  return run;
}

TEST(CommandLine, HelpAndVersionPrintAndEnd) {
  for (const char* help : {"--help", "-h"}) {
    const Outcome run = Handle({"tarvelo", "-platform", "offscreen", help});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.rfind("Usage: tarvelo [OPTION]...\n", 0), 0u) << run.output;
    EXPECT_NE(run.output.find("--version"), std::string::npos);
  }
  const Outcome version = Handle({"tarvelo", "--version", "--help"});  // the first one wins
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output, "tarvelo " + std::string(CommandLine::Version()) + "\n");
  EXPECT_FALSE(CommandLine::Version().empty());
}

TEST(CommandLine, EveryOtherCommandLineStartsTheProgram) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"tarvelo"}, {"tarvelo", "--quit-when-shown"}, {"tarvelo", "-platform", "xcb"},
           {"tarvelo", "--", "--help"}, {"tarvelo", "--helpful"}, {"tarvelo", "-version"}}) {
    const Outcome run = Handle(args);
    EXPECT_FALSE(run.status.has_value()) << args.back();
    EXPECT_EQ(run.output, "");
  }
}

TEST(CommandLine, AnOutputThatCannotBeWrittenIsAFailure) {
  std::ostringstream broken;
  broken.setstate(std::ios::badbit);
  EXPECT_EQ(Handle({"tarvelo", "--version"}, &broken).status, 1);
}

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

// The display comes from the platform chosen on the command line, else from
// QT_QPA_PLATFORM, else from DISPLAY or WAYLAND_DISPLAY for Qt's default.
TEST(CommandLine, ThePlatformNeedsADisplayBeforeQtStarts) {
  const char* none = nullptr;
  const struct {
    std::vector<std::string> args;
    CommandLine::DisplayEnvironment env;  // QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY
    std::optional<int> status;
  } cases[] = {
      {{}, {none, ":0", none}, std::nullopt},
      {{}, {none, none, "wayland-0"}, std::nullopt},
      {{}, {none, none, none}, 1},
      {{}, {"", "", ""}, 1},  // set but empty is unset
      {{}, {"offscreen", none, none}, std::nullopt},
      {{"-platform", "offscreen"}, {none, none, none}, std::nullopt},
      {{"--platform", "minimal"}, {none, none, none}, std::nullopt},
      {{"-platform", "offscreen", "-platform", "xcb"}, {none, none, none}, 1},  // the last one counts
      {{"-platform", "xcb"}, {"offscreen", none, none}, 1},  // the command line wins
      {{}, {"xcb", none, "wayland-0"}, 1},
      {{}, {"xcb:nograb", ":0", none}, std::nullopt},
      {{"-display", ":1"}, {"xcb", none, none}, std::nullopt},
      {{"-display", ":1"}, {none, none, none}, std::nullopt},
      {{"-platform"}, {none, ":0", none}, 2},
      {{"-display"}, {none, ":0", none}, 2},
      {{"-platform"}, {none, none, none}, 2},  // told before the display
  };
  for (auto c : cases) {
    c.args.insert(c.args.begin(), "tarvelo");
    std::vector<char*> argv = Argv(c.args);
    std::ostringstream err;
    const auto status = CommandLine::CheckBeforeQt({argv.data(), argv.size() - 1}, c.env, err);
    const std::string what = ::testing::PrintToString(c.args);
    const std::string text = err.str();
    EXPECT_EQ(status, c.status) << what;
    if (!c.status) {
      EXPECT_EQ(text, "") << what;
    } else if (*c.status == 1) {
      EXPECT_EQ(text.rfind("tarvelo: no ", 0), 0u) << text;
      EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    } else {
      EXPECT_NE(text.find("needs a value\nTry 'tarvelo --help' for more information.\n"), std::string::npos) << text;
    }
  }
}

TEST(CommandLine, OnlyTheProgramsOwnOptionsMayRemainAfterQt) {
  const struct {
    std::vector<std::string> args;
    std::string error;  // "" for none
  } cases[] = {
      {{}, ""},
      {{"--quit-when-shown"}, ""},
      {{"--quit-when-shown", "--"}, ""},
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"--quit-when-shown", "-q"}, "unknown option '-q'"},
      {{"--quit-when-shown=1"}, "unknown option '--quit-when-shown=1'"},
      {{"file.txt"}, "unexpected argument 'file.txt'"},
      {{"-"}, "unexpected argument '-'"},
      {{"--", "--quit-when-shown"}, "unexpected argument '--quit-when-shown'"},
  };
  for (auto c : cases) {
    c.args.insert(c.args.begin(), "tarvelo");
    std::vector<char*> argv = Argv(c.args);
    std::ostringstream err;
    const auto status = CommandLine::CheckRemainingArguments({argv.data(), argv.size() - 1}, err);
    if (c.error.empty()) {
      EXPECT_FALSE(status.has_value()) << c.args.back();
      EXPECT_EQ(err.str(), "");
    } else {
      EXPECT_EQ(status, 2) << c.args.back();
      EXPECT_EQ(err.str(), "tarvelo: " + c.error + "\nTry 'tarvelo --help' for more information.\n");
    }
  }
}

}  // namespace
}  // namespace tarvelo
