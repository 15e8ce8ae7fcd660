# Compiles every source file of the macOS layer with clang, -fsyntax-only: the .mm files as
# Objective-C++ with ARC and blocks, the .cpp files as C++, against the declarations in SDK_DIR
# and with the warnings of the real build as errors. A selector, type or block signature that
# does not match Apple's API fails here.
#
#   cmake -DCLANGXX=... -DLAYER_DIR=... -DSOURCE_ROOT=... -DSDK_DIR=... -P check_objcxx_syntax.cmake

if(NOT CLANGXX)
  message(FATAL_ERROR "clang++ not found: install Debian's clang package to check the macOS layer")
endif()

file(GLOB objcxx_sources ${LAYER_DIR}/*.mm)
file(GLOB cxx_sources ${LAYER_DIR}/*.cpp)
if(NOT objcxx_sources)
  message(FATAL_ERROR "no Objective-C++ sources in ${LAYER_DIR}")
endif()

# The same warnings as agent_warnings() in the top CMakeLists.txt.
set(common_flags
  -fsyntax-only -std=c++20
  -isystem ${SDK_DIR} -I${SOURCE_ROOT}
  -Wall -Wextra -Wpedantic -Wshadow -Werror -Wnullable-to-nonnull-conversion)
# Off Apple, ARC needs a runtime that supports it named explicitly; macOS 10.15 is the first
# with on-device speech recognition.
set(objcxx_flags
  -x objective-c++ -fobjc-arc -fblocks -fobjc-exceptions -fobjc-runtime=macosx-10.15)

set(failed "")
foreach(source IN LISTS objcxx_sources cxx_sources)
  if(source MATCHES "\\.mm$")
    set(language_flags ${objcxx_flags})
  else()
    set(language_flags -x c++)
  endif()
  execute_process(
    COMMAND ${CLANGXX} ${language_flags} ${common_flags} ${source}
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    list(APPEND failed ${source})
  endif()
endforeach()

list(LENGTH objcxx_sources objcxx_count)
list(LENGTH cxx_sources cxx_count)
if(failed)
  list(JOIN failed "\n  " failed_list)
  message(FATAL_ERROR "does not compile against the Apple declarations:\n  ${failed_list}")
endif()
message(STATUS "checked ${objcxx_count} Objective-C++ and ${cxx_count} C++ files of the macOS layer")
