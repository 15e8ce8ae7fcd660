# Fails unless every library the executable loads is part of macOS (/usr/lib, /System/Library).
# Under the hardened runtime library validation lets the process load only code signed by Apple
# or with the executable's own Team ID: a library from Homebrew or elsewhere has neither, and
# dyld would refuse it at launch, before main() runs.
#
#   cmake -DOTOOL=... -DEXECUTABLE=... -P check_load_commands.cmake

cmake_minimum_required(VERSION 3.22)  # the project's policies, in script mode too

execute_process(
  COMMAND ${OTOOL} -L ${EXECUTABLE}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE listing
  ERROR_VARIABLE listing)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OTOOL} -L ${EXECUTABLE} failed:\n${listing}")
endif()

# The first line names the executable itself; each further one is a library and its versions.
string(REPLACE "\n" ";" lines "${listing}")
list(POP_FRONT lines)
set(loaded "")
set(foreign "")
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "")
    continue()
  endif()
  string(REGEX REPLACE " \\(compatibility version .*$" "" library "${line}")
  list(APPEND loaded "${library}")
  if(NOT library MATCHES "^/usr/lib/" AND NOT library MATCHES "^/System/Library/")
    list(APPEND foreign "${library}")
  endif()
endforeach()

if(NOT loaded)
  message(FATAL_ERROR "${OTOOL} -L ${EXECUTABLE} listed no library at all:\n${listing}")
endif()
if(foreign)
  list(JOIN foreign "\n  " foreign_list)
  message(FATAL_ERROR "${EXECUTABLE} loads libraries from outside macOS, which the hardened "
                      "runtime would refuse:\n  ${foreign_list}")
endif()
