#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace platform::linux_impl {

using Json = nlohmann::json;

// Deeper than any reply of a compositor: more is a broken or hostile peer.
inline constexpr int kMaxReplyDepth = 128;

// The JSON of a message from a compositor's socket (sway, i3, Hyprland), or
// nothing when it is not one valid document or nests deeper than
// kMaxReplyDepth. Bytes that are no valid UTF-8 (a title in another
// encoding) become U+FFFD, so that one such title does not cost the whole
// message.
std::optional<Json> ParseCompositorReply(std::string_view text);

// Reads of a reply that answer "absent" for whatever is missing or of
// another kind, so that they chain: Member(Member(reply, "a"), "b").
const Json& Member(const Json& value, std::string_view key);  // null unless present
const Json::array_t& Items(const Json& value);                 // empty unless an array
std::optional<std::int64_t> IntegerOf(const Json& value);      // a whole number that fits
std::optional<bool> BoolOf(const Json& value);
const std::string* StringOf(const Json& value);                // nullptr unless a string

// The focused node of an i3 or sway tree, depth first through tiled and
// floating nodes; nullptr when none is focused.
const Json* FocusedNode(const Json& tree);

}  // namespace platform::linux_impl
