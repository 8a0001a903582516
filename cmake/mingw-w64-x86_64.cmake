# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix thread
# model, package g++-mingw-w64-x86-64-posix). Programs and tests link
# statically, so they run under Wine or on Windows without mingw's DLLs; the
# tests run through tools/wine-run.sh, which needs Wine (package wine64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZARNEL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZARNEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZARNEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZARNEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZARNEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
