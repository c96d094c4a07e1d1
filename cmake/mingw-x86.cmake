# Cross build of the 32-bit Windows DLL with Debian's mingw-w64 (win32 thread model), for the hosts
# that are 32-bit: VB6, 32-bit Office, SysWOW64's script hosts.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
find_program(WARBLER_WIDL i686-w64-mingw32-widl REQUIRED)
# The DLL's name and identity texts, and where widl finds the type libraries it imports.
set(WARBLER_ARCH x86)
set(WARBLER_WIDL_TARGET -m32 -L/usr/lib/i386-linux-gnu/wine/i386-windows)
