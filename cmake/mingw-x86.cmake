# Cross build of the 32-bit Windows DLL, for the hosts that are 32-bit: VB6, 32-bit Office,
# SysWOW64's script hosts.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(WARBLER_MINGW i686-w64-mingw32)
set(WARBLER_ARCH x86)
# widl imports stdole2.tlb only for IDispatch's identity, which is the same in both of Wine's type
# libraries: the 64-bit one serves where 32-bit Wine is not installed (kernels without 32-bit
# programs).
set(stdole2 /usr/lib/i386-linux-gnu/wine/i386-windows)
if(NOT EXISTS ${stdole2}/stdole2.tlb)
    set(stdole2 /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
endif()
set(WARBLER_WIDL_TARGET -m32 -L${stdole2})
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
