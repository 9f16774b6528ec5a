#include "support/Browser.h"

#include <QDesktopServices>

namespace tarvelo::testing {

Browser::Browser() { QDesktopServices::setUrlHandler("http", this, "Open"); }

Browser::~Browser() { QDesktopServices::unsetUrlHandler("http"); }

void Browser::Open(const QUrl& url) { opened.append(url.toString()); }

}  // namespace tarvelo::testing
