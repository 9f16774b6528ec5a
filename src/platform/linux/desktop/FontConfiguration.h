#pragma once

#include <thread>

namespace platform::linux_impl {

// Fontconfig reads its configuration and font caches on first use, a good
// part of the program's start-up. The returned thread starts on it at once, so
// that it runs while Qt loads its plugins and opens the display; fontconfig's
// set-up is safe from two threads. The thread ends by itself; dropping the
// handle waits for it.
std::jthread ReadFontConfigurationInBackground();

}  // namespace platform::linux_impl
