# Libraries that come from Debian's packages (see scripts/bootstrap.sh). Nothing here is
# kept in the repository: the LZMA SDK sources are installed by lzma-dev, googletest by the
# googletest package, and minizip and pugixml are unpacked into third_party/ by apt-get source.

set(QOVI_THIRD_PARTY "${CMAKE_SOURCE_DIR}/third_party")

# LZMA SDK 9.22, single-threaded.
set(LZMA_SDK_DIR /usr/include/lzma)
if(NOT EXISTS "${LZMA_SDK_DIR}/LzmaEnc.c")
  message(FATAL_ERROR "LZMA SDK sources not found in ${LZMA_SDK_DIR}; run scripts/bootstrap.sh")
endif()
add_library(lzmasdk STATIC
  ${LZMA_SDK_DIR}/LzFind.c
  ${LZMA_SDK_DIR}/LzmaDec.c
  ${LZMA_SDK_DIR}/LzmaEnc.c)
target_compile_definitions(lzmasdk PUBLIC _7ZIP_ST)
target_include_directories(lzmasdk SYSTEM PUBLIC ${LZMA_SDK_DIR})
target_compile_options(lzmasdk PRIVATE -w ${QOVI_SPEED_OPTIONS})
set_target_properties(lzmasdk PROPERTIES POSITION_INDEPENDENT_CODE ON)

# pugixml 1.13 as Debian patches it, for the install script. Only its own defaults are used
# (no wide-character mode), so both targets compile it the same way.
set(PUGIXML_DIR "${QOVI_THIRD_PARTY}/pugixml/src")
if(NOT EXISTS "${PUGIXML_DIR}/pugixml.cpp")
  message(FATAL_ERROR "pugixml sources not found in ${PUGIXML_DIR}; run scripts/bootstrap.sh")
endif()
add_library(pugixml STATIC ${PUGIXML_DIR}/pugixml.cpp)
target_include_directories(pugixml SYSTEM PUBLIC ${PUGIXML_DIR})
target_compile_options(pugixml PRIVATE -w)
set_target_properties(pugixml PROPERTIES POSITION_INDEPENDENT_CODE ON)

if(QOVI_TESTS)
  set(GTEST_SOURCE_DIR /usr/src/googletest)
  if(NOT EXISTS "${GTEST_SOURCE_DIR}/CMakeLists.txt")
    message(FATAL_ERROR "googletest sources not found in ${GTEST_SOURCE_DIR}; run scripts/bootstrap.sh")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# minizip as Debian patches it (the CVE-2023-45853 fix among the patches), over zlib, for the
# backup archives: the writer, the reader for the tests, and wide-character paths on Windows.
# Static on Windows: the program may depend on no DLL that is not Windows' own.
if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)
set(MINIZIP_DIR "${QOVI_THIRD_PARTY}/minizip")
if(NOT EXISTS "${MINIZIP_DIR}/zip.c")
  message(FATAL_ERROR "minizip sources not found in ${MINIZIP_DIR}; run scripts/bootstrap.sh")
endif()
add_library(minizip STATIC ${MINIZIP_DIR}/zip.c ${MINIZIP_DIR}/unzip.c ${MINIZIP_DIR}/ioapi.c
                           $<$<BOOL:${WIN32}>:${MINIZIP_DIR}/iowin32.c>)
# No encryption: the archives are plain, and the cipher would need a source of random bytes.
target_compile_definitions(minizip PUBLIC NOCRYPT NOUNCRYPT)
target_include_directories(minizip SYSTEM PUBLIC ${MINIZIP_DIR})
target_link_libraries(minizip PUBLIC ZLIB::ZLIB)
target_compile_options(minizip PRIVATE -w ${QOVI_SPEED_OPTIONS})
set_target_properties(minizip PROPERTIES POSITION_INDEPENDENT_CODE ON)
