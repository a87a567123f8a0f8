# Cross-compiles for 32-bit Windows (x86) with MinGW-w64: runs on 32- and 64-bit Windows and in
# both kinds of Wine prefix.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CORVELLE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
