// One "Refresh" of the CPU page on the real system (snapshot, the list view
// filled with names and icons, the limits reconciled) against one
// `ps -e -o pid,comm`, alternating in one loop, both in CPU time.
//   process_list_bench ROUNDS [EXTRA_PROCESSES]
// Prints "cold <ns>" for the first refresh (the icon registry read), then
// per round "<refresh ns> <ps ns> <rows>".
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "CpuClock.h"
#include "SleepingChildren.h"
#include "cpulimit/CpuLimitControl.h"
#include "cpulimit/CpuLimitSlots.h"
#include "cpulimit/CpuPage.h"
#include "platform/linux/desktop/LinuxFileIcons.h"
#include "platform/linux/processes/LinuxProcessTable.h"
#include "widgets/ListView.h"

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s ROUNDS [EXTRA_PROCESSES]\n", argv[0]);
    return 2;
  }
  const int rounds = std::atoi(argv[1]);
  const SleepingChildren extra(argc > 2 ? std::atoi(argv[2]) : 0, 0);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  platform::linux_impl::LinuxProcessTable processes;
  platform::linux_impl::LinuxFileIcons icons;
  tarvelo::CpuLimitSlots limitSlots;
  tarvelo::CpuLimitControl limits(limitSlots, nullptr);
  tarvelo::CpuPage page(nullptr, 7335, 5415, processes, icons, limits, [](QDialog*) {});
  auto refresh = [&] {
    const std::int64_t t0 = ProcessCpuNs();
    page.Refresh();
    return ProcessCpuNs() - t0;
  };
  auto ps = [] { return RunCpuNs({"ps", "-e", "-o", "pid,comm"}); };

  std::printf("cold %lld\n", static_cast<long long>(refresh()));
  for (int round = 0; round < rounds; ++round) {
    // Alternate which goes first, so that neither always runs on warm caches.
    std::int64_t list = 0, baseline = 0;
    if (round % 2 == 0) {
      list = refresh();
      baseline = ps();
    } else {
      baseline = ps();
      list = refresh();
    }
    if (baseline < 0) {
      std::fprintf(stderr, "process_list_bench: ps did not run\n");
      return 1;
    }
    std::printf("%lld %lld %d\n", static_cast<long long>(list), static_cast<long long>(baseline),
                page.ListViewProcesses->RowCount());
  }
  return 0;
}
