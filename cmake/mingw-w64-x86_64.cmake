# Cross build for 64-bit Windows with Debian's MinGW-w64 compiler (posix thread model, for
# std::thread and std::mutex). The programs are linked statically, so a .exe runs on its own,
# and they run under wine when wine is there (tests, gtest discovery).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORBEK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORBEK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORBEK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORBEK_MINGW_TRIPLE}-windres)

# Libraries and headers of the target only; programs of the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${ORBEK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(ORBEK_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT ORBEK_WINE)
  find_program(ORBEK_WINE NAMES wine64 wine)
endif()
if(ORBEK_WINE AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORBEK_WINE})
endif()
