# Every version number of a release, kept here alone: the product's and each
# file's own. The build hands them to the resource compiler (through the
# generated mq_version.h), to the program's About box and manifest, and to
# the installer and the zip; scripts/dist.sh reads the product's with
#   cmake -P cmake/version.cmake
set(MQ_VERSION 1.10)
set(MQ_PROGRAM_FILE_VERSION 1.10.0.20)
set(MQ_PLUGIN_FILE_VERSION 1.10.0.5)
set(MQ_UTILITIES_FILE_VERSION 1.10.0.15)
set(MQ_GATEWAY_FILE_VERSION 1.10.0.1)

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${MQ_VERSION}")
  return()
endif()

# "1.10" -> "1, 10, 0, 0": the four numbers a VERSIONINFO statement takes.
function(mq_version_numbers version out)
  string(REPLACE "." ";" parts "${version}")
  list(LENGTH parts count)
  if(count LESS 2 OR count GREATER 4)
    message(FATAL_ERROR "version '${version}' does not have two to four numbers")
  endif()
  while(count LESS 4)
    list(APPEND parts 0)
    math(EXPR count "${count} + 1")
  endwhile()
  list(JOIN parts ", " numbers)
  set(${out} "${numbers}" PARENT_SCOPE)
endfunction()

# Writes mq_version.h into the build tree's generated/ folder, which every
# target (and every resource script) sees on its include path.
function(mq_write_version_header)
  foreach(name VERSION PROGRAM_FILE_VERSION PLUGIN_FILE_VERSION UTILITIES_FILE_VERSION GATEWAY_FILE_VERSION)
    mq_version_numbers("${MQ_${name}}" MQ_${name}_NUMBERS)
  endforeach()
  set(dir "${CMAKE_BINARY_DIR}/generated")
  configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/mq_version.h.in" "${dir}/mq_version.h" @ONLY)
  include_directories("${dir}")
endfunction()
