#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string_view>

namespace tarvelo::CommandLine {

// The program's version, as --version prints it.
std::string_view Version();

// The options that only print: with --help (-h) or --version anywhere on the
// command line (before a "--"), writes the help or the version to out and
// returns the exit status, 0, or 1 when out could not be written. Otherwise
// returns nothing and the program starts; other options are left to it and
// to Qt.
std::optional<int> HandlePrintingOptions(std::span<char* const> args, std::ostream& out);

// What decides whether Qt's platform finds a display; nullptr for unset.
struct DisplayEnvironment {
  const char* qpaPlatform = nullptr;  // QT_QPA_PLATFORM
  const char* display = nullptr;  // DISPLAY
  const char* waylandDisplay = nullptr;  // WAYLAND_DISPLAY
};

// What must be right before Qt starts, for Qt would abort the program
// otherwise: -platform is given a value (else exit status 2), and the platform
// has a display to show the window on (else 1). A platform chosen by name, on
// the command line or in QT_QPA_PLATFORM, is trusted, except xcb without any
// X display; Qt's default needs DISPLAY or WAYLAND_DISPLAY. Writes one line
// to err and returns the exit status, or nothing when the program may start.
std::optional<int> CheckBeforeQt(std::span<char* const> args, const DisplayEnvironment& env, std::ostream& err);

// The command line once Qt took out its own options: anything left but the
// program's own options is an error. Writes a line naming it and the hint to
// err and returns 2, or nothing.
std::optional<int> CheckRemainingArguments(std::span<char* const> args, std::ostream& err);

}  // namespace tarvelo::CommandLine
