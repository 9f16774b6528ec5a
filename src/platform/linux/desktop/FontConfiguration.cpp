#include "platform/linux/desktop/FontConfiguration.h"

#include <fontconfig/fontconfig.h>

namespace platform::linux_impl {

std::jthread ReadFontConfigurationInBackground() {
  return std::jthread([] { FcInit(); });
}

}  // namespace platform::linux_impl
