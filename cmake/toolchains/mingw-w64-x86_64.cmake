# Cross-build for 64-bit Windows with Debian's MinGW-w64. The -posix compilers carry the
# winpthreads thread model, without which <thread> and <mutex> are missing. The runtime is
# linked statically so each .exe runs alone, and Wine runs the programs for ctest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RQ_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RQ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RQ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RQ_MINGW_TRIPLE}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Libraries built for Windows (Google Test, Qt) are unpacked into the build folder.
set(CMAKE_FIND_ROOT_PATH /usr/${RQ_MINGW_TRIPLE} ${CMAKE_BINARY_DIR}/mingw-deps
    ${CMAKE_BINARY_DIR}/qt6-mingw)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wine keeps its own Windows (the prefix) in the build folder, so a run never touches the user's.
find_program(RQ_WINE NAMES wine wine64)
if(RQ_WINE)
  set(RQ_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${RQ_WINE_PREFIX} WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml= ${RQ_WINE})
endif()
