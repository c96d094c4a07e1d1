# Cross build of the 32-bit Windows DLL, for the hosts that are 32-bit: VB6, 32-bit Office,
# SysWOW64's script hosts.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(WARBLER_MINGW i686-w64-mingw32)
set(WARBLER_ARCH x86)
set(WARBLER_WIDL_TARGET -m32 -L/usr/lib/i386-linux-gnu/wine/i386-windows)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
