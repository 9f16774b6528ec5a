// A program for the Windows platform tests to act on.
//   tarvelo_test_child wait              sleeps (at most a minute) until ended
//   tarvelo_test_child instance NAME     exits with 1 when another instance
//                                        holds NAME, else 0
#include <cstring>

#include "platform/win32/Win32Api.h"
#include "platform/win32/WinSingleInstance.h"

int main(int argc, char* argv[]) {
  if (argc == 2 && std::strcmp(argv[1], "wait") == 0) {
    ::Sleep(60000);
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "instance") == 0) {
    platform::win32_impl::WinSingleInstance instance(argv[2]);
    return instance.AnotherInstanceRunning() ? 1 : 0;
  }
  return 2;
}
