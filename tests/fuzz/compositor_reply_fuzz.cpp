// Any bytes as a message from a compositor's socket, read as the booster
// reads sway's, i3's and Hyprland's: no crash, no unbounded recursion, and
// every string read is valid UTF-8.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/PlainText.h"
#include "platform/linux/foreground/CompositorReply.h"

namespace {

using namespace platform::linux_impl;

void CheckUtf8(const std::string* text) {
  if (text == nullptr) return;
  for (std::size_t i = 0; i < text->size();) {
    const std::size_t length = tarvelo::PlainText::DecodeUtf8(*text, i).second;
    if (length == 0) std::abort();
    i += length;
  }
}

void ReadWindow(const Json& window) {
  (void)IntegerOf(Member(window, "id"));
  (void)IntegerOf(Member(window, "pid"));
  (void)BoolOf(Member(window, "xwayland"));
  for (const char* key : {"name", "title", "shell", "type", "address", "change"}) CheckUtf8(StringOf(Member(window, key)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto json = ParseCompositorReply(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!json) return 0;
  ReadWindow(*json);
  ReadWindow(Member(*json, "container"));
  if (const Json* focused = FocusedNode(*json)) ReadWindow(*focused);
  for (const Json& item : Items(*json)) ReadWindow(item);
  return 0;
}
