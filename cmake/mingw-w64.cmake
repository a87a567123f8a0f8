# Shared part of the MinGW-w64 toolchain files: cross-compiles for Windows with the compilers of
# the triple CORVELLE_MINGW_TRIPLE. Tests run under Wine.
# The win32 thread model: its static C++ runtime calls only what Windows XP has (the posix model's
# brings POSIX threads, which import GetTickCount64) and is smaller. It has no std::thread,
# std::mutex or monotonic std::chrono::steady_clock; the code uses Win32 threads and the
# performance counter instead, and GoogleTest gets a Win32 event for the one class of its made of
# std::mutex (tests/gtest-win32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${CORVELLE_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${CORVELLE_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${CORVELLE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CORVELLE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
