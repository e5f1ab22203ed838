# Cross-builds the Windows program on Debian with MinGW-w64 (the posix thread
# model, for std::thread). scripts/build-windows passes this file and the folder
# where scripts/windows-deps installed the libraries built for Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(PELLORA_WINDOWS_DEPS "" CACHE PATH "Where scripts/windows-deps installed libjpeg-turbo, GoogleTest and the headers")
# CMake's compiler checks read this file again inside the same process; they
# must see the same folder, or they would point pkg-config at /lib/pkgconfig
# for the rest of the first configuration.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PELLORA_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${PELLORA_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must see only the Windows libraries, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${PELLORA_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Tests and their discovery run the .exe files under Wine, in a Wine prefix
# of their own (scripts/wine-run).
get_filename_component(PELLORA_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${PELLORA_SOURCE_DIR}/scripts/wine-run")
