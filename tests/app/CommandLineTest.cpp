// The options that print and end the program before it starts.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tarvelo
