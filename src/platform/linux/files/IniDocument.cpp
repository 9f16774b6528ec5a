#include "platform/linux/files/IniDocument.h"

#include <algorithm>

namespace platform::linux_impl {

namespace {

constexpr std::string_view kBlank = " \t";

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlank);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlank);
  return text.substr(first, last - first + 1);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// The name of a section header line, or nothing when the line is no header.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  const auto close = line.find(']');
  return Trim(close == std::string_view::npos ? line : line.substr(0, close));
}

bool IsComment(std::string_view trimmed) {
  return !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '#');
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  // A UTF-8 byte order mark is no part of the first line.
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    doc.byteOrderMark_ = true;
    bytes.remove_prefix(3);
  }
  bool newlineKnown = false;
  while (!bytes.empty()) {
    const auto lf = bytes.find('\n');
    std::string_view text = lf == std::string_view::npos ? bytes : bytes.substr(0, lf);
    std::string eol;
    if (lf != std::string_view::npos) {
      eol = "\n";
      if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
        eol = "\r\n";
      }
      if (!newlineKnown) {
        doc.newline_ = eol;
        newlineKnown = true;
      }
      bytes.remove_prefix(lf + 1);
    } else {
      // A bare CR ends the last line: a line added after it must not turn
      // the CR into part of a CRLF that changes what the line reads as.
      if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
        eol = "\r";
      }
      bytes = {};
    }
    doc.lines_.push_back({std::string(text), std::move(eol)});
  }
  return doc;
}

std::optional<IniDocument::SectionSpan> IniDocument::FindSection(std::string_view section) const {
  const std::string_view wanted = Trim(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i].text);
    if (!name || !EqualsIgnoringCase(*name, wanted)) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && !SectionName(lines_[end].text)) ++end;
    return SectionSpan{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> IniDocument::FindKey(const SectionSpan& span, std::string_view key) const {
  const std::string_view wanted = Trim(key);
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    const std::string_view line = Trim(lines_[i].text);
    if (line.empty() || IsComment(line)) continue;
    const auto equals = line.find('=');
    const std::string_view name = Trim(equals == std::string_view::npos ? line : line.substr(0, equals));
    if (EqualsIgnoringCase(name, wanted)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const auto span = FindSection(section);
  if (!span) return std::nullopt;
  const auto index = FindKey(*span, key);
  if (!index) return std::nullopt;
  const std::string_view line = lines_[*index].text;
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return std::string();
  std::string_view value = Trim(line.substr(equals + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

void IniDocument::InsertLine(std::size_t index, std::string text) {
  // The line before the new one must end before the new one can start.
  if (index > 0 && lines_[index - 1].eol.empty()) lines_[index - 1].eol = newline_;
  if (index > 0 && lines_[index - 1].eol == "\r") lines_[index - 1].eol = "\r\n";
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), Line{std::move(text), newline_});
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string entry = std::string(Trim(key)) + "=" + std::string(value);
  const auto span = FindSection(section);
  if (!span) {
    InsertLine(lines_.size(), "[" + std::string(Trim(section)) + "]");
    InsertLine(lines_.size(), std::move(entry));
    return;
  }
  if (const auto index = FindKey(*span, key)) {
    lines_[*index].text = std::move(entry);
    return;
  }
  std::size_t after = span->header;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    if (!Trim(lines_[i].text).empty()) after = i;
  }
  InsertLine(after + 1, std::move(entry));
}

std::string IniDocument::Serialize() const {
  std::string out = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
  for (const Line& line : lines_) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

}  // namespace platform::linux_impl
