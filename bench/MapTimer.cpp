// Start-up time as the X server sees it: starts a program and prints the
// nanoseconds from the start until a window at least MIN_WIDTH pixels wide
// is mapped (a MapNotify on the root window; under a reparenting window
// manager that is the frame, mapped with the client). Then it ends the
// program with SIGTERM and waits for it.
//   map_timer MIN_WIDTH PROGRAM [ARGS...]
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::int64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

struct Disconnect {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

int Width(xcb_connection_t* c, xcb_window_t window) {
  std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
      xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &std::free);
  return geometry ? geometry->width : 0;
}

void End(pid_t child) {
  ::kill(child, SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s MIN_WIDTH PROGRAM [ARGS...]\n", argv[0]);
    return 2;
  }
  const int minWidth = std::atoi(argv[1]);
  std::unique_ptr<xcb_connection_t, Disconnect> c(xcb_connect(nullptr, nullptr));
  if (xcb_connection_has_error(c.get())) {
    std::fprintf(stderr, "map_timer: no X display\n");
    return 1;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c.get())).data->root;
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c.get(), root, XCB_CW_EVENT_MASK, &mask);
  std::free(xcb_get_input_focus_reply(c.get(), xcb_get_input_focus(c.get()), nullptr));  // selected before the start

  const std::int64_t start = NowNs();
  const pid_t child = ::fork();
  if (child < 0) return 1;
  if (child == 0) {
    ::execvp(argv[2], argv + 2);
    std::_Exit(127);
  }
  const std::int64_t deadline = start + 60'000'000'000;
  pollfd fd{xcb_get_file_descriptor(c.get()), POLLIN, 0};
  while (NowNs() < deadline) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c.get())) {
      const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
      if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY) continue;
      const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
      if (map->event != root || Width(c.get(), map->window) < minWidth) continue;
      const std::int64_t mapped = NowNs();
      End(child);
      std::printf("%lld\n", static_cast<long long>(mapped - start));
      return 0;
    }
    if (xcb_connection_has_error(c.get())) break;
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child) {
      std::fprintf(stderr, "map_timer: %s ended before mapping a window\n", argv[2]);
      return 1;
    }
    ::poll(&fd, 1, 100);
  }
  End(child);
  std::fprintf(stderr, "map_timer: no window of %s was mapped\n", argv[2]);
  return 1;
}
