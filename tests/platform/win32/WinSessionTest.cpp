#include <gtest/gtest.h>

#include <memory>

#include "platform/win32/WinFileIcons.h"
#include "platform/win32/WinForegroundWindow.h"
#include "platform/win32/WinPrivileges.h"
#include "platform/win32/WinSingleInstance.h"
#include "WinTestSupport.h"

namespace platform::win32_impl {
namespace {

using testing::ChildProcess;
using testing::UniqueName;

TEST(WinSingleInstance, SecondInstanceIsRefusedUntilTheFirstEnds) {
  const std::string name = UniqueName("Instance");
  auto first = std::make_unique<WinSingleInstance>(name);
  EXPECT_FALSE(first->AnotherInstanceRunning());
  EXPECT_FALSE(first->AnotherInstanceRunning()) << "asking again from the first instance";
  {
    ChildProcess second("instance " + name);
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(), 1u) << "another process sees the first instance";
  }
  EXPECT_TRUE(WinSingleInstance(name).AnotherInstanceRunning()) << "and so does another object";
  first.reset();
  ChildProcess third("instance " + name);
  ASSERT_TRUE(third.Started());
  EXPECT_EQ(third.WaitForExit(), 0u) << "the name went with the first instance";
}

// The state of SeDebugPrivilege in this process's token; nothing when the
// account does not hold it.
std::optional<bool> DebugPrivilegeEnabled() {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return std::nullopt;
  LUID debug{};
  if (!::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &debug)) return std::nullopt;
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenPrivileges, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (!::GetTokenInformation(token.Get(), TokenPrivileges, buffer.data(), size, &size)) return std::nullopt;
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
    if (p.Luid.LowPart == debug.LowPart && p.Luid.HighPart == debug.HighPart) {
      return (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
  }
  return std::nullopt;
}

TEST(WinPrivileges, DebugPrivilegeIsEnabledInTheToken) {
  if (!DebugPrivilegeEnabled()) GTEST_SKIP() << "this account does not hold SeDebugPrivilege";
  {  // Start from the privilege disabled, so that the change shows.
    UniqueHandle token;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()));
    TOKEN_PRIVILEGES off{};
    off.PrivilegeCount = 1;
    ASSERT_TRUE(::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &off.Privileges[0].Luid));
    ASSERT_TRUE(::AdjustTokenPrivileges(token.Get(), FALSE, &off, 0, nullptr, nullptr));
  }
  ASSERT_EQ(DebugPrivilegeEnabled(), false);
  WinPrivileges().EnableDebugPrivilege();
  EXPECT_EQ(DebugPrivilegeEnabled(), true);
}

// A top-level window of this process with a title.
class TestWindow {
 public:
  explicit TestWindow(const std::string& title) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcA;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TarveloTestWindow";
    ::RegisterClassA(&windowClass);  // fails harmlessly once registered
    window_ = ::CreateWindowExA(0, "TarveloTestWindow", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
  }
  ~TestWindow() {
    if (window_ != nullptr) ::DestroyWindow(window_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND Get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

TEST(WinForegroundWindow, WindowInFrontWithItsTitleAndOwner) {
  TestWindow window("Tarvelo test window");
  ASSERT_NE(window.Get(), nullptr);
  ::SetForegroundWindow(window.Get());
  WinForegroundWindow foreground;
  const WindowHandle front = foreground.Foreground();
  EXPECT_EQ(front, ToWindowHandle(window.Get()));
  EXPECT_EQ(ToHwnd(front), window.Get());
  EXPECT_EQ(foreground.Title(front), "Tarvelo test window");
  EXPECT_EQ(foreground.OwnerProcess(front), ::GetCurrentProcessId());
  EXPECT_EQ(foreground.Title(0), "");
  EXPECT_EQ(foreground.OwnerProcess(0), 0u);
}

TEST(WinForegroundWindow, LongTitlesAreCutAndGoneWindowsHaveNone) {
  WinForegroundWindow foreground;
  WindowHandle gone = 0;
  {
    TestWindow window(std::string(300, 'T'));
    ASSERT_NE(window.Get(), nullptr);
    gone = ToWindowHandle(window.Get());
    EXPECT_EQ(foreground.Title(gone), std::string(ForegroundWindow::kMaxTitleChars, 'T'));
  }
  EXPECT_EQ(foreground.Title(gone), "");
  EXPECT_EQ(foreground.OwnerProcess(gone), 0u);
}

TEST(WinFileIcons, ShellIconsOfAnExecutableInBothSizes) {
  char windows[MAX_PATH] = {};
  ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  const std::string notepad = std::string(windows) + "\\notepad.exe";
  WinFileIcons icons;
  EXPECT_EQ(icons.IconOf(notepad), IconSource{}) << "Windows icons are pictures, not names";
  for (const auto& [smallIcon, size] : {std::pair{true, 16}, std::pair{false, 32}}) {
    SCOPED_TRACE(size);
    const auto picture = icons.PictureOf(notepad, smallIcon);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, size);
    EXPECT_EQ(picture->height, size);
    ASSERT_EQ(picture->pixels.size(), static_cast<std::size_t>(size * size));
    const auto opaque = std::count_if(picture->pixels.begin(), picture->pixels.end(),
                                      [](std::uint32_t p) { return (p >> 24) == 0xFF; });
    EXPECT_GT(opaque, size * size / 8) << "a picture, not an empty square";
  }
  EXPECT_EQ(icons.PictureOf(std::string(windows) + "\\no such program.exe", true), std::nullopt);
  EXPECT_EQ(icons.PictureOf("", true), std::nullopt);
}

}  // namespace
}  // namespace platform::win32_impl
