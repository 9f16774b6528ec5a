// A program for the Windows platform tests to act on.
//   tarvelo_test_child wait              sleeps (at most a minute) until ended
//   tarvelo_test_child instance NAME     exits with 1 when another instance
//                                        holds NAME, else 0
#include <cstring>

#include "WinTestSupport.h"
#include "platform/win32/WinSingleInstance.h"

int main(int argc, char* argv[]) {
  using namespace platform::win32_impl;
  {  // Tell the test that the program is up.
    const UniqueHandle ready(
        ::OpenEventA(EVENT_MODIFY_STATE, FALSE, testing::ChildReadyEventName(::GetCurrentProcessId()).c_str()));
    if (ready) ::SetEvent(ready.Get());
  }
  if (argc == 2 && std::strcmp(argv[1], "wait") == 0) {
    ::Sleep(60000);
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "instance") == 0) {
    WinSingleInstance instance(argv[2]);
    return instance.AnotherInstanceRunning() ? 1 : 0;
  }
  return 2;
}
