// The X11 foreground window on private X servers without a window manager:
// the test plays the manager's part where it needs one.
#include "platform/linux/foreground/X11ForegroundWindow.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <climits>
#include <thread>
#include <cstdlib>
#include <cstring>

#include "support/MissingInCi.h"

namespace platform::linux_impl {
namespace {

// An Xvfb of the test's own; Display() is "" when it could not start.
class PrivateXServer {
 public:
  explicit PrivateXServer(std::vector<std::string> extraArguments = {}) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      // Xvfb writes the display number it chose to descriptor 3.
      ::dup2(fds[1], 3);
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 1);
      ::dup2(null, 2);
      std::vector<std::string> args{"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-noreset",
                                    "-screen", "0", "640x480x24"};
      args.insert(args.end(), extraArguments.begin(), extraArguments.end());
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execvp("Xvfb", argv.data());
      ::_exit(127);
    }
    ::close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    // A minute: a loaded machine may start it slowly.
    while (pid_ > 0 && ::poll(&p, 1, 60000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~PrivateXServer() { Stop(); }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// An xcb connection, closed at the end.
struct Connection {
  explicit Connection(const std::string& display) : c(xcb_connect(display.c_str(), nullptr)) {}
  ~Connection() { xcb_disconnect(c); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  bool Ok() const { return xcb_connection_has_error(c) == 0; }
  xcb_window_t Root() const { return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root; }

  xcb_atom_t Atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
  }
  xcb_window_t Window(xcb_window_t parent, bool mapped = true) {
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, parent, 0, 0, 50, 50, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    if (mapped) xcb_map_window(c, w);
    Sync();
    return w;
  }
  void Set(xcb_window_t w, xcb_atom_t property, xcb_atom_t type, int format, const void* data, std::size_t units) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, format, units, data);
    Sync();
  }
  void SetText(xcb_window_t w, xcb_atom_t property, xcb_atom_t type, const std::string& text) {
    Set(w, property, type, 8, text.data(), text.size());
  }
  void SetCard(xcb_window_t w, xcb_atom_t property, xcb_atom_t type, std::uint32_t value) {
    Set(w, property, type, 32, &value, 1);
  }
  void Delete(xcb_window_t w, xcb_atom_t property) {
    xcb_delete_property(c, w, property);
    Sync();
  }
  void Focus(xcb_window_t w) {
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, w, XCB_CURRENT_TIME);
    Sync();
  }
  void Destroy(xcb_window_t w) {
    xcb_destroy_window(c, w);
    Sync();
  }
  void Sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

  xcb_connection_t* c;
};

#define REQUIRE_SERVER(server) \
  if ((server).Display().empty()) TARVELO_SKIP_OR_FAIL_IN_CI("Xvfb could not be started")

TEST(X11ForegroundWindow, ActiveWindowOfTheManagerElseTheFocusResolvedToItsClient) {
  PrivateXServer server;
  REQUIRE_SERVER(server);
  Connection app(server.Display());  // the program's connection
  Connection client(server.Display());  // the windows of "other programs"
  ASSERT_TRUE(app.Ok() && client.Ok());
  X11ForegroundWindow foreground(app.c);
  const xcb_window_t root = client.Root();
  const xcb_atom_t wmState = client.Atom("WM_STATE");
  const xcb_atom_t active = client.Atom("_NET_ACTIVE_WINDOW");
  const std::uint32_t normalState[2] = {1, 0};

  EXPECT_EQ(foreground.Foreground(), 0u) << "nothing focused on a fresh server";

  // No manager: the focused top-level window, also when a child of it has the focus.
  const xcb_window_t plain = client.Window(root);
  const xcb_window_t plainChild = client.Window(plain);
  client.Focus(plainChild);
  EXPECT_EQ(foreground.Foreground(), plain);

  // A manager without EWMH: the focus on its frame means the client inside.
  const xcb_window_t frame = client.Window(root);
  const xcb_window_t decoration = client.Window(frame);
  const xcb_window_t framed = client.Window(frame);
  client.Set(framed, wmState, wmState, 32, normalState, 2);
  const xcb_window_t framedChild = client.Window(framed);
  for (xcb_window_t focused : {frame, framed, framedChild}) {
    client.Focus(focused);
    EXPECT_EQ(foreground.Foreground(), framed) << "focus on " << focused;
  }
  (void)decoration;

  // An EWMH manager's answer wins, 0 included (it is switching).
  client.SetCard(root, active, XCB_ATOM_WINDOW, plain);
  EXPECT_EQ(foreground.Foreground(), plain);
  client.SetCard(root, active, XCB_ATOM_WINDOW, 0);
  EXPECT_EQ(foreground.Foreground(), 0u);
  client.Delete(root, active);
  EXPECT_EQ(foreground.Foreground(), framed);

  client.Focus(XCB_INPUT_FOCUS_POINTER_ROOT);
  EXPECT_EQ(foreground.Foreground(), 0u);
}

TEST(X11ForegroundWindow, AnActiveWindowThatHasGoneIsNoneEvenWhenItsIdComesBack) {
  PrivateXServer server;
  REQUIRE_SERVER(server);
  Connection app(server.Display());
  X11ForegroundWindow foreground(app.c);
  const xcb_atom_t active = app.Atom("_NET_ACTIVE_WINDOW");
  const xcb_window_t root = app.Root();

  // A program's window is in front; the program ends, and the manager leaves
  // the property as it was.
  xcb_window_t first = 0;
  {
    Connection program(server.Display());
    first = program.Window(program.Root());
    program.SetCard(root, active, XCB_ATOM_WINDOW, first);
    EXPECT_EQ(foreground.Foreground(), first);
  }
  // The server notices the program's end on its own time: wait for it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (foreground.Foreground() != 0u && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(foreground.Foreground(), 0u);

  // The next program gets the same ids from the server: its window is new.
  Connection next(server.Display());
  const xcb_window_t second = next.Window(next.Root());
  ASSERT_EQ(second, first) << "the server hands out the freed ids again";
  EXPECT_EQ(foreground.Foreground(), second);
  next.SetCard(root, active, XCB_ATOM_WINDOW, second);
  EXPECT_EQ(foreground.Foreground(), second);
}

TEST(X11ForegroundWindow, TitleFromEitherNamePropertyCutTo254Characters) {
  PrivateXServer server;
  REQUIRE_SERVER(server);
  Connection app(server.Display());
  Connection client(server.Display());
  ASSERT_TRUE(app.Ok() && client.Ok());
  X11ForegroundWindow foreground(app.c);
  const xcb_atom_t netWmName = client.Atom("_NET_WM_NAME");
  const xcb_atom_t utf8 = client.Atom("UTF8_STRING");

  std::string euros;
  for (int i = 0; i < 300; ++i) euros += "\xE2\x82\xAC";
  const struct {
    const char* what;
    std::optional<std::string> netName;
    std::optional<std::string> name;
    xcb_atom_t nameType;
    std::string expected;
  } cases[] = {
      {"_NET_WM_NAME first", "Gr\xC3\xBC\xC3\x9F" "e", "other", XCB_ATOM_STRING, "Gr\xC3\xBC\xC3\x9F" "e"},
      {"WM_NAME in Latin-1", std::nullopt, "caf\xE9", XCB_ATOM_STRING, "caf\xC3\xA9"},
      {"WM_NAME in UTF-8", std::nullopt, "\xE2\x82\xAC 5", utf8, "\xE2\x82\xAC 5"},
      {"an empty _NET_WM_NAME still wins", "", "old", XCB_ATOM_STRING, ""},
      {"no name", std::nullopt, std::nullopt, XCB_ATOM_STRING, ""},
      {"markup is just text", "<b>x</b>", std::nullopt, XCB_ATOM_STRING, "<b>x</b>"},
      {"long ASCII", std::string(300, 'a'), std::nullopt, XCB_ATOM_STRING, std::string(254, 'a')},
      {"long UTF-8 counts characters", euros, std::nullopt, XCB_ATOM_STRING, euros.substr(0, 254 * 3)},
      {"long Latin-1", std::nullopt, std::string(300, '\xE9'), XCB_ATOM_STRING, [] {
         std::string s;
         for (int i = 0; i < 254; ++i) s += "\xC3\xA9";
         return s;
       }()},
  };
  for (const auto& c : cases) {
    const xcb_window_t w = client.Window(client.Root());
    if (c.netName) client.SetText(w, netWmName, utf8, *c.netName);
    if (c.name) client.SetText(w, XCB_ATOM_WM_NAME, c.nameType, *c.name);
    EXPECT_EQ(foreground.Title(w), c.expected) << c.what;
    client.Destroy(w);
    EXPECT_EQ(foreground.Title(w), "") << c.what << ", window gone";
  }
  EXPECT_EQ(foreground.Title(0), "");
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  ::gethostname(name, sizeof name - 1);
  return name;
}

TEST(X11ForegroundWindow, OwnerFromXResElseATrustworthyNetWmPid) {
  const auto self = static_cast<ProcessId>(::getpid());
  {
    PrivateXServer server;
    REQUIRE_SERVER(server);
    Connection app(server.Display());
    Connection client(server.Display());
    X11ForegroundWindow foreground(app.c);
    ASSERT_TRUE(foreground.HasXRes());
    const xcb_window_t w = client.Window(client.Root());
    client.SetCard(w, client.Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 1);  // a lie
    EXPECT_EQ(foreground.OwnerProcess(w), self) << "the server knows better";
    client.Destroy(w);
    EXPECT_EQ(foreground.OwnerProcess(w), 0u);
    EXPECT_EQ(foreground.OwnerProcess(0), 0u);
  }

  PrivateXServer server({"-extension", "X-Resource"});
  REQUIRE_SERVER(server);
  Connection app(server.Display());
  Connection client(server.Display());
  X11ForegroundWindow foreground(app.c);
  ASSERT_FALSE(foreground.HasXRes());
  const xcb_atom_t netWmPid = client.Atom("_NET_WM_PID");
  const struct {
    const char* what;
    std::optional<std::uint32_t> pid;
    std::optional<std::string> machine;
    ProcessId expected;
  } cases[] = {
      {"pid of this machine", self, HostName(), self},
      {"pid of another machine", self, "elsewhere.example", 0},
      {"pid without a machine", self, std::nullopt, 0},
      {"no pid", std::nullopt, HostName(), 0},
  };
  for (const auto& c : cases) {
    const xcb_window_t w = client.Window(client.Root());
    if (c.pid) client.SetCard(w, netWmPid, XCB_ATOM_CARDINAL, *c.pid);
    if (c.machine) client.SetText(w, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, *c.machine);
    EXPECT_EQ(foreground.OwnerProcess(w), c.expected) << c.what;
    client.Destroy(w);
  }
}

TEST(X11ForegroundWindow, NoDisplayOrALostServerMeansNothingInFront) {
  const auto none = CreateX11ForegroundWindow(nullptr);
  EXPECT_EQ(none->Foreground(), 0u);
  EXPECT_EQ(none->Title(42), "");
  EXPECT_EQ(none->OwnerProcess(42), 0u);

  PrivateXServer server;
  REQUIRE_SERVER(server);
  Connection app(server.Display());
  Connection client(server.Display());
  const xcb_window_t w = client.Window(client.Root());
  client.SetText(w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "Editor");
  client.SetCard(client.Root(), client.Atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, w);
  const auto foreground = CreateX11ForegroundWindow(app.c);
  ASSERT_EQ(foreground->Foreground(), w);
  ASSERT_EQ(foreground->Title(w), "Editor");

  server.Stop();
  EXPECT_EQ(foreground->Foreground(), 0u);
  EXPECT_EQ(foreground->Title(w), "");
  EXPECT_EQ(foreground->OwnerProcess(w), 0u);
}

}  // namespace
}  // namespace platform::linux_impl
