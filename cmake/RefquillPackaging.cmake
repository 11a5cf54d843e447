# Packages of the installed tree: `cpack -G DEB` (scripts/package.sh) on Debian; in the
# windows build `cpack` makes a zip and, where NSIS is installed, an installer.
if(WIN32)
  set(CPACK_PACKAGE_NAME Refquill)
  set(CPACK_PACKAGE_VENDOR "Refquill developers")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "move references between EndNote and JFile for Palm OS")
  set(CPACK_PACKAGE_FILE_NAME Refquill-${PROJECT_VERSION}-win64)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Refquill)
  set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/resources/debian/copyright)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_GENERATOR ZIP)
  find_program(RQ_MAKENSIS makensis)
  if(RQ_MAKENSIS)
    list(APPEND CPACK_GENERATOR NSIS)
    # The program writes beside itself (Strat.jfp, Log.txt, RQWork): it is installed per user,
    # where the user may write, and the installer asks for no administrator rights.
    set(CPACK_NSIS_DEFINES "RequestExecutionLevel user")
    set(CPACK_NSIS_INSTALL_ROOT "$LOCALAPPDATA\\Programs")
    set(CPACK_NSIS_DISPLAY_NAME Refquill)
    set(CPACK_NSIS_PACKAGE_NAME Refquill)
    if(TARGET refquill)
      set(CPACK_PACKAGE_EXECUTABLES refquill Refquill)
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
