#include "platform/linux/foreground/CompositorReply.h"

#include <limits>

#include "common/PlainText.h"

namespace platform::linux_impl {

namespace {

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      out += text[i++];
      continue;
    }
    const std::size_t length = tarvelo::PlainText::DecodeUtf8(text, i).second;
    if (length == 0) {
      out += tarvelo::PlainText::kPlaceholder;
      ++i;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

const Json* FindFocused(const Json& node, int depth) {
  if (depth > 64) return nullptr;
  if (BoolOf(Member(node, "focused")).value_or(false)) return &node;
  for (const char* list : {"nodes", "floating_nodes"}) {
    for (const Json& child : Items(Member(node, list))) {
      if (const Json* found = FindFocused(child, depth + 1)) return found;
    }
  }
  return nullptr;
}

}  // namespace

std::optional<Json> ParseCompositorReply(std::string_view text) {
  // The parser keeps its own stack, so depth costs memory, not the call
  // stack; the limit spares the readers that walk the result.
  bool tooDeep = false;
  const auto callback = [&tooDeep](int depth, Json::parse_event_t, Json&) {
    if (depth > kMaxReplyDepth) tooDeep = true;
    return !tooDeep;
  };
  Json json = Json::parse(ValidUtf8(text), callback, /*allow_exceptions=*/false);
  if (tooDeep || json.is_discarded()) return std::nullopt;
  return json;
}

const Json& Member(const Json& value, std::string_view key) {
  static const Json kNull;
  if (!value.is_object()) return kNull;
  const auto it = value.find(std::string(key));
  return it == value.end() ? kNull : *it;
}

const Json::array_t& Items(const Json& value) {
  static const Json::array_t kEmpty;
  const auto* array = value.get_ptr<const Json::array_t*>();
  return array == nullptr ? kEmpty : *array;
}

std::optional<std::int64_t> IntegerOf(const Json& value) {
  // The library counts an unsigned number as an integer too: ask it first.
  if (const auto* u = value.get_ptr<const Json::number_unsigned_t*>()) {
    if (*u <= static_cast<Json::number_unsigned_t>(std::numeric_limits<std::int64_t>::max())) {
      return static_cast<std::int64_t>(*u);
    }
    return std::nullopt;
  }
  if (const auto* i = value.get_ptr<const Json::number_integer_t*>()) return *i;
  return std::nullopt;
}

std::optional<bool> BoolOf(const Json& value) {
  if (const auto* b = value.get_ptr<const Json::boolean_t*>()) return *b;
  return std::nullopt;
}

const std::string* StringOf(const Json& value) { return value.get_ptr<const Json::string_t*>(); }

const Json* FocusedNode(const Json& tree) { return FindFocused(tree, 0); }

}  // namespace platform::linux_impl
