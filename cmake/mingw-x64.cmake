# Cross build of the 64-bit Windows DLL with Debian's mingw-w64 (win32 thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
find_program(WARBLER_WIDL x86_64-w64-mingw32-widl REQUIRED)
# The DLL's name and identity texts, and where widl finds the type libraries it imports.
set(WARBLER_ARCH x64)
set(WARBLER_WIDL_TARGET -m64 -L/usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
