#include "common/WebLink.h"

#include "common/PlainText.h"

namespace tarvelo::WebLink {

std::string NotOpenedMessage(std::string_view address) {
  return "Tarvelo could not open this web address, because no web browser or link opener was found:\n\n" +
         PlainText::Displayable(address) + "\n\nYou can copy the address from here and open it in a web browser.";
}

}  // namespace tarvelo::WebLink
