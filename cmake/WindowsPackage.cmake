# The Windows packages of Tarvelo.exe: an NSIS installer,
# Tarvelo-<version>-setup.exe, and a portable zip. Built by "cpack" in a cross
# build's directory, with Debian's makensis.
#
# The installer puts the program in Program Files and its entry in the
# machine's Start menu; it asks for an administrator. /S installs and
# uninstalls silently. The uninstaller
# takes back what the installer and the program left: the files, the Start-menu
# entry, the "TVL" value the program writes under the Run key for "Start with
# windows", the user's Config.ini and the installer's own registry keys.
set(CPACK_PACKAGE_NAME Tarvelo)
set(CPACK_PACKAGE_VENDOR Tarvelo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Makes the computer faster: priorities, CPU limits and memory")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarvelo)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Tarvelo)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_GENERATOR NSIS ZIP)
# Only the program and its icon: no other component of the build.
set(CPACK_COMPONENTS_ALL)
set(CPACK_STRIP_FILES ON)
# The copyright notice: the installer's licence page, and beside the program.
string(SUBSTRING ${TARVELO_RELEASE_DATE} 0 4 TARVELO_COPYRIGHT_YEAR)
configure_file(${PROJECT_SOURCE_DIR}/data/copyright.in ${CMAKE_BINARY_DIR}/copyright.txt @ONLY)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_BINARY_DIR}/copyright.txt)
install(FILES ${CMAKE_BINARY_DIR}/copyright.txt DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(windows_arch win64)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  # A 64-bit installer for the 64-bit program: it sees the system's 64-bit
  # folders and registry, and runs where 32-bit programs cannot.
  set(installer_target "Target amd64-unicode")
else()
  set(windows_arch win32)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
endif()
# Each generator names its file: the installer Tarvelo-<version>-setup.exe,
# the zip Tarvelo-<version>-<arch>-portable.zip.
set(TARVELO_PACKAGE_SETUP_NAME Tarvelo-${PROJECT_VERSION}-setup)
set(TARVELO_PACKAGE_ZIP_NAME Tarvelo-${PROJECT_VERSION}-${windows_arch}-portable)
configure_file(${CMAKE_CURRENT_LIST_DIR}/WindowsPackageNames.cmake.in
  ${CMAKE_BINARY_DIR}/WindowsPackageNames.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/WindowsPackageNames.cmake)

set(CPACK_NSIS_PACKAGE_NAME Tarvelo)
set(CPACK_NSIS_DISPLAY_NAME Tarvelo)
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/bin/Tarvelo.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_BINARY_DIR}/bin/Tarvelo.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME Tarvelo.exe)
set(CPACK_NSIS_URL_INFO_ABOUT ${TARVELO_HOMEPAGE})
set(CPACK_NSIS_CONTACT ${TARVELO_CONTACT})
# CPack's uninstaller removes its key below Software\Tarvelo but leaves that
# one, empty, behind.
set(CPACK_NSIS_DEFINES "${installer_target}
Function un.onUninstSuccess
  DeleteRegKey /ifempty SHCTX 'Software\\\\Tarvelo'
FunctionEnd")
# The Start-menu entry.
set(CPACK_PACKAGE_EXECUTABLES Tarvelo Tarvelo)
# A newer version is installed over an older one. (CPack's "uninstall
# before install" would stop a silent install at a message box when the old
# uninstaller is gone.)
# A running Tarvelo is ended through its tray menu by the user, not here: the
# uninstaller removes what it can, and the Run value in both registry views
# (a 32-bit program on 64-bit Windows writes the other one). In NSIS's single
# quotes: CPack would mangle double ones.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [=[
  SetRegView 32
  DeleteRegValue HKLM 'Software\Microsoft\Windows\CurrentVersion\Run' 'TVL'
  SetRegView 64
  DeleteRegValue HKLM 'Software\Microsoft\Windows\CurrentVersion\Run' 'TVL'
  SetRegView default
  SetShellVarContext current
  Delete '$APPDATA\Tarvelo\Config.ini'
  RMDir '$APPDATA\Tarvelo'
  UserInfo::GetAccountType
  Pop $0
  StrCmp $0 'Admin' 0 +2
    SetShellVarContext all
]=])

include(CPack)
