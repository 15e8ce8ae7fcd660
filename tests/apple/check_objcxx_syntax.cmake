# Compiles every source file of the macOS layer with clang, -fsyntax-only, for macOS at the
# deployment target: the .mm files as Objective-C++ with ARC and blocks, the .cpp files as C++,
# against the declarations in SDK_DIR and with the warnings of the real build as errors. A
# selector, type or block signature that does not match Apple's API fails here, and so does a
# call of an API newer than the deployment target that no @available check guards.
#
#   cmake -DCLANGXX=... -DLAYER_DIR=... -DSOURCE_ROOT=... -DSDK_DIR=...
#         [-DDEPLOYMENT_TARGET=10.15] [-DEXPECT_ERROR=regex] -P check_objcxx_syntax.cmake
#
# With EXPECT_ERROR the check is turned round, to show that it catches what it should: every file
# must fail, with a diagnostic matching the regex.

if(NOT CLANGXX)
  message(FATAL_ERROR "clang++ not found: install Debian's clang package to check the macOS layer")
endif()
if(NOT DEPLOYMENT_TARGET)
  set(DEPLOYMENT_TARGET 10.15)
endif()

file(GLOB objcxx_sources ${LAYER_DIR}/*.mm)
file(GLOB cxx_sources ${LAYER_DIR}/*.cpp)
if(NOT objcxx_sources)
  message(FATAL_ERROR "no Objective-C++ sources in ${LAYER_DIR}")
endif()

# There is no macOS SDK here, so the C and C++ standard headers come from this machine: the
# compiler's own search list, taken as it is. Two adjustments make glibc's headers parse for a
# Darwin target: clang predefines __nonnull there (glibc uses the name for a macro of its own),
# and it does not predefine _GNU_SOURCE, which glibc's C++ support relies on.
execute_process(
  COMMAND ${CLANGXX} -x c++ -E -v -
  INPUT_FILE /dev/null
  OUTPUT_QUIET
  ERROR_VARIABLE search_report
  RESULT_VARIABLE search_result)
if(NOT search_result EQUAL 0 OR NOT search_report MATCHES "search starts here:\n(.*)\nEnd of search list")
  message(FATAL_ERROR "cannot read the C++ header search list of ${CLANGXX}")
endif()
string(REGEX REPLACE "[ \t]*\n[ \t]*" ";" host_include_dirs "${CMAKE_MATCH_1}")
string(STRIP "${host_include_dirs}" host_include_dirs)
set(host_includes -nostdinc)
foreach(dir IN LISTS host_include_dirs)
  if(dir)
    list(APPEND host_includes -isystem ${dir})
  endif()
endforeach()

# The same warnings as agent_warnings() in the top CMakeLists.txt, plus availability.
set(common_flags
  -fsyntax-only -std=c++20 --target=x86_64-apple-macos${DEPLOYMENT_TARGET}
  -U__nonnull -D_GNU_SOURCE -Wno-stdlibcxx-not-found
  -isystem ${SDK_DIR} ${host_includes} -I${SOURCE_ROOT}
  -Wall -Wextra -Wpedantic -Wshadow -Werror -Wnullable-to-nonnull-conversion
  -Wunguarded-availability)
set(objcxx_flags -x objective-c++ -fobjc-arc -fblocks -fobjc-exceptions)

set(failed "")
set(passed "")
foreach(source IN LISTS objcxx_sources cxx_sources)
  if(source MATCHES "\\.mm$")
    set(language_flags ${objcxx_flags})
  else()
    set(language_flags -x c++)
  endif()
  execute_process(
    COMMAND ${CLANGXX} ${language_flags} ${common_flags} ${source}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE diagnostics
    ERROR_VARIABLE diagnostics)
  if(result EQUAL 0)
    list(APPEND passed ${source})
  else()
    list(APPEND failed ${source})
    if(EXPECT_ERROR AND NOT diagnostics MATCHES "${EXPECT_ERROR}")
      message(FATAL_ERROR "${source} fails, but not with \"${EXPECT_ERROR}\":\n${diagnostics}")
    endif()
  endif()
  if(NOT EXPECT_ERROR AND NOT result EQUAL 0)
    message("${diagnostics}")
  endif()
endforeach()

if(EXPECT_ERROR)
  if(passed)
    list(JOIN passed "\n  " passed_list)
    message(FATAL_ERROR "expected to fail with \"${EXPECT_ERROR}\", but compiled:\n  ${passed_list}")
  endif()
  message(STATUS "every file of ${LAYER_DIR} fails as expected")
  return()
endif()

list(LENGTH objcxx_sources objcxx_count)
list(LENGTH cxx_sources cxx_count)
if(failed)
  list(JOIN failed "\n  " failed_list)
  message(FATAL_ERROR "does not compile against the Apple declarations:\n  ${failed_list}")
endif()
message(STATUS "checked ${objcxx_count} Objective-C++ and ${cxx_count} C++ files of the macOS layer "
               "for macOS ${DEPLOYMENT_TARGET}")
