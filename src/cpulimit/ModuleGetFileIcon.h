#pragma once

#include <QIcon>
#include <string>

namespace platform {
class FileIcons;
}

namespace tarvelo::ModuleGetFileIcon {

// The picture of an executable's icon, small (16 px) for the process list or
// large (32 px) for the limit dialog: the shell's own picture where the system
// hands one out (Windows), else the icon a desktop user knows for the program,
// else a generic program picture; none for an empty path.
QIcon GetFileIcon(platform::FileIcons& icons, const std::string& path, bool smallIcon);

}  // namespace tarvelo::ModuleGetFileIcon
