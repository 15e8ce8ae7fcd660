# Configures the macOS build on Linux with the Darwin toolchain stub, as on a Mac that has only
# what Xcode's command-line tools and today's Homebrew formulas install: first with a
# Homebrew-like prefix where utf8proc is a dylib and nothing else, then with no utf8proc at all.
# Then it checks what the build would do:
#  - configuring succeeds either way, and the executable links no library from outside macOS: no
#    dylib, no archive of utf8proc, no -l library, so that library validation under the hardened
#    runtime has nothing to refuse; the transcript cap takes its grapheme clusters from
#    CoreFoundation;
#  - everything is compiled and linked for macOS 10.15;
#  - after linking, the load commands are checked, then the executable is signed with the
#    hardened runtime and the audio-input entitlement, with a secure timestamp for a real identity;
#  - the load-command check itself refuses a library from outside macOS.
# Messages are compared with their white space folded, so that however CMake wraps them (which
# depends on the length of the paths in them) the words still match.
#
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DCLANGXX=... -P check_apple_configure.cmake

cmake_minimum_required(VERSION 3.22)

if(NOT CLANGXX)
  message(FATAL_ERROR "clang++ not found: install Debian's clang package to check the macOS build")
endif()
set(stub_dir ${CMAKE_CURRENT_LIST_DIR}/darwin_stub)
set(layer_dir ${SOURCE_DIR}/src/platform/apple)

function(expect text regex what)
  if(NOT text MATCHES "${regex}")
    message(FATAL_ERROR "expected ${what} (/${regex}/) in:\n${text}")
  endif()
endfunction()

function(expect_not text regex what)
  if(text MATCHES "${regex}")
    message(FATAL_ERROR "unexpected ${what} (/${regex}/) in:\n${text}")
  endif()
endfunction()

function(fold_white_space variable)
  string(REGEX REPLACE "[ \t\r\n]+" " " folded "${${variable}}")
  set(${variable} "${folded}" PARENT_SCOPE)
endfunction()

# Today's Homebrew formula builds utf8proc with CMake, shared only: the dylib, its pkg-config
# file, no archive.
set(homebrew ${WORK_DIR}/homebrew)
set(no_packages ${WORK_DIR}/no-packages)
file(REMOVE_RECURSE ${WORK_DIR})
file(WRITE ${homebrew}/include/utf8proc.h "")
file(WRITE ${homebrew}/lib/libutf8proc.3.dylib "")
file(WRITE ${homebrew}/lib/libutf8proc.dylib "")
file(WRITE ${homebrew}/lib/pkgconfig/libutf8proc.pc
  "prefix=${homebrew}\nlibdir=\${prefix}/lib\nincludedir=\${prefix}/include\n\n"
  "Name: libutf8proc\nDescription: UTF8 processing\nVersion: 2.10.0\n"
  "Libs: -L\${libdir} -lutf8proc\nCflags: -I\${includedir}\n")
file(MAKE_DIRECTORY ${no_packages})

set(build ${WORK_DIR}/build)
function(configure pkg_config_dir)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${pkg_config_dir} PKG_CONFIG_PATH=
            ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${build} -G "Unix Makefiles"
            -DCMAKE_TOOLCHAIN_FILE=${stub_dir}/toolchain.cmake
            -DCMAKE_CXX_COMPILER=${CLANGXX} -DCMAKE_OBJCXX_COMPILER=${CLANGXX}
            -DAGENT_BUILD_TESTS=OFF -DAGENT_BUILD_BENCHMARKS=OFF ${ARGN}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "configuring the macOS build failed:\n${output}")
  endif()
endfunction()

set(agent_dir ${build}/CMakeFiles/dictation-agent.dir)
set(core_dir ${build}/CMakeFiles/agent_core.dir)

# What links, on a Mac with utf8proc as a dylib only and on one without it.
foreach(pkg_config_dir ${homebrew}/lib/pkgconfig ${no_packages})
  file(REMOVE_RECURSE ${build})
  configure(${pkg_config_dir})
  file(READ ${agent_dir}/link.txt link_line)
  file(READ ${core_dir}/build.make core_rules)
  expect_not("${link_line}" "utf8proc" "utf8proc (${pkg_config_dir})")
  expect_not("${link_line}" "\\.dylib|\\.so[ .]" "a shared library (${pkg_config_dir})")
  expect_not("${link_line}" "(^| )-l" "a library found by the linker (${pkg_config_dir})")
  expect("${link_line}" "-framework CoreFoundation" "CoreFoundation (${pkg_config_dir})")
  expect("${core_rules}" "grapheme_clusters_cf\\.cpp" "CoreFoundation's grapheme clusters")
  expect_not("${core_rules}" "grapheme_clusters_utf8proc" "utf8proc's grapheme clusters")
endforeach()

set(agent_dir ${build}/CMakeFiles/dictation-agent.dir)
file(READ ${agent_dir}/link.txt link_line)
file(READ ${agent_dir}/build.make agent_rules)
file(READ ${build}/CMakeFiles/agent_platform.dir/flags.make platform_flags)
file(READ ${build}/CMakeFiles/agent_core.dir/flags.make core_flags)

# The rest of the link line.
foreach(framework Speech AVFoundation Foundation)
  expect("${link_line}" "-framework ${framework}" "the ${framework} framework")
endforeach()
expect("${link_line}" "-mmacosx-version-min=10\\.15" "the deployment target when linking")
expect("${link_line}" "-sectcreate,__TEXT,__info_plist," "the embedded Info.plist")

# The deployment target reaches every compilation, Objective-C++ included.
expect("${core_flags}" "CXX_FLAGS = [^\n]*-mmacosx-version-min=10\\.15" "10.15 for the core")
expect("${platform_flags}" "OBJCXX_FLAGS = [^\n]*-mmacosx-version-min=10\\.15" "10.15 for the .mm")

# After linking: the load-command check, then the hardened-runtime signature.
string(FIND "${agent_rules}" "check_load_commands.cmake" check_at)
string(FIND "${agent_rules}" "${stub_dir}/bin/codesign" sign_at)
if(check_at LESS 0 OR sign_at LESS 0 OR NOT check_at LESS sign_at)
  message(FATAL_ERROR "expected the load-command check, then codesign, after linking:\n${agent_rules}")
endif()
string(REGEX MATCH "[^\n]*/bin/codesign [^\n]*" codesign "${agent_rules}")
expect("${codesign}" "--force --sign - " "an ad-hoc signature by default")
expect("${codesign}" "--options runtime " "the hardened runtime")
expect("${codesign}" "--entitlements ${layer_dir}/dictation-agent\\.entitlements "
       "the entitlements")
expect("${codesign}" "--identifier org\\.dictation-agent\\.dictation-agent " "the identifier")
expect_not("${codesign}" "--timestamp" "a secure timestamp with an ad-hoc signature")
string(REGEX MATCH "[^\n]*check_load_commands\\.cmake[^\n]*" load_check "${agent_rules}")
expect("${load_check}" "-DOTOOL=${stub_dir}/bin/otool" "otool for the load-command check")

# Nothing in the signature gives library validation or the runtime's other protections up.
file(READ ${layer_dir}/dictation-agent.entitlements entitlements)
expect("${entitlements}" "<key>com\\.apple\\.security\\.device\\.audio-input</key>"
       "the audio-input entitlement")
expect_not("${entitlements}" "com\\.apple\\.security\\.cs\\." "an exception to the hardened runtime")

# A real identity also gets a secure timestamp.
configure(${homebrew}/lib/pkgconfig
  "-DAGENT_CODESIGN_IDENTITY=Developer ID Application: Example (TEAM123456)")
file(READ ${agent_dir}/build.make agent_rules)
string(REGEX MATCH "[^\n]*/bin/codesign [^\n]*" codesign "${agent_rules}")
expect("${codesign}" "Developer ID Application: Example \\(TEAM123456\\)" "the identity")
expect("${codesign}" "--timestamp" "a secure timestamp")
expect("${codesign}" "--options runtime " "the hardened runtime")

# The load-command check: macOS's own libraries pass, anything else fails the build.
function(check_listing listing expected_result)
  # ARGV2: what the refusal must say
  file(WRITE ${WORK_DIR}/listing.txt "${listing}")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env STUB_OTOOL_LISTING=${WORK_DIR}/listing.txt
            ${CMAKE_COMMAND} -DOTOOL=${stub_dir}/bin/otool -DEXECUTABLE=${build}/dictation-agent
            -P ${layer_dir}/check_load_commands.cmake
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  fold_white_space(output)
  expect_not("${output}" "CMake Warning" "a warning from the load-command check")
  if(expected_result STREQUAL "passes" AND NOT result EQUAL 0)
    message(FATAL_ERROR "the load-command check refused macOS's own libraries:\n${output}")
  endif()
  if(expected_result STREQUAL "fails")
    if(result EQUAL 0)
      message(FATAL_ERROR "the load-command check let this through:\n${listing}")
    endif()
    expect("${output}" "${ARGV2}" "the reason in the message")
  endif()
endfunction()
set(system_libraries
  "\t/System/Library/Frameworks/Speech.framework/Versions/A/Speech (compatibility version 1.0.0, current version 1.0.0)\n"
  "\t/System/Library/Frameworks/AVFoundation.framework/Versions/A/AVFoundation (compatibility version 1.0.0, current version 2.0.0)\n"
  "\t/usr/lib/libc++.1.dylib (compatibility version 1.0.0, current version 1300.36.0)\n"
  "\t/usr/lib/libSystem.B.dylib (compatibility version 1.0.0, current version 1311.0.0)\n")
string(CONCAT clean ${system_libraries})
check_listing("${clean}" passes)
string(CONCAT with_homebrew ${system_libraries}
  "\t/opt/homebrew/opt/utf8proc/lib/libutf8proc.3.dylib (compatibility version 3.0.0, current version 3.0.0)\n")
check_listing("${with_homebrew}" fails "outside macOS.*libutf8proc\\.3\\.dylib")
check_listing("" fails "listed no library")

message(STATUS "the macOS build links nothing from outside macOS and signs with the hardened runtime")
