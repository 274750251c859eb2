# Shared by the mingw-w64 toolchain files; they set QOVI_MINGW_TRIPLE, CMAKE_SYSTEM_PROCESSOR and
# QOVI_WINE_RUNNER first. The posix thread model makes std::thread and std::mutex complete, and
# everything is linked statically: the program must not depend on any DLL that is not Windows'.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QOVI_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QOVI_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QOVI_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QOVI_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest runs the Windows test programs through Wine in the project's prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/${QOVI_WINE_RUNNER}")
