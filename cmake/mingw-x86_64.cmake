# A 64-bit build of the same sources, for running the Windows tests under Wine on machines that
# cannot execute 32-bit code (see scripts/run-tests.sh).
set(QOVI_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QOVI_WINE_RUNNER wine64.sh)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
