# The same sources for x86-64: the test build of hosts that run no 32-bit x86 code.
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
