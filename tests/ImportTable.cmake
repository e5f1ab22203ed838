# cmake -DOBJDUMP=<x86_64-w64-mingw32-objdump> -DPROGRAMS=<a.exe;b.exe> -P ImportTable.cmake
# Fails when a Windows program of the zip imports a DLL that does not come
# with Windows (the C++ runtime, winpthread or libjpeg as DLLs, say): unzipped
# anywhere, it must start on a plain Windows 10.
cmake_policy(VERSION 3.25)
set(windows_dlls
  advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll dwmapi.dll gdi32.dll imm32.dll kernel32.dll
  msvcrt.dll ntdll.dll ole32.dll oleaut32.dll shcore.dll shell32.dll shlwapi.dll user32.dll
  uxtheme.dll version.dll)
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND "${OBJDUMP}" -p "${program}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${OBJDUMP} cannot read ${program}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  if(NOT imports)
    message(FATAL_ERROR "no import table found in ${program}: the check would prove nothing")
  endif()
  foreach(import IN LISTS imports)
    string(REGEX REPLACE "DLL Name: *" "" dll "${import}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" name)
    if(NOT name IN_LIST windows_dlls)
      message(FATAL_ERROR "${program} imports ${dll}, which does not come with Windows")
    endif()
    message(STATUS "${program}: ${dll}")
  endforeach()
endforeach()
