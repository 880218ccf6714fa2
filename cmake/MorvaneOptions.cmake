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
  # Release files ship without symbols.
  add_link_options($<$<CONFIG:Release>:-s>)
endif()

if(WIN32)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
endif()

if(MQ_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# Portable code is compiled into a static library per folder; it must not
# include any Windows header, which the native build, having none, keeps honest.
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

# mq_generate_icons(RC_SOURCE rc [CURSOR "picture=x,y"] PICTURES pictures...):
# builds each text-art picture (tools/icons/NAME.txt) into NAME.ico (or NAME.cur
# for a cursor) in this folder's build directory, and lets RC_SOURCE include them
# by bare file name.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(mq_generate_icons)
  cmake_parse_arguments(ARG "" "RC_SOURCE" "PICTURES;CURSORS" ${ARGN})
  set(out_dir "${CMAKE_CURRENT_BINARY_DIR}/icons")
  file(MAKE_DIRECTORY "${out_dir}")
  set(outputs "")
  foreach(picture ${ARG_PICTURES})
    get_filename_component(name "${picture}" NAME_WE)
    add_custom_command(OUTPUT "${out_dir}/${name}.ico"
      COMMAND Python3::Interpreter "${PROJECT_SOURCE_DIR}/tools/make_icon.py" "${picture}" "${out_dir}/${name}.ico"
      DEPENDS "${picture}" "${PROJECT_SOURCE_DIR}/tools/make_icon.py" VERBATIM)
    list(APPEND outputs "${out_dir}/${name}.ico")
  endforeach()
  foreach(cursor ${ARG_CURSORS})  # "picture.txt=X,Y"
    string(REPLACE "=" ";" parts "${cursor}")
    list(GET parts 0 picture)
    list(GET parts 1 hot_spot)
    get_filename_component(name "${picture}" NAME_WE)
    add_custom_command(OUTPUT "${out_dir}/${name}.cur"
      COMMAND Python3::Interpreter "${PROJECT_SOURCE_DIR}/tools/make_icon.py" --cursor "${hot_spot}" "${picture}" "${out_dir}/${name}.cur"
      DEPENDS "${picture}" "${PROJECT_SOURCE_DIR}/tools/make_icon.py" VERBATIM)
    list(APPEND outputs "${out_dir}/${name}.cur")
  endforeach()
  set_source_files_properties("${ARG_RC_SOURCE}" PROPERTIES
    OBJECT_DEPENDS "${outputs}"
    INCLUDE_DIRECTORIES "${out_dir}")
endfunction()
