# Packages of the installed tree: `cpack -G DEB` (scripts/package.sh) on Debian; in the
# windows build `cpack` makes a zip and, where NSIS is installed, an installer.
if(WIN32)
  set(CPACK_PACKAGE_NAME Refquill)
  set(CPACK_PACKAGE_VENDOR "Refquill developers")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "move references between EndNote and JFile for Palm OS")
  set(CPACK_PACKAGE_FILE_NAME Refquill-${PROJECT_VERSION}-win64)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Refquill)
  set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
  # The source beside the packages (`cpack --config CPackSourceConfig.cmake`), as the LGPL asks
  # of a program linked with Qt statically: with it refquill.exe can be relinked with another Qt.
  set(CPACK_SOURCE_GENERATOR TGZ ZIP)
  set(CPACK_SOURCE_PACKAGE_FILE_NAME Refquill-${PROJECT_VERSION}-Source)
  set(CPACK_SOURCE_IGNORE_FILES "^${PROJECT_SOURCE_DIR}/build/" "^${PROJECT_SOURCE_DIR}/\\.git"
      "\\.swp$" "~$")
  set(CPACK_STRIP_FILES ON)
  set(CPACK_GENERATOR ZIP)
  find_program(RQ_MAKENSIS makensis)
  if(RQ_MAKENSIS)
    list(APPEND CPACK_GENERATOR NSIS)
    # CPack's own script installs for all users where it can (HKLM, the all-users Start menu);
    # ours installs for one user, without elevation: cmake/packaging/NSIS.template.in.
    list(PREPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/packaging)
    set(CPACK_NSIS_PACKAGE_NAME Refquill)
    set(CPACK_NSIS_DISPLAY_NAME Refquill)
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Refquill)
    set(CPACK_RQ_FILE_VERSION ${PROJECT_VERSION}.0)
    set(CPACK_RQ_COPYRIGHT "${RQ_COPYRIGHT}")
    set(CPACK_RQ_ICON ${PROJECT_SOURCE_DIR}/resources/icons/refquill.ico)
    # The Start-menu entry starts the window program; the command-line tool gets none.
    set(CPACK_RQ_WINDOW_PROGRAM "")
    set(CPACK_RQ_ICON_PROGRAM refquill-cli.exe)
    if(TARGET refquill)
      set(CPACK_RQ_WINDOW_PROGRAM refquill.exe)
      set(CPACK_RQ_ICON_PROGRAM refquill.exe)
    endif()
  endif()
  include(CPack)
  return()
endif()

set(CPACK_PACKAGE_NAME refquill)
set(CPACK_PACKAGE_VENDOR "Refquill developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "move references between EndNote and JFile for Palm OS")
set(CPACK_PACKAGE_CONTACT "Refquill developers <developers@refquill.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME refquill)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop program needs a Qt platform plugin, which no library of it names.
if(TARGET refquill)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
# CPack puts the summary first and indents these lines; an empty line becomes " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Refquill moves bibliographic references between the reference manager
EndNote and JFile, the database application for Palm OS handhelds.

EndNote to JFile: reads EndNote tab-delimited exports, keeps the selected
fields, cuts each value to its field's maximum length and builds a Palm
database (PDB) that is queued for the next HotSync.

JFile to EndNote: turns a JFile database into an EndNote tab-delimited
import file.

The package holds the desktop program refquill, the command-line tool
refquill-cli and the converter they share.")
include(CPack)
