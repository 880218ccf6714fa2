# Build-wide settings shared by every target.

option(MQ_BUILD_TESTS "Build the unit and Win32 tests (needs GoogleTest sources)" ON)
option(MQ_SANITIZE "Build native code with AddressSanitizer and UBSan" OFF)
set(MQ_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest source tree")

if(MSVC)
  add_compile_options(/W4 /utf-8)
  add_compile_definitions(_CRT_SECURE_NO_WARNINGS)
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
else()
  add_compile_options(-Wall -Wextra)
endif()

if(MINGW)
  # C99 snprintf: msvcrt's _snprintf leaves no terminator when it cuts.
  add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)
  # Static runtime: the files run on a clean Windows without MinGW DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(WIN32)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
endif()

if(MQ_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# Portable code is compiled into a static library per subsystem; it must not
# include any Windows header, which this check keeps honest on native builds.
function(mq_portable_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# Gives a Win32 deliverable its final file name in the shared output folder.
function(mq_deliverable target file_name)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME "${file_name}"
    PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY "${MQ_OUTPUT_DIR}"
    LIBRARY_OUTPUT_DIRECTORY "${MQ_OUTPUT_DIR}")
endfunction()
