// One booster tick (every 900 ms for the program's whole life) on a real X
// display with a window manager, against the floor: one bare X11 round trip.
// - idle: the same window stays in front, the common case;
// - boost: a new window is in front at every tick; both windows belong to this
//   process, so each boost really sets its threads to Normal and raises them.
// Needs $DISPLAY (bench/run.sh starts a private one).
#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "boost/ForegroundBooster.h"
#include "platform/linux/LinuxProcessPriority.h"
#include "platform/linux/X11ForegroundWindow.h"

namespace {

xcb_connection_t* Connection() {
  static xcb_connection_t* connection = [] {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
      std::fprintf(stderr, "no X display\n");
      std::exit(1);
    }
    return c;
  }();
  return connection;
}

xcb_atom_t Atom(const char* name) {
  xcb_connection_t* c = Connection();
  auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

void Sync() {
  std::free(xcb_get_input_focus_reply(Connection(), xcb_get_input_focus(Connection()), nullptr));
}

// A mapped window with a title, asked to the front through the window manager.
xcb_window_t TitledWindow(const char* title, bool activate) {
  xcb_connection_t* c = Connection();
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t w = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 100, 50, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    XCB_COPY_FROM_PARENT, 0, nullptr);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"), 8,
                      std::strlen(title), title);
  xcb_map_window(c, w);
  if (activate) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = w;
    event.type = Atom("_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2;  // from a pager: honoured at once
    xcb_send_event(c, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
  }
  Sync();
  return w;
}

void BareX11RoundTrip(benchmark::State& state) {
  xcb_connection_t* c = Connection();
  for (auto _ : state) std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}
BENCHMARK(BareX11RoundTrip);

// The request an idle tick makes, bare: the root's _NET_ACTIVE_WINDOW.
void BareActiveWindowRead(benchmark::State& state) {
  xcb_connection_t* c = Connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const xcb_atom_t active = Atom("_NET_ACTIVE_WINDOW");
  for (auto _ : state) {
    std::free(xcb_get_property_reply(c, xcb_get_property(c, 0, root, active, XCB_ATOM_WINDOW, 0, 1), nullptr));
  }
}
BENCHMARK(BareActiveWindowRead);

void IdleTick(benchmark::State& state) {
  TitledWindow("Bench in front", true);
  platform::linux_impl::X11ForegroundWindow windows(Connection());
  platform::linux_impl::LinuxProcessPriorities priorities;
  tarvelo::ForegroundBooster booster(windows, priorities);
  booster.Tick(true, "Above Normal");  // the window in front is now the last one seen
  for (auto _ : state) benchmark::DoNotOptimize(booster.Tick(true, "Above Normal"));
}
BENCHMARK(IdleTick);

// The real foreground query, then one of two real windows in turn as its answer.
class AlternatingFront final : public platform::ForegroundWindow {
 public:
  AlternatingFront(platform::ForegroundWindow& real, xcb_window_t a, xcb_window_t b) : real_(real), a_(a), b_(b) {}
  platform::WindowHandle Foreground() override {
    real_.Foreground();
    flip_ = !flip_;
    return flip_ ? a_ : b_;
  }
  std::string Title(platform::WindowHandle w) override { return real_.Title(w); }
  platform::ProcessId OwnerProcess(platform::WindowHandle w) override { return real_.OwnerProcess(w); }

 private:
  platform::ForegroundWindow& real_;
  xcb_window_t a_, b_;
  bool flip_ = false;
};

void BoostTick(benchmark::State& state) {
  platform::linux_impl::X11ForegroundWindow real(Connection());
  AlternatingFront windows(real, TitledWindow("Bench window A", false), TitledWindow("Bench window B", false));
  platform::linux_impl::LinuxProcessPriorities priorities;
  tarvelo::ForegroundBooster booster(windows, priorities);
  for (auto _ : state) {
    const auto boost = booster.Tick(true, "Above Normal");
    if (!boost) state.SkipWithError("no boost");
  }
  if (!priorities.MayRaiseTo(platform::PriorityClass::AboveNormal)) {
    state.SetLabel("without the right to raise: the raise fails at once");
  }
}
BENCHMARK(BoostTick);

}  // namespace

BENCHMARK_MAIN();
