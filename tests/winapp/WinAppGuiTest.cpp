// Tarvelo.exe under Wine's X11 driver, on a private X display with a tray host.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "forms/Forms.h"
#include "platform/win32/WinAutostartEntry.h"
#include "support/TempDir.h"
#include "WinAppDriver.h"

namespace tarvelo::winapp::testing {
namespace {

using platform::win32_impl::UniqueRegKey;
using platform::win32_impl::WinAutostartEntry;
using tarvelo::testing::ReadFile;
using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;

int ScreenDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

class WinAppGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_EQ(IconsDockedInTrayHost(error), 0) << "a tray icon is left from before: " << error;
  }
  void TearDown() override { WinAutostartEntry().Remove(); }

  // Starts Tarvelo and waits for its window and its tray icon: the end of start-up.
  void Start(Tarvelo& tarvelo) {
    ASSERT_TRUE(tarvelo.Started());
    ASSERT_NE(tarvelo.WaitForMainWindow(), nullptr) << "no main window; still running: " << tarvelo.Running();
    std::string error;
    ASSERT_TRUE(WaitFor([&] { return IconsDockedInTrayHost(error) == 1; })) << "the tray icon did not dock: " << error;
  }

  TempDir config;
};

// The system's DPI for programs started from now on (Wine reads it at each
// program's start); put back as it was when the object goes.
class SystemDpi {
 public:
  explicit SystemDpi(DWORD dpi) {
    ::RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      nullptr, key_.Receive(), nullptr);
    DWORD size = sizeof old_;
    had_ = ::RegQueryValueExA(key_.Get(), "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
           ERROR_SUCCESS;
    ::RegSetValueExA(key_.Get(), "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  }
  ~SystemDpi() {
    if (had_) {
      ::RegSetValueExA(key_.Get(), "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
    } else {
      ::RegDeleteValueA(key_.Get(), "LogPixels");
    }
  }

 private:
  UniqueRegKey key_;
  DWORD old_ = 0;
  bool had_ = false;
};

TEST_F(WinAppGuiTest, ShowsItsFramelessMainWindowAtTheSizeOfItsTwips) {
  // 11790 x 8355 twips: 15 to the pixel at 96 dpi, 10 at 144.
  for (const int dpi : {144, 96}) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    const SystemDpi systemDpi(static_cast<DWORD>(dpi));
    Tarvelo tarvelo(TarveloExe(), config.Path());
    Start(tarvelo);
    const HWND window = tarvelo.MainWindow();
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(window) != FALSE; }));
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, ::MulDiv(11790, dpi, 1440));
    EXPECT_EQ(client.bottom, ::MulDiv(8355, dpi, 1440));
    RECT frame{};
    ::GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, client.right) << "no frame around the client area";
    const LONG_PTR style = ::GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_EQ(TextOf(window), "Tarvelo");

    // The caption strip drags the window; the chrome buttons on it do not.
    const auto hitTest = [&](int xTwips, int yTwips) {
      POINT point{::MulDiv(xTwips, dpi, 1440), ::MulDiv(yTwips, dpi, 1440)};
      ::ClientToScreen(window, &point);
      return ::SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
    };
    EXPECT_EQ(hitTest(5000, 150), HTCAPTION);
    EXPECT_EQ(hitTest(11000, 200), HTCLIENT) << "ImageMin";
    EXPECT_EQ(hitTest(5000, 3000), HTCLIENT);

    // The program's icon, as the window manager gets it.
    std::string error;
    const std::string icons = RunOnUnixSide(
        "for w in $(xdotool search --onlyvisible --classname tarvelo.exe); do xprop -id \"$w\" _NET_WM_ICON; done",
        error);
    EXPECT_NE(icons.find("_NET_WM_ICON(CARDINAL)"), std::string::npos) << icons << error;
  }
}

TEST_F(WinAppGuiTest, ASecondStartSaysSoAndEndsWhileTheFirstRunsOn) {
  Tarvelo first(TarveloExe(), config.Path());
  Start(first);
  Tarvelo second(TarveloExe(), config.Path());
  ASSERT_TRUE(second.Started());
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    const auto boxes = WindowsOf(second.Pid(), "#32770");
    box = boxes.empty() ? nullptr : boxes.front();
    return box != nullptr && ::IsWindowVisible(box);
  })) << "no message box; the second still runs: " << second.Running();
  EXPECT_EQ(TextOf(box), "Tarvelo");
  std::vector<std::string> texts, buttons;
  for (const auto& [kind, text] : ChildrenOf(box)) {
    if (kind == "Button") buttons.push_back(text);
    if (kind == "Static" && !text.empty()) texts.push_back(text);
  }
  EXPECT_EQ(texts, std::vector<std::string>{"Tarvelo already in running."});
  EXPECT_EQ(buttons, std::vector<std::string>{"OK"});
  EXPECT_TRUE(second.MainWindow() == nullptr) << "the second makes no window";

  ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(second.WaitForExit(), 0u);
  EXPECT_TRUE(first.Running());
  EXPECT_NE(first.MainWindow(), nullptr);
  std::string error;
  EXPECT_EQ(IconsDockedInTrayHost(error), 1) << "one tray icon only " << error;
}

// Start-up reads [Setting] from Config.ini: Automin keeps the window hidden,
// Autorun brings the Run value in line; nothing is written back.
TEST_F(WinAppGuiTest, StartsAsConfigIniSays) {
  const struct {
    const char* what;
    std::string file;
    bool shown;
    bool runValue;
  } cases[] = {
      {"Automin and Autorun on", "[Setting]\r\nAutorun=1\r\nAutomin= 1 \r\n", false, true},
      {"both off, and a Run value from before", "[Setting]\r\nAutorun=0\r\nAutomin=0\r\n", true, false},
      {"no Config.ini at all", "", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = config.File("Config.ini");
    std::filesystem::remove(path);
    if (!c.file.empty()) WriteFile(path, c.file);
    WinAutostartEntry().Write("C:\\Old\\Tarvelo.exe");
    {
      Tarvelo tarvelo(TarveloExe(), config.Path());
      Start(tarvelo);
      const HWND window = tarvelo.MainWindow();
      if (c.shown) {
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(window) != FALSE; }));
      }
      // The tray icon is added last: by now the window is as start-up leaves it.
      EXPECT_EQ(::IsWindowVisible(window) != FALSE, c.shown);
      EXPECT_EQ(RunValue(), c.runValue ? std::optional(WinAutostartEntry::RunCommand(TarveloExe())) : std::nullopt);
    }
    EXPECT_EQ(std::filesystem::exists(path), !c.file.empty());
    if (!c.file.empty()) {
      EXPECT_EQ(ReadFile(path), c.file) << "start-up and exit write nothing";
    }
  }
}

TEST_F(WinAppGuiTest, TrayIconDocksComesBackOnceAndItsMenuEndsTheProgram) {
  Tarvelo tarvelo(TarveloExe(), config.Path());
  Start(tarvelo);
  const HWND window = tarvelo.MainWindow();
  std::string error;

  // The shell announces a new taskbar: the icon is added again, once.
  const UINT taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
  ::SendMessageA(window, taskbarCreated, 0, 0);
  EXPECT_EQ(IconsDockedInTrayHost(error), 1) << error;

  ::PostMessageA(window, kTrayCallbackMessage, 0, WM_RBUTTONDOWN);
  PopupMenu menu;
  ASSERT_TRUE(WaitFor([&] { return (menu = PopupMenu::Of(tarvelo.Pid())).window != nullptr; })) << "no popup menu";
  menu.Choose("Exit");
  EXPECT_EQ(tarvelo.WaitForExit(), 0u);
  EXPECT_TRUE(WaitFor([&] { return IconsDockedInTrayHost(error) == 0; })) << "the icon stays: " << error;
}

TEST_F(WinAppGuiTest, HidesToTheTrayAndComesBack) {
  Tarvelo tarvelo(TarveloExe(), config.Path());
  Start(tarvelo);
  const HWND window = tarvelo.MainWindow();
  ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(window) != FALSE; }));
  const auto visible = [&] { return ::IsWindowVisible(window) != FALSE; };
  const auto hidden = [&] { return ::IsWindowVisible(window) == FALSE; };
  const int dpi = ScreenDpi();
  const auto click = [&](int xTwips, int yTwips) {
    const LPARAM at = MAKELPARAM(::MulDiv(xTwips, dpi, 1440), ::MulDiv(yTwips, dpi, 1440));
    ::PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(window, WM_LBUTTONUP, 0, at);
  };

  // The close button, and a close from outside, hide the window; the program runs on.
  click(11280 + 210, 90 + 112);
  ASSERT_TRUE(WaitFor(hidden)) << "ImageExit";
  EXPECT_TRUE(tarvelo.Running());
  // A double click on the tray icon brings it back in its normal size.
  ::PostMessageA(window, kTrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitFor(visible)) << "tray double click";

  ::PostMessageA(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor(hidden)) << "WM_CLOSE";
  // So does a page item of the tray menu.
  ::PostMessageA(window, kTrayCallbackMessage, 0, WM_RBUTTONDOWN);
  PopupMenu menu;
  ASSERT_TRUE(WaitFor([&] { return (menu = PopupMenu::Of(tarvelo.Pid())).window != nullptr; }));
  menu.Choose("Speed up memory");
  ASSERT_TRUE(WaitFor(visible)) << "the menu's page item";

  // The minimise button minimises; the window still counts as shown.
  click(10800 + 210, 90 + 112);
  ASSERT_TRUE(WaitFor([&] { return ::IsIconic(window) != FALSE; })) << "ImageMin";
  EXPECT_TRUE(visible());
  EXPECT_TRUE(tarvelo.Running());
}

// A control of a page of the running program: the page's panel carries the
// form's name, each control the id 1000 plus its place in the form.
HWND PageControl(HWND window, PageId page, std::string_view name) {
  const form::Form& f = form::PageForm(page);
  HWND panel = ::FindWindowExA(window, nullptr, "TarveloPanel", f.name);
  for (std::size_t i = 0; i < f.controls.size(); ++i) {
    if (name == f.controls[i].name) return ::GetDlgItem(panel, 1000 + static_cast<int>(i));
  }
  return nullptr;
}

bool PageShown(HWND window, PageId page) {
  return ::IsWindowVisible(::FindWindowExA(window, nullptr, "TarveloPanel", form::PageForm(page).name)) != FALSE;
}

// The pages show through the navigation column, and what the user sets on
// them is in Config.ini at once.
TEST_F(WinAppGuiTest, ItsPagesShowAndWhatIsSetOnThemReachesConfigIni) {
  Tarvelo tarvelo(TarveloExe(), config.Path());
  Start(tarvelo);
  const HWND window = tarvelo.MainWindow();
  ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(window) != FALSE; }));
  EXPECT_TRUE(PageShown(window, PageId::State));
  const int dpi = ScreenDpi();
  for (const PageInfo& info : kPages) {
    const LPARAM at = MAKELPARAM(::MulDiv(kNavigationLeft + 200, dpi, 1440), ::MulDiv(info.imageTop + 200, dpi, 1440));
    ::PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(window, WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(WaitFor([&] { return PageShown(window, info.id); })) << info.panel;
  }
  // The memory figures read by the Status page and the process list filled.
  EXPECT_NE(TextOf(PageControl(window, PageId::Memory, "LabelMemoryAll")), "0 MB");
  EXPECT_GT(::SendMessageA(PageControl(window, PageId::CPU, "ListViewProcesses"), LVM_GETITEMCOUNT, 0, 0), 1);

  const std::string path = config.File("Config.ini");
  ::SendMessageA(PageControl(window, PageId::Setting, "CheckAutoMin"), BM_CLICK, 0, 0);
  EXPECT_NE(ReadFile(path).find("Automin=1"), std::string::npos) << ReadFile(path);
  HWND interval = PageControl(window, PageId::Memory, "ComboInterval");
  ::SendMessageA(interval, CB_SETCURSEL, 2, 0);
  ::SendMessageA(::GetParent(interval), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(interval), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(interval));
  EXPECT_NE(ReadFile(path).find("AutoFreeMemoryInterval=5 minute"), std::string::npos) << ReadFile(path);
}

// Switched on, the booster logs the window that comes to the front with the
// priority class its process reads back.
TEST_F(WinAppGuiTest, TheBoosterLogsTheWindowInFrontWithThePriorityItReadsBack) {
  WriteFile(config.File("Config.ini"), "[Process]\r\nEnableImproveProcess=1\r\nImproveSpeed=High\r\n");
  Tarvelo tarvelo(TarveloExe(), config.Path());
  Start(tarvelo);
  const HWND window = tarvelo.MainWindow();
  HWND front = ::CreateWindowExA(0, "STATIC", "Tarvelo test window in front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                 10, 300, 200, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  const HWND log = PageControl(window, PageId::Process, "ListViewHistory");
  ASSERT_TRUE(WaitFor([&] {
    ::SetForegroundWindow(front);
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
    return TextOf(PageControl(window, PageId::Process, "LabelNowImproveProcess")) == "Tarvelo test window in front";
  })) << "now: " << TextOf(PageControl(window, PageId::Process, "LabelNowImproveProcess"));
  EXPECT_GE(::SendMessageA(log, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(::GetPriorityClass(::GetCurrentProcess()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
  EXPECT_EQ(TextOf(PageControl(window, PageId::Process, "LabelImprovedCount")), "1");
  ::DestroyWindow(front);
  tarvelo.End();
  // The booster puts the priority back when it ends.
  EXPECT_TRUE(WaitFor([] { return ::GetPriorityClass(::GetCurrentProcess()) == NORMAL_PRIORITY_CLASS; }));
}

// A click as the mouse makes it, on a window of the program.
void Click(HWND control) {
  ::PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  ::PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

// The text of the message box the program shows, once it shows; the box is
// then closed with its OK.
std::string AnswerMessageBox(DWORD pid) {
  HWND box = nullptr;
  if (!WaitFor([&] {
        const auto boxes = WindowsOf(pid, "#32770");
        box = boxes.empty() ? nullptr : boxes.front();
        return box != nullptr && ::IsWindowVisible(box) != FALSE;
      })) {
    return "(no message box)";
  }
  std::string text;
  for (const auto& [kind, childText] : ChildrenOf(box)) {
    if (kind == "Static" && !childText.empty()) text += childText;
  }
  ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  return text;
}

// A release runs and says what it did; a CPU limit the system refuses is
// said plainly.
TEST_F(WinAppGuiTest, AReleaseRunsAndARefusedLimitIsSaidPlainly) {
  Tarvelo tarvelo(TarveloExe(), config.Path());
  Start(tarvelo);
  const HWND window = tarvelo.MainWindow();
  ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(window) != FALSE; }));

  Click(PageControl(window, PageId::Memory, "CommandFreeMemory"));
  const std::string released = AnswerMessageBox(tarvelo.Pid());
  // Wine's trim answers success but takes no page away: the message says
  // that nothing moved, never a success that did not happen.
  EXPECT_TRUE(released.rfind("Success! ", 0) == 0 || released.rfind("No memory could be released. ", 0) == 0)
      << released;
  const HWND log = PageControl(window, PageId::Memory, "ListViewMemoryLog");
  EXPECT_TRUE(WaitFor([&] { return ::SendMessageA(log, LVM_GETITEMCOUNT, 0, 0) == 1; }));

  // Wine makes job objects but refuses their CPU rate control.
  const HWND list = PageControl(window, PageId::CPU, "ListViewProcesses");
  ::PostMessageA(list, WM_KEYDOWN, VK_DOWN, 0);  // the first row
  ::PostMessageA(list, WM_KEYUP, VK_DOWN, 0);
  ASSERT_TRUE(WaitFor([&] { return ::SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 1; }));
  Click(PageControl(window, PageId::CPU, "CommandLimitProcessCPU"));
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    const auto dialogs = WindowsOf(tarvelo.Pid(), "TarveloLimitDialog");
    dialog = dialogs.empty() ? nullptr : dialogs.front();
    return dialog != nullptr && ::IsWindowVisible(dialog) != FALSE;
  }));
  EXPECT_EQ(TextOf(dialog), "Limit process CPU usage");
  const form::Form& f = form::LimitDialogForm();
  int ok = 0;
  while (std::string_view(f.controls[static_cast<std::size_t>(ok)].name) != "CommandOK") ++ok;
  Click(::GetDlgItem(::GetWindow(dialog, GW_CHILD), 1000 + ok));
  const std::string refused = AnswerMessageBox(tarvelo.Pid());
  EXPECT_EQ(refused.rfind("The CPU limit could not be set: ", 0), 0u) << refused;
  EXPECT_FALSE(::IsWindowVisible(dialog));
}

// A web site on the loopback that gives every request the same reply, and
// keeps the first request's head.
class LoopbackSite {
 public:
  explicit LoopbackSite(std::string body) : body_(std::move(body)) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 4);
    int length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ::ntohs(address.sin_port);
    server_ = std::thread([this] { Serve(); });
  }
  ~LoopbackSite() {
    ::closesocket(listener_);  // ends accept()
    server_.join();
    ::WSACleanup();
  }

  std::string Root() const { return "http://127.0.0.1:" + std::to_string(port_); }
  int Requests() const { return requests_; }
  std::string FirstRequest() const {
    std::lock_guard lock(mutex_);
    return first_;
  }

 private:
  void Serve() {
    for (;;) {
      const SOCKET client = ::accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      std::string head;
      char buffer[1024];
      int n = 0;
      while (head.find("\r\n\r\n") == std::string::npos && (n = ::recv(client, buffer, sizeof buffer, 0)) > 0) {
        head.append(buffer, static_cast<std::size_t>(n));
      }
      {
        std::lock_guard lock(mutex_);
        if (first_.empty()) first_ = head;
      }
      const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                                std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
      ::send(client, reply.data(), static_cast<int>(reply.size()), 0);
      ::shutdown(client, SD_SEND);
      ::closesocket(client);
      ++requests_;
    }
  }

  std::string body_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::thread server_;
  std::atomic<int> requests_{0};
  mutable std::mutex mutex_;
  std::string first_;
};

// Once the window shows, the banner asks the product site for its
// advertisement in the background and shows it as plain text.
TEST_F(WinAppGuiTest, TheBannerShowsTheAdvertisementTheSiteGives) {
  LoopbackSite site("AD<b>Tarvelo</b> & friends\r\n");
  Tarvelo tarvelo(TarveloExe(), config.Path(), site.Root());
  Start(tarvelo);
  const HWND window = tarvelo.MainWindow();
  const HWND banner = ::GetDlgItem(window, 900);
  ASSERT_NE(banner, nullptr);
  ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(banner) != FALSE; })) << "requests: " << site.Requests();
  EXPECT_EQ(TextOf(banner), "<b>Tarvelo</b> & friends");
  EXPECT_NE(::GetWindowLongA(banner, GWL_STYLE) & SS_NOPREFIX, 0);
  EXPECT_NE(site.FirstRequest().find("GET /"), std::string::npos) << site.FirstRequest();
  EXPECT_NE(site.FirstRequest().find("User-Agent: Kestrawn"), std::string::npos) << site.FirstRequest();
}

}  // namespace
}  // namespace tarvelo::winapp::testing
