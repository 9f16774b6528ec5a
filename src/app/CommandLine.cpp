#include "app/CommandLine.h"

#include <string>
#include <string_view>

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

constexpr std::string_view kQuitWhenShown = "--quit-when-shown";

bool Set(const char* value) { return value != nullptr && *value != '\0'; }

// Qt takes its options with one dash or two.
bool IsQtOption(std::string_view arg, std::string_view name) {
  if (arg.starts_with("--")) arg.remove_prefix(1);
  return arg.size() == name.size() + 1 && arg.front() == '-' && arg.substr(1) == name;
}

int UsageError(std::ostream& err, std::string_view what) {
  err << "tarvelo: " << what << "\nTry 'tarvelo --help' for more information.\n";
  return 2;
}

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

std::optional<int> CheckBeforeQt(std::span<char* const> args, const DisplayEnvironment& env, std::ostream& err) {
  std::string_view platform = Set(env.qpaPlatform) ? env.qpaPlatform : "";
  bool xDisplayOption = false;
  for (std::size_t i = 1; i < args.size() && args[i] != nullptr; ++i) {
    const std::string_view arg = args[i];
    const bool platformOption = IsQtOption(arg, "platform");
    if (!platformOption && !IsQtOption(arg, "display")) continue;
    if (i + 1 >= args.size() || args[i + 1] == nullptr) {
      return UsageError(err, "option '" + std::string(arg) + "' needs a value");
    }
    if (platformOption) {
      platform = args[i + 1];  // the command line wins over the environment, the last one over the others
    } else {
      xDisplayOption = true;
    }
    ++i;
  }
  // Qt's default platform is X11's outside a Wayland session, so -display serves it too.
  if (platform.empty() && !Set(env.display) && !Set(env.waylandDisplay) && !xDisplayOption) {
    err << "tarvelo: no display to show a window on (DISPLAY and WAYLAND_DISPLAY are not set)\n";
    return 1;
  }
  // Qt reads "name:parameters".
  if (platform.substr(0, platform.find(':')) == "xcb" && !Set(env.display) && !xDisplayOption) {
    err << "tarvelo: no X display to show a window on (DISPLAY is not set)\n";
    return 1;
  }
  return std::nullopt;
}

std::optional<int> CheckRemainingArguments(std::span<char* const> args, std::ostream& err) {
  for (std::size_t i = 1; i < args.size() && args[i] != nullptr; ++i) {
    const std::string_view arg = args[i];
    if (arg == kQuitWhenShown) continue;
    if (arg == "--") {
      // Nothing may follow: the program takes no file or other operand.
      if (i + 1 < args.size() && args[i + 1] != nullptr) {
        return UsageError(err, "unexpected argument '" + std::string(args[i + 1]) + "'");
      }
      break;
    }
    if (arg.starts_with('-') && arg.size() > 1) return UsageError(err, "unknown option '" + std::string(arg) + "'");
    return UsageError(err, "unexpected argument '" + std::string(arg) + "'");
  }
  return std::nullopt;
}

}  // namespace tarvelo::CommandLine
