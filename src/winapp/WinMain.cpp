// Tarvelo.exe: the Windows program. Start-up and the message loop of its one
// user-interface thread.
#include <windows.h>

#include <cstdlib>  // __argc, __argv
#include <iostream>
#include <span>

#include "app/CommandLine.h"
#include "app/ModuleAd.h"
#include "app/ModuleAutorun.h"
#include "platform/Locations.h"
#include "platform/Platform.h"
#include "settings/Settings.h"
#include "winapp/WinMainWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const std::span<char* const> arguments(__argv, static_cast<std::size_t>(__argc));
  if (const auto status = tarvelo::CommandLine::HandlePrintingOptions(arguments, std::cout)) return *status;
  if (const auto status = tarvelo::CommandLine::CheckRemainingArguments(arguments, std::cerr)) return *status;

  platform::Platform platform = platform::CreateNativePlatform();
  // One instance per user: a second start says so and ends, touching nothing.
  if (platform.singleInstance->AnotherInstanceRunning()) {
    ::MessageBoxA(nullptr, "Tarvelo already in running.", "Tarvelo", MB_OK);
    return 0;
  }
  platform.privileges->EnableDebugPrivilege();

  tarvelo::Settings settings(*platform.settingsFile, platform.systemSettingsFile.get());
  tarvelo::ModuleAutorun autorun(*platform.autostart, platform::ExecutablePath());
  tarvelo::StartOptions startOptions(settings, autorun);

  tarvelo::winapp::WinMainWindow form(instance, {platform, settings, startOptions},
                                      platform::DataFilePath("Tarvelo.ico"), tarvelo::ModuleAd::SiteRoot());
  // Its pages load the settings; the start-with-Windows entry follows
  // "Start with windows" and this executable's place.
  if (!form.Create()) return 1;
  form.AddTrayIcon();
  if (!form.StartsHidden()) form.Show();

  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the pages' controls.
    if (::IsDialogMessageW(form.Handle(), &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return 0;
}
