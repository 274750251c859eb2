# Fails when EXECUTABLE imports a DLL that Windows does not always take from System32: every
# other library must be loaded at run time from System32 (cmake -DOBJDUMP=... -DEXECUTABLE=...
# -P CheckImports.cmake). msvcrt.dll, the C runtime of mingw-w64, is one of the known DLLs.
cmake_policy(SET CMP0057 NEW)
set(allowed kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll
            shlwapi.dll comctl32.dll msvcrt.dll)
execute_process(COMMAND ${OBJDUMP} -p ${EXECUTABLE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot read the import table of ${EXECUTABLE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
if(NOT lines)
  message(FATAL_ERROR "no imports found in ${EXECUTABLE}")
endif()
foreach(line IN LISTS lines)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST allowed)
    message(FATAL_ERROR "${EXECUTABLE} imports ${dll}, which is not a System32-only library")
  endif()
  message(STATUS "imports ${dll}")
endforeach()
