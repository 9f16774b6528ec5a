#include "platform/linux/foreground/X11ForegroundWindow.h"

#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <utility>

#include "common/ModulePublicFunction.h"

namespace platform::linux_impl {

namespace {

// Replies and errors of xcb are malloc'ed and freed by their receiver.
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Waits for a reply; an error reply (a window that has gone) is freed here and
// yields nothing.
template <typename T, typename Cookie, typename ReplyFn>
Reply<T> Wait(xcb_connection_t* c, ReplyFn replyFn, Cookie cookie) {
  xcb_generic_error_t* error = nullptr;
  Reply<T> reply(replyFn(c, cookie, &error));
  Reply<xcb_generic_error_t> ownedError(error);
  return reply;
}

Reply<xcb_get_property_reply_t> WaitProperty(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
  return Wait<xcb_get_property_reply_t>(c, xcb_get_property_reply, cookie);
}

// Enough 32-bit units for a title of the longest length in UTF-8.
constexpr std::uint32_t kTitleLongs = (ForegroundWindow::kMaxTitleChars * 4 + 3) / 4;
// How deep a frame may hide its client, and how far up a focused child may sit.
constexpr int kMaxDepth = 8;

std::string_view PropertyBytes(const xcb_get_property_reply_t* reply) {
  if (reply == nullptr || reply->type == XCB_NONE || reply->format != 8) return {};
  return {static_cast<const char*>(xcb_get_property_value(reply)),
          static_cast<std::size_t>(xcb_get_property_value_length(reply))};
}

std::optional<std::uint32_t> PropertyCard32(const xcb_get_property_reply_t* reply, std::uint32_t type) {
  if (reply == nullptr || reply->type != type || reply->format != 32 || xcb_get_property_value_length(reply) < 4) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  std::memcpy(&value, xcb_get_property_value(reply), sizeof value);
  return value;
}

std::string LocalHostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace

std::string TitleFromProperty(std::string_view bytes, bool utf8) {
  if (utf8) return tarvelo::ModulePublicFunction::CutToCharacters(bytes, ForegroundWindow::kMaxTitleChars);
  std::string text;
  for (std::size_t i = 0; i < bytes.size() && i < ForegroundWindow::kMaxTitleChars; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      text += static_cast<char>(byte);
    } else {
      text += static_cast<char>(0xC0 | (byte >> 6));
      text += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

X11ForegroundWindow::X11ForegroundWindow(xcb_connection_t* connection)
    : c_(connection), hostName_(LocalHostName()) {
  if (Broken()) return;
  for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c_)); it.rem > 0; xcb_screen_next(&it)) {
    roots_.push_back(it.data->root);
  }

  // All names in one round trip.
  const std::pair<const char*, std::uint32_t*> atoms[] = {
      {"_NET_ACTIVE_WINDOW", &netActiveWindow_}, {"_NET_WM_NAME", &netWmName_}, {"UTF8_STRING", &utf8String_},
      {"WM_STATE", &wmState_},                   {"_NET_WM_PID", &netWmPid_},
  };
  xcb_intern_atom_cookie_t cookies[std::size(atoms)];
  for (std::size_t i = 0; i < std::size(atoms); ++i) {
    cookies[i] = xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(atoms[i].first)), atoms[i].first);
  }
  for (std::size_t i = 0; i < std::size(atoms); ++i) {
    if (auto reply = Wait<xcb_intern_atom_reply_t>(c_, xcb_intern_atom_reply, cookies[i])) {
      *atoms[i].second = reply->atom;
    }
  }

  // Client ids need X-Resource 1.2.
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c_, &xcb_res_id);
  if (extension != nullptr && extension->present) {
    if (auto version = Wait<xcb_res_query_version_reply_t>(c_, xcb_res_query_version_reply,
                                                           xcb_res_query_version(c_, 1, 2))) {
      hasXRes_ = version->server_major > 1 || (version->server_major == 1 && version->server_minor >= 2);
    }
  }
}

bool X11ForegroundWindow::Broken() const { return c_ == nullptr || xcb_connection_has_error(c_) != 0; }

WindowHandle X11ForegroundWindow::Foreground() {
  if (Broken() || roots_.empty()) return 0;
  // Nearly always one root, so one round trip; it also asks whether the
  // window answered last time still exists.
  std::vector<xcb_get_property_cookie_t> cookies;
  cookies.reserve(roots_.size());
  for (const std::uint32_t root : roots_) {
    cookies.push_back(xcb_get_property(c_, 0, root, netActiveWindow_, XCB_ATOM_WINDOW, 0, 1));
  }
  std::optional<xcb_get_window_attributes_cookie_t> confirmedCookie;
  if (confirmed_ != 0) confirmedCookie = xcb_get_window_attributes(c_, confirmed_);
  bool managed = false;
  WindowHandle active = 0;
  for (const auto& cookie : cookies) {
    const auto value = PropertyCard32(WaitProperty(c_, cookie).get(), XCB_ATOM_WINDOW);
    if (!value) continue;
    managed = true;
    if (active == 0) active = *value;
  }
  if (confirmedCookie &&
      !Wait<xcb_get_window_attributes_reply_t>(c_, xcb_get_window_attributes_reply, *confirmedCookie)) {
    confirmed_ = 0;
  }

  if (managed) {
    // 0 there means nothing is active now (the manager is switching).
    if (active == 0) return 0;
    // Some managers leave the property naming a window that has gone, and the
    // server may give its id to a new window later: a window is in front only
    // while it exists, and a new answer is checked once.
    if (active != confirmed_) {
      if (!Wait<xcb_get_window_attributes_reply_t>(c_, xcb_get_window_attributes_reply,
                                                   xcb_get_window_attributes(c_, active))) {
        return 0;
      }
      confirmed_ = active;
    }
    return active;
  }

  auto focus = Wait<xcb_get_input_focus_reply_t>(c_, xcb_get_input_focus_reply, xcb_get_input_focus(c_));
  if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT) return 0;
  for (const std::uint32_t root : roots_) {
    if (focus->focus == root) return 0;
  }
  return ClientOf(focus->focus);
}

bool X11ForegroundWindow::HasWmState(std::uint32_t window) {
  auto reply = WaitProperty(c_, xcb_get_property(c_, 0, window, wmState_, XCB_GET_PROPERTY_TYPE_ANY, 0, 0));
  return reply && reply->type != XCB_NONE;
}

// The client window of a focused window: itself or an ancestor with WM_STATE,
// else a descendant of its top-level window with WM_STATE (a frame of a
// manager without EWMH), else the top-level window (no manager at all).
WindowHandle X11ForegroundWindow::ClientOf(std::uint32_t window) {
  std::uint32_t topLevel = window;
  std::uint32_t current = window;
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    if (HasWmState(current)) return current;
    auto tree = Wait<xcb_query_tree_reply_t>(c_, xcb_query_tree_reply, xcb_query_tree(c_, current));
    if (!tree) return 0;  // gone
    topLevel = current;
    if (tree->parent == XCB_NONE || tree->parent == tree->root) break;
    current = tree->parent;
  }

  // Breadth first below the top-level window.
  std::deque<std::pair<std::uint32_t, int>> queue{{topLevel, 0}};
  while (!queue.empty()) {
    const auto [parent, depth] = queue.front();
    queue.pop_front();
    if (depth >= kMaxDepth) continue;
    auto tree = Wait<xcb_query_tree_reply_t>(c_, xcb_query_tree_reply, xcb_query_tree(c_, parent));
    if (!tree) continue;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    for (int i = 0; i < count; ++i) {
      if (HasWmState(children[i])) return children[i];
      queue.emplace_back(children[i], depth + 1);
    }
  }
  return topLevel;
}

std::string X11ForegroundWindow::Title(WindowHandle window) {
  if (window == 0 || Broken()) return {};
  const auto netName = xcb_get_property(c_, 0, window, netWmName_, XCB_GET_PROPERTY_TYPE_ANY, 0, kTitleLongs);
  const auto name = xcb_get_property(c_, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, kTitleLongs);
  const auto netReply = WaitProperty(c_, netName);
  const auto reply = WaitProperty(c_, name);
  if (netReply && netReply->type != XCB_NONE && netReply->format == 8) {
    return TitleFromProperty(PropertyBytes(netReply.get()), true);
  }
  if (reply) return TitleFromProperty(PropertyBytes(reply.get()), reply->type == utf8String_);
  return {};
}

ProcessId X11ForegroundWindow::OwnerProcess(WindowHandle window) {
  if (window == 0 || Broken()) return 0;
  if (const ProcessId pid = PidFromXRes(window)) return pid;
  return PidFromProperty(window);
}

ProcessId X11ForegroundWindow::PidFromXRes(std::uint32_t window) {
  if (!hasXRes_) return 0;
  // The server finds the client by the id's client bits alone, so the id of
  // a window that has gone could name whichever client got those bits next:
  // the window must still exist. Both requests go out together.
  const auto attributesCookie = xcb_get_window_attributes(c_, window);
  xcb_res_client_id_spec_t client{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
  const auto idsCookie = xcb_res_query_client_ids(c_, 1, &client);
  const auto attributes =
      Wait<xcb_get_window_attributes_reply_t>(c_, xcb_get_window_attributes_reply, attributesCookie);
  auto reply = Wait<xcb_res_query_client_ids_reply_t>(c_, xcb_res_query_client_ids_reply, idsCookie);
  if (!attributes || !reply) return 0;
  for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem > 0;
       xcb_res_client_id_value_next(&it)) {
    const auto& [clientId, valueBytes] = *it.data;
    if ((clientId.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) == 0) continue;
    if (valueBytes < sizeof(std::uint32_t)) continue;  // no pid in the reply
    const std::uint32_t pid = *xcb_res_client_id_value_value(it.data);
    if (pid != 0) return pid;
  }
  return 0;
}

ProcessId X11ForegroundWindow::PidFromProperty(std::uint32_t window) {
  const auto pidCookie = xcb_get_property(c_, 0, window, netWmPid_, XCB_ATOM_CARDINAL, 0, 1);
  const auto machineCookie =
      xcb_get_property(c_, 0, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_GET_PROPERTY_TYPE_ANY, 0, 64);
  const auto pidReply = WaitProperty(c_, pidCookie);
  const auto machineReply = WaitProperty(c_, machineCookie);
  const auto pid = PropertyCard32(pidReply.get(), XCB_ATOM_CARDINAL);
  if (!pid || hostName_.empty()) return 0;
  std::string_view machine = PropertyBytes(machineReply.get());
  if (const auto nul = machine.find('\0'); nul != std::string_view::npos) machine = machine.substr(0, nul);
  return machine == hostName_ ? *pid : 0;
}

std::unique_ptr<ForegroundWindow> CreateX11ForegroundWindow(xcb_connection_t* connection) {
  if (connection == nullptr || xcb_connection_has_error(connection) != 0) {
    return std::make_unique<NoForegroundWindow>();
  }
  return std::make_unique<X11ForegroundWindow>(connection);
}

}  // namespace platform::linux_impl
