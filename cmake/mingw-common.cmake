# The MinGW-w64 cross toolchain for MQ_MINGW_PREFIX, set by the file that
# includes this one.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model gives the C++ library std::mutex (GoogleTest needs
# it); with -static its winpthreads part is linked in, so no DLL ships.
find_program(MQ_MINGW_GCC NAMES ${MQ_MINGW_PREFIX}-gcc-posix ${MQ_MINGW_PREFIX}-gcc REQUIRED)
find_program(MQ_MINGW_GXX NAMES ${MQ_MINGW_PREFIX}-g++-posix ${MQ_MINGW_PREFIX}-g++ REQUIRED)
set(CMAKE_C_COMPILER ${MQ_MINGW_GCC})
set(CMAKE_CXX_COMPILER ${MQ_MINGW_GXX})
set(CMAKE_RC_COMPILER ${MQ_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MQ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

find_program(MQ_WINE NAMES wine wine-stable)
if(MQ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MQ_WINE})
endif()
