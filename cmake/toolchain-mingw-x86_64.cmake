# Cross-build for 64-bit Windows with Debian's mingw-w64: used only to run the
# Wine scenarios where this machine cannot execute 32-bit x86 code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
