# The Windows programs' identity: the program's icon, version information (product name,
# version, description, publisher) and an application manifest (Windows 10 and 11, common
# controls 6, long paths; per-monitor DPI awareness for the window program), compiled by windres
# from resources/windows/ into each program.
enable_language(RC)

set(RQ_ICON_FILE ${PROJECT_SOURCE_DIR}/resources/icons/refquill.ico)
function(rq_windows_identity target description)
  get_target_property(RQ_FILE_NAME ${target} OUTPUT_NAME)
  if(NOT RQ_FILE_NAME)
    set(RQ_FILE_NAME ${target})
  endif()
  if(NOT RQ_FILE_NAME MATCHES "\\.exe$")
    string(APPEND RQ_FILE_NAME .exe)
  endif()
  set(RQ_INTERNAL_NAME ${target})
  set(RQ_DESCRIPTION "${description}")
  set(RQ_DPI_AWARENESS "")
  get_target_property(window_program ${target} WIN32_EXECUTABLE)
  if(window_program)
    set(RQ_DPI_AWARENESS
"      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>
      <dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>
")
  endif()
  set(out ${CMAKE_BINARY_DIR}/windows-identity/${target})
  set(RQ_MANIFEST_FILE ${out}/${target}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/program.manifest.in ${RQ_MANIFEST_FILE}
                 @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/program.rc.in ${out}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${out}/${target}.rc)
  # windres does not see what the .rc file includes: a changed icon or manifest rebuilds it.
  set_source_files_properties(${out}/${target}.rc TARGET_DIRECTORY ${target} PROPERTIES
    OBJECT_DEPENDS "${RQ_ICON_FILE};${RQ_MANIFEST_FILE}")
endfunction()

rq_windows_identity(refquill-cli "Refquill command-line tool")
rq_windows_identity(jconvpro "Refquill converter between CSV and JFile databases")
if(TARGET refquill)
  rq_windows_identity(refquill "Refquill")
endif()
