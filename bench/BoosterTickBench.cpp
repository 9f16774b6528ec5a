// One booster tick (every 900 ms for the program's whole life) on a real X
// display with a window manager, against the floor: one bare X11 round trip.
// - idle: the same window stays in front, the common case;
// - boost: a new window is in front at every tick; both windows belong to this
//   process, so each boost really sets its threads to Normal and raises them.
// - boost with the weight path: the two windows stand for processes in two
//   units of a stand-in systemd user manager on a private bus (no user manager
//   runs here); each boost puts one unit's weight back and raises the other's.
// And the cost of the "Whole system faster:" measurement: one sample of this
// process's threads and the CPU pressure (two per boost), and the clock read
// of a tick while a measurement waits.
// Needs $DISPLAY (bench/run.sh starts a private one).
#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "boost/FasterFigure.h"
#include "boost/ForegroundBooster.h"
#include "platform/linux/processes/LinuxProcessPriority.h"
#include "platform/linux/limits/LinuxSchedulerStats.h"
#include "platform/linux/foreground/X11ForegroundWindow.h"
#ifdef TARVELO_BENCH_WEIGHTS
#include "platform/linux/limits/LinuxUnitWeights.h"
#include "support/FakeSystemdManager.h"
#include "support/PrivateBus.h"
#include "support/TempDir.h"
#endif

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
  platform::ProcessId OwnerProcess(platform::WindowHandle w) override {
    const platform::ProcessId real = real_.OwnerProcess(w);
    if (owners_[0] == 0) return real;
    return w == a_ ? owners_[0] : owners_[1];
  }
  // Pretends the windows belong to these processes.
  void SetOwners(platform::ProcessId a, platform::ProcessId b) { owners_[0] = a, owners_[1] = b; }

 private:
  platform::ProcessId owners_[2] = {0, 0};
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

#ifdef TARVELO_BENCH_WEIGHTS
void Write(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << text;
}

void BoostTickWithWeights(benchmark::State& state) {
  tarvelo::testing::PrivateBus bus;
  if (!bus.Started()) {
    state.SkipWithError(bus.Error().c_str());
    return;
  }
  tarvelo::testing::FakeSystemdManager manager(bus.Address());
  auto client = platform::linux_impl::SystemdUserManager::OpenAddress(bus.Address());
  if (!manager.Ready() || !client.Ok()) {
    state.SkipWithError("no stand-in manager");
    return;
  }
  // Two processes that do not exist in two units: the nice path fails at once.
  tarvelo::testing::TempDir proc, cgroups;
  const std::string apps = "/user.slice/user-1000.slice/user@1000.service/app.slice/";
  Write(cgroups.File("user.slice/user-1000.slice/user@1000.service/cgroup.controllers"), "cpu memory pids\n");
  for (const platform::ProcessId pid : {2'000'001u, 2'000'002u}) {
    const std::string unit = "app-bench-" + std::to_string(pid) + ".scope";
    manager.AddUnit({unit, apps + unit, "active", {pid}, {}, {}});
    Write(proc.File(std::to_string(pid) + "/cgroup"), "0::" + apps + unit + "\n");
    Write(cgroups.File(apps.substr(1) + unit + "/cpu.weight"), "300\n");
  }
  platform::linux_impl::LinuxUnitWeights weights(std::move(client.value), proc.Path(), cgroups.Path(), 1000);

  platform::linux_impl::X11ForegroundWindow real(Connection());
  AlternatingFront windows(real, TitledWindow("Bench window C", false), TitledWindow("Bench window D", false));
  windows.SetOwners(2'000'001, 2'000'002);
  platform::linux_impl::LinuxProcessPriorities priorities;
  tarvelo::ForegroundBooster booster(windows, priorities, &weights, nullptr);
  for (auto _ : state) {
    const auto boost = booster.Tick(true, "Above Normal");
    if (!boost) state.SkipWithError("no boost");
  }
}
BENCHMARK(BoostTickWithWeights);
#endif

// One sample of the measurement: this process's threads and the pressure.
void FasterFigureSample(benchmark::State& state) {
  platform::linux_impl::LinuxSchedulerStats stats;
  tarvelo::FasterFigure figure(&stats);
  const auto self = static_cast<platform::ProcessId>(::getpid());
  for (auto _ : state) figure.Start(self);
  if (!figure.Measuring()) state.SkipWithError("this process cannot be measured");
}
BENCHMARK(FasterFigureSample);

// A tick's poll while the measurement waits: one clock read.
void FasterFigureWaitingPoll(benchmark::State& state) {
  platform::linux_impl::LinuxSchedulerStats stats;
  tarvelo::FasterFigure figure(&stats);
  figure.Start(static_cast<platform::ProcessId>(::getpid()));
  for (auto _ : state) benchmark::DoNotOptimize(figure.Poll());
}
BENCHMARK(FasterFigureWaitingPoll);

}  // namespace

BENCHMARK_MAIN();
