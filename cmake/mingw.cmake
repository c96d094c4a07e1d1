# What both mingw-w64 cross builds share (Debian's packages, win32 thread model); the toolchain
# file of each sets WARBLER_MINGW (the tools' prefix), WARBLER_ARCH (the DLL's name and identity
# texts) and WARBLER_WIDL_TARGET (widl's word size and the type libraries it imports), then
# includes this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${WARBLER_MINGW}-gcc)
set(CMAKE_CXX_COMPILER ${WARBLER_MINGW}-g++)
set(CMAKE_RC_COMPILER ${WARBLER_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${WARBLER_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
find_program(WARBLER_WIDL ${WARBLER_MINGW}-widl REQUIRED)
