# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the posix-thread variant, whose
# libstdc++ has std::thread and std::mutex) and runs the built programs under Wine, so that
# ctest and gtest_discover_tests work on the Linux build machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUARVEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUARVEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUARVEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUARVEL_MINGW_TRIPLE}-windres)

# Headers, libraries and CMake packages come from the Windows sysroot (and from the roots
# that qt.toolchain.cmake or the caller append); build tools come from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${QUARVEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The build folder gets its own copy of wine-run.sh, which runs a program under wine64 with a
# Wine prefix inside that folder (never ~/.wine) and the environment the programs need.
# try_compile's scratch projects run nothing and get none.
if(CMAKE_BINARY_DIR AND NOT CMAKE_BINARY_DIR MATCHES "/CMakeFiles/")
    file(COPY "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh" DESTINATION "${CMAKE_BINARY_DIR}")
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run.sh")
endif()
