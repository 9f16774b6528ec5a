// tarvelo-grant: run as root by pkexec for Tarvelo's "Allow..." step. It gives
// the installed helper tarvelo-priv, and nothing else, CAP_SYS_NICE. It takes
// no arguments and reads nothing from its caller: the path is fixed when
// Tarvelo is built, and the file is used only when root alone can change it.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "grant/Grant.h"

int main(int argc, char**) {
  if (argc != 1) {
    std::fputs("usage: tarvelo-grant (no arguments; Tarvelo runs it through pkexec)\n", stderr);
    return 2;
  }
  if (::geteuid() != 0) {
    std::fputs("tarvelo-grant: only root can give the helper its capability; run it through pkexec.\n", stderr);
    return 1;
  }
  const std::string problem = tarvelo::grant::GrantSysNice(TARVELO_HELPER_PATH);
  if (!problem.empty()) {
    std::fprintf(stderr, "tarvelo-grant: %s Nothing was changed.\n", problem.c_str());
    return 1;
  }
  std::printf("tarvelo-grant: %s has cap_sys_nice+ep.\n", TARVELO_HELPER_PATH);
  return 0;
}
