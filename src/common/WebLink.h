#pragma once

#include <string>
#include <string_view>

namespace tarvelo::WebLink {

// What the program says when it could not hand a web address to a browser
// (none is installed, or nothing opens links): the address on a line of its
// own, made safe to show, so that the user can copy it.
std::string NotOpenedMessage(std::string_view address);

}  // namespace tarvelo::WebLink
