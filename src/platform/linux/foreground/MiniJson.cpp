#include "platform/linux/foreground/MiniJson.h"

#include <cctype>
#include <cstdlib>

namespace platform::linux_impl {

namespace {
constexpr int kMaxDepth = 128;
}  // namespace

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : s_(text) {}

  std::optional<JsonValue> Document() {
    JsonValue value;
    if (!Value(value, 0)) return std::nullopt;
    SkipSpace();
    if (i_ != s_.size()) return std::nullopt;
    return value;
  }

 private:
  void SkipSpace() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
  }
  bool Literal(std::string_view word) {
    if (s_.substr(i_, word.size()) != word) return false;
    i_ += word.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    if (depth > kMaxDepth) return false;
    SkipSpace();
    if (i_ >= s_.size()) return false;
    switch (s_[i_]) {
      case '{': return ObjectValue(out, depth);
      case '[': return ArrayValue(out, depth);
      case '"': {
        std::string text;
        if (!StringValue(text)) return false;
        out.v_ = std::move(text);
        return true;
      }
      case 't': out.v_ = true; return Literal("true");
      case 'f': out.v_ = false; return Literal("false");
      case 'n': out.v_ = std::monostate{}; return Literal("null");
      default: return Number(out);
    }
  }

  bool ObjectValue(JsonValue& out, int depth) {
    ++i_;
    JsonValue::Object object;
    SkipSpace();
    if (i_ < s_.size() && s_[i_] == '}') {
      ++i_;
      out.v_ = std::move(object);
      return true;
    }
    for (;;) {
      SkipSpace();
      std::string key;
      if (i_ >= s_.size() || s_[i_] != '"' || !StringValue(key)) return false;
      SkipSpace();
      if (i_ >= s_.size() || s_[i_++] != ':') return false;
      JsonValue member;
      if (!Value(member, depth + 1)) return false;
      object.insert_or_assign(std::move(key), std::move(member));
      SkipSpace();
      if (i_ >= s_.size()) return false;
      const char c = s_[i_++];
      if (c == '}') break;
      if (c != ',') return false;
    }
    out.v_ = std::move(object);
    return true;
  }

  bool ArrayValue(JsonValue& out, int depth) {
    ++i_;
    JsonValue::Array array;
    SkipSpace();
    if (i_ < s_.size() && s_[i_] == ']') {
      ++i_;
      out.v_ = std::move(array);
      return true;
    }
    for (;;) {
      JsonValue item;
      if (!Value(item, depth + 1)) return false;
      array.push_back(std::move(item));
      SkipSpace();
      if (i_ >= s_.size()) return false;
      const char c = s_[i_++];
      if (c == ']') break;
      if (c != ',') return false;
    }
    out.v_ = std::move(array);
    return true;
  }

  bool Hex4(std::uint32_t& value) {
    if (i_ + 4 > s_.size()) return false;
    value = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = s_[i_++];
      value <<= 4;
      if (c >= '0' && c <= '9') value |= static_cast<std::uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') value |= static_cast<std::uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') value |= static_cast<std::uint32_t>(c - 'A' + 10);
      else return false;
    }
    return true;
  }

  static void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  bool StringValue(std::string& out) {
    ++i_;  // the opening quote
    while (i_ < s_.size()) {
      const char c = s_[i_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) return false;
      const char e = s_[i_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          std::uint32_t cp = 0;
          if (!Hex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00 && s_.substr(i_, 2) == "\\u") {
            const std::size_t back = i_;
            i_ += 2;
            std::uint32_t low = 0;
            if (Hex4(low) && low >= 0xDC00 && low < 0xE000) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
              i_ = back;
            }
          }
          if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;  // a lone surrogate
          AppendUtf8(out, cp);
          break;
        }
        default: return false;
      }
    }
    return false;
  }

  bool Number(JsonValue& out) {
    const std::size_t start = i_;
    if (i_ < s_.size() && s_[i_] == '-') ++i_;
    bool integral = true;
    std::size_t digits = 0;
    while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_, ++digits;
    if (digits == 0) return false;
    if (i_ < s_.size() && (s_[i_] == '.' || s_[i_] == 'e' || s_[i_] == 'E')) {
      integral = false;
      while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.' || s_[i_] == 'e' ||
                                s_[i_] == 'E' || s_[i_] == '+' || s_[i_] == '-')) {
        ++i_;
      }
    }
    const std::string text(s_.substr(start, i_ - start));
    char* end = nullptr;
    if (integral && digits <= 18) {
      out.v_ = static_cast<std::int64_t>(std::strtoll(text.c_str(), &end, 10));
    } else {
      out.v_ = std::strtod(text.c_str(), &end);
    }
    return end == text.c_str() + text.size();
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

std::optional<JsonValue> JsonValue::Parse(std::string_view text) { return JsonParser(text).Document(); }

const JsonValue& JsonValue::operator[](std::string_view key) const {
  static const JsonValue kNull;
  const auto* object = std::get_if<Object>(&v_);
  if (object == nullptr) return kNull;
  const auto it = object->find(key);
  return it == object->end() ? kNull : it->second;
}

const JsonValue::Array& JsonValue::Items() const {
  static const Array kEmpty;
  const auto* array = std::get_if<Array>(&v_);
  return array == nullptr ? kEmpty : *array;
}

std::optional<std::int64_t> JsonValue::Integer() const {
  if (const auto* i = std::get_if<std::int64_t>(&v_)) return *i;
  return std::nullopt;
}

std::optional<bool> JsonValue::Bool() const {
  if (const auto* b = std::get_if<bool>(&v_)) return *b;
  return std::nullopt;
}

const std::string* JsonValue::String() const { return std::get_if<std::string>(&v_); }

}  // namespace platform::linux_impl
