# The same sources built for x86-64, only to run the Wine tests on machines
# whose kernel executes no 32-bit program (Wine's 32-bit loader fails there
# with "Exec format error"). What ships is the 32-bit build: the plug-in's
# attach record holds a pointer, so its layout is the 32-bit one only there.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MQ_MINGW_PREFIX x86_64-w64-mingw32)
# Its tests run under the 64-bit loader, whoever configures the build.
find_program(MQ_WINE NAMES wine PATHS ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine64 NO_DEFAULT_PATH)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
