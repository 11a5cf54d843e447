# Where `cmake --install` and the packages put the programs and their files.
#
# The programs find the converter and a shipped "Strat.jfp" beside their own resolved path. On
# Windows everything stays in one folder. Elsewhere the programs and jconvpro.exe go into
# lib/refquill, off PATH, and bin/ gets symbolic links to the two programs; the desktop entry,
# metainfo, icons and manual pages go where the desktop and man(1) look for them.
include(GNUInstallDirs)

set(RQ_PROGRAMS refquill-cli)
if(TARGET refquill)
  list(APPEND RQ_PROGRAMS refquill)
endif()

if(WIN32)
  # As targets, the converter too, so that the packages strip it with the programs.
  install(TARGETS ${RQ_PROGRAMS} jconvpro RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
  # Qt (LGPL-3) and the libraries linked in with it and the runtime, with where their sources are.
  install(FILES ${PROJECT_SOURCE_DIR}/resources/windows/THIRD-PARTY-NOTICES.txt DESTINATION .)
  foreach(licence LGPL-3 GPL-3)
    install(FILES /usr/share/common-licenses/${licence} DESTINATION licenses
            RENAME ${licence}.txt)
  endforeach()
  return()
endif()

set(RQ_INSTALL_PROGRAM_DIR lib/refquill)
install(TARGETS ${RQ_PROGRAMS} jconvpro RUNTIME DESTINATION ${RQ_INSTALL_PROGRAM_DIR})

# Relative links, so that the tree works wherever it is unpacked (a DESTDIR, a package root).
set(RQ_LINK_DIR ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${RQ_LINK_DIR})
foreach(program ${RQ_PROGRAMS})
  file(CREATE_LINK ../${RQ_INSTALL_PROGRAM_DIR}/${program} ${RQ_LINK_DIR}/${program} SYMBOLIC)
  install(FILES ${RQ_LINK_DIR}/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# Desktop entry, metainfo and icons.
set(RQ_APP_ID org.refquill.refquill)
set(RQ_RESOURCES ${PROJECT_SOURCE_DIR}/resources)
configure_file(${RQ_RESOURCES}/desktop/${RQ_APP_ID}.metainfo.xml
               ${CMAKE_BINARY_DIR}/resources/${RQ_APP_ID}.metainfo.xml @ONLY)
if(TARGET refquill)
  install(FILES ${RQ_RESOURCES}/desktop/${RQ_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_BINARY_DIR}/resources/${RQ_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${RQ_RESOURCES}/icons/hicolor/refquill-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME refquill.png)
  endforeach()
  install(FILES ${RQ_RESOURCES}/icons/hicolor/refquill.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# Manual pages, made from their scdoc sources at build time and compressed as Debian expects.
find_program(RQ_SCDOC scdoc REQUIRED)
find_program(RQ_GZIP gzip REQUIRED)
set(RQ_MAN_PAGES refquill-cli)
if(TARGET refquill)
  list(APPEND RQ_MAN_PAGES refquill)
endif()
set(RQ_MAN_OUTPUTS)
foreach(page ${RQ_MAN_PAGES})
  set(source ${PROJECT_SOURCE_DIR}/doc/man/${page}.1.scd)
  set(page_out ${CMAKE_BINARY_DIR}/man/${page}.1)
  add_custom_command(
    OUTPUT ${page_out} ${page_out}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh -c "'${RQ_SCDOC}' < '${source}' > '${page_out}' && '${RQ_GZIP}' -n -9 -c '${page_out}' > '${page_out}.gz'"
    DEPENDS ${source}
    COMMENT "Manual page ${page}(1)"
    VERBATIM)
  list(APPEND RQ_MAN_OUTPUTS ${page_out} ${page_out}.gz)
  install(FILES ${page_out}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(manpages ALL DEPENDS ${RQ_MAN_OUTPUTS})

# Shell completion, where bash-completion and Debian's zsh look for it.
install(FILES ${RQ_RESOURCES}/completion/refquill-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME refquill-cli)
install(FILES ${RQ_RESOURCES}/completion/_refquill-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

# The changelog, compressed as Debian expects; lintian's notes on the package, each with why.
set(RQ_CHANGELOG ${CMAKE_BINARY_DIR}/doc/changelog.gz)
add_custom_command(
  OUTPUT ${RQ_CHANGELOG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
  COMMAND sh -c "'${RQ_GZIP}' -n -9 -c '${PROJECT_SOURCE_DIR}/CHANGELOG.md' > '${RQ_CHANGELOG}'"
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  COMMENT "Changelog"
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${RQ_CHANGELOG})
install(FILES ${RQ_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/refquill)
install(FILES ${RQ_RESOURCES}/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/refquill)
install(FILES ${RQ_RESOURCES}/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME refquill)
