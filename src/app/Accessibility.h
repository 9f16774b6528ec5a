#pragma once

#include <QString>

namespace tarvelo {

// Tells assistive tools what the program's own controls are: every Command a
// push button named by its caption, the minimise and close pictures buttons,
// the navigation entries page tabs, the diagram a chart described by its
// current figures. Installing twice does no harm.
void InstallAccessibility();

// The diagram's description: its latest figures, in words.
QString DiagramDescription(int cpuLoad, int memoryLoad, float pageFileFree, float virtualMemoryFree, float diskFree);

}  // namespace tarvelo
