# The desktop program for Windows needs a Qt built for MinGW-w64. A static one is kept as an
# archive beside the project folder (../shared/toolchains/qt6-mingw/, or wherever
# REFQUILL_QT_MINGW_DIR points); it is unpacked into the build folder once, and again only when
# the archive changes. Without it the build goes on without the windows.
set(REFQUILL_QT_MINGW_DIR "${PROJECT_SOURCE_DIR}/../shared/toolchains/qt6-mingw" CACHE PATH
  "Folder holding qt6-mingw.tar.xz, a static Qt 6 for x86_64-w64-mingw32")
if(DEFINED ENV{REFQUILL_QT_MINGW_DIR})
  set(REFQUILL_QT_MINGW_DIR "$ENV{REFQUILL_QT_MINGW_DIR}" CACHE PATH "" FORCE)
endif()
set(rq_qt_archive "${REFQUILL_QT_MINGW_DIR}/qt6-mingw.tar.xz")
if(NOT EXISTS "${rq_qt_archive}")
  set(REFQUILL_GUI OFF)
  set(rq_gui_left_out_because " (no Qt for MinGW at ${rq_qt_archive})")
  return()
endif()

set(rq_qt_root "${CMAKE_BINARY_DIR}/qt6-mingw")
file(SHA256 "${rq_qt_archive}" rq_qt_sum)
set(rq_qt_stamp "${rq_qt_root}/.unpacked-from")
set(rq_qt_unpacked "")
if(EXISTS "${rq_qt_stamp}")
  file(READ "${rq_qt_stamp}" rq_qt_unpacked)
endif()
if(NOT rq_qt_unpacked STREQUAL rq_qt_sum)
  message(STATUS "Unpacking ${rq_qt_archive}")
  file(REMOVE_RECURSE "${rq_qt_root}")
  file(ARCHIVE_EXTRACT INPUT "${rq_qt_archive}" DESTINATION "${CMAKE_BINARY_DIR}")
  file(WRITE "${rq_qt_stamp}" "${rq_qt_sum}")
endif()

# moc, uic and rcc run on this machine: Debian's own, of the same Qt version.
list(PREPEND CMAKE_PREFIX_PATH "${rq_qt_root}")
set(QT_HOST_PATH /usr CACHE PATH "")
file(GLOB rq_qt_host_tools LIST_DIRECTORIES true /usr/lib/*/cmake/Qt6CoreTools)
list(GET rq_qt_host_tools 0 rq_qt_host_tools)
cmake_path(GET rq_qt_host_tools PARENT_PATH rq_qt_host_cmake)
set(QT_HOST_PATH_CMAKE_DIR "${rq_qt_host_cmake}" CACHE PATH "")
# A static Qt links its platform plugin into the program: the packages must be known where the
# programs are defined, which is below this folder.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

# A static Qt links only the windows platform; the tests (and the program started by them)
# also need the offscreen one, which needs no display.
function(rq_link_offscreen_platform target)
  qt_import_plugins(${target} INCLUDE Qt6::QOffscreenIntegrationPlugin)
endfunction()

# Qt's offscreen platform on Windows reads its fonts from <libraries>/fonts and no QT_ variable
# gets through Wine: a qt.conf beside the test programs points it at a folder holding DejaVu Sans
# alone, the face that "Sans Serif" means to the Linux tests, so that texts measure the same.
set(rq_dejavu /usr/share/fonts/truetype/dejavu)
if(REFQUILL_TESTS AND EXISTS ${rq_dejavu}/DejaVuSans.ttf)
  set(rq_test_fonts ${CMAKE_BINARY_DIR}/qt-test-fonts/fonts)
  file(REMOVE_RECURSE ${rq_test_fonts})
  file(MAKE_DIRECTORY ${rq_test_fonts} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  foreach(face DejaVuSans DejaVuSans-Bold DejaVuSans-Oblique DejaVuSans-BoldOblique)
    file(CREATE_LINK ${rq_dejavu}/${face}.ttf ${rq_test_fonts}/${face}.ttf SYMBOLIC)
  endforeach()
  file(WRITE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/qt.conf "[Paths]\nPrefix=..\nLibraries=qt-test-fonts\n")
endif()
