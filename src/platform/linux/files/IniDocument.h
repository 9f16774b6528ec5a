#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::linux_impl {

// The text of a private-profile file, edited line by line so that everything
// the program does not touch - other sections, other keys, comments, blank
// lines, line endings - is written back byte for byte.
//
// Reading follows the Windows profile functions: a line "[name]" opens a
// section, a line "key=value" holds a value; names are compared without regard
// to ASCII case and without surrounding spaces; the first matching section and
// key win; a value loses its surrounding spaces and one pair of matching
// quotes around it.
class IniDocument {
 public:
  static IniDocument Parse(std::string_view bytes);

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  // Replaces the key's line, or adds the key at the end of its section (after
  // the section's last non-blank line), or adds the section at the end.
  void Set(std::string_view section, std::string_view key, std::string_view value);

  std::string Serialize() const;

 private:
  struct Line {
    std::string text;  // without its line ending
    std::string eol;   // "\r\n", "\n", or "" for a last line without one
  };
  struct SectionSpan {
    std::size_t header;  // index of the "[name]" line
    std::size_t end;     // one past the section's last line
  };

  std::optional<SectionSpan> FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKey(const SectionSpan& span, std::string_view key) const;
  void InsertLine(std::size_t index, std::string text);

  std::vector<Line> lines_;
  std::string newline_ = "\n";  // the file's own line ending, for new lines
  bool byteOrderMark_ = false;
};

}  // namespace platform::linux_impl
