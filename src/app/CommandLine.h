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

}  // namespace tarvelo::CommandLine
