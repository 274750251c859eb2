# The shipped program: 32-bit Windows.
set(QOVI_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QOVI_WINE_RUNNER wine.sh)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
