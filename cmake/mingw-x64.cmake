# Cross build of the 64-bit Windows DLL, for 64-bit hosts.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(WARBLER_MINGW x86_64-w64-mingw32)
set(WARBLER_ARCH x64)
set(WARBLER_WIDL_TARGET -m64 -L/usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
