#include "app/CommandLine.h"

#include <string>

namespace tarvelo::CommandLine {

namespace {

constexpr std::string_view kHelp =
    "Usage: tarvelo [OPTION]...\n"
    "Makes the computer feel faster from the notification area: raises the priority\n"
    "of the program in front, limits the CPU time of chosen processes and releases\n"
    "memory, now or at an interval.\n"
    "\n"
    "  -h, --help             show this help and exit\n"
    "      --version          show the version and exit\n"
    "      --quit-when-shown  end as soon as the window is on the screen\n"
    "\n"
    "Qt's own options, such as -platform, are accepted too. Only one Tarvelo runs\n"
    "for each user. The settings file Config.ini lies beside the program in a\n"
    "portable copy, else in $XDG_CONFIG_HOME/tarvelo (~/.config/tarvelo);\n"
    "TARVELO_CONFIG_DIR names another directory for it.\n";

}  // namespace

std::string_view Version() { return TARVELO_VERSION; }

std::optional<int> HandlePrintingOptions(std::span<char* const> args, std::ostream& out) {
  for (std::size_t i = 1; i < args.size() && args[i] != nullptr; ++i) {
    const std::string_view arg = args[i];
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") {
      out << kHelp;
    } else if (arg == "--version") {
      out << "tarvelo " << Version() << '\n';
    } else {
      continue;
    }
    out.flush();
    return out ? 0 : 1;
  }
  return std::nullopt;
}

}  // namespace tarvelo::CommandLine
