# Cross-compile the 32-bit Win32 deliverables with MinGW-w64 and run the
# resulting test programs under Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MQ_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
