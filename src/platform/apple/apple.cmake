# The macOS backend: Objective-C++ (ARC) over Speech, AVFoundation and the GCD main queue.
enable_language(OBJCXX)

set(AGENT_APPLE_PLATFORM_DIR ${CMAKE_CURRENT_LIST_DIR})

if(CMAKE_OSX_DEPLOYMENT_TARGET VERSION_LESS 10.15)
  message(FATAL_ERROR "CMAKE_OSX_DEPLOYMENT_TARGET is \"${CMAKE_OSX_DEPLOYMENT_TARGET}\": the agent "
                      "needs on-device recognition, which macOS has from 10.15 on")
endif()

# Library validation under the hardened runtime lets the process load only code signed by Apple or
# with its own Team ID. Homebrew's dylibs have neither, so dyld would refuse them at launch, ad-hoc
# signature or Developer ID alike. The agent therefore uses no library from outside macOS: the
# transcript cap takes grapheme clusters from CoreFoundation (utf8proc is the Linux build's),
# nlohmann-json is header-only, and the build checks the executable's load commands before signing.
target_sources(agent_core PRIVATE ${AGENT_APPLE_PLATFORM_DIR}/grapheme_clusters_cf.cpp)
target_link_libraries(agent_core PUBLIC "-framework CoreFoundation")

add_library(agent_platform STATIC
  src/platform/apple/apple_platform.cpp
  src/platform/apple/authorizations.mm
  src/platform/apple/capture_interruptions.cpp
  src/platform/apple/capture_restart.cpp
  src/platform/apple/dispatch_delay.cpp
  src/platform/apple/engine_capture.mm
  src/platform/apple/format_usability.cpp
  src/platform/apple/gcd_main_queue.mm
  src/platform/apple/result_delivery.cpp
  src/platform/apple/speech_framework_recognizer.mm
  src/platform/apple/speech_framework_request.mm
  src/platform/apple/tap_slots.cpp
  src/platform/apple/transcript_accumulator.cpp
  src/platform/apple/utf8_text.cpp
)
set_target_properties(agent_platform PROPERTIES
  OBJCXX_STANDARD 20
  OBJCXX_STANDARD_REQUIRED ON
  OBJCXX_EXTENSIONS OFF
)
target_compile_options(agent_platform PRIVATE $<$<COMPILE_LANGUAGE:OBJCXX>:-fobjc-arc>)
target_link_libraries(agent_platform PUBLIC
  agent_core
  "-framework Speech"
  "-framework AVFoundation"
  "-framework Foundation"
)
agent_warnings(agent_platform)

# macOS files the permissions under the bundle identifier only when the agent is its own
# responsible process (started by launchd, say); then every ad-hoc rebuild, which changes the code
# hash, voids the grants. Spawned by a host or a terminal, the permissions are that app's.
set(AGENT_BUNDLE_IDENTIFIER "org.dictation-agent.dictation-agent" CACHE STRING
  "CFBundleIdentifier embedded in the executable; the permissions are filed under it only when the agent is its own responsible process, and an ad-hoc rebuild voids them")
set(AGENT_CODESIGN_IDENTITY "-" CACHE STRING
  "codesign identity for the executable; \"-\" signs ad hoc")

# A command-line tool that asks for the microphone or speech recognition is killed by the
# privacy system unless it carries the usage strings, so the Info.plist goes into the executable
# itself (__TEXT,__info_plist). The hardened runtime then allows audio input only with the
# entitlement in the signature. Before signing, the build fails if the executable would load a
# library from outside macOS.
function(agent_package_executable target)
  set(info_plist ${CMAKE_CURRENT_BINARY_DIR}/${target}-Info.plist)
  set(AGENT_EXECUTABLE_NAME ${target})
  configure_file(${AGENT_APPLE_PLATFORM_DIR}/Info.plist.in ${info_plist} @ONLY)
  target_link_options(${target} PRIVATE "-Wl,-sectcreate,__TEXT,__info_plist,${info_plist}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${info_plist})

  find_program(AGENT_CODESIGN codesign REQUIRED)
  find_program(AGENT_OTOOL otool REQUIRED)
  set(entitlements ${AGENT_APPLE_PLATFORM_DIR}/dictation-agent.entitlements)
  set(timestamp "")
  if(NOT AGENT_CODESIGN_IDENTITY STREQUAL "-")
    # A real identity gets a secure timestamp, which notarization requires.
    set(timestamp --timestamp)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DOTOOL=${AGENT_OTOOL} -DEXECUTABLE=$<TARGET_FILE:${target}>
            -P ${AGENT_APPLE_PLATFORM_DIR}/check_load_commands.cmake
    COMMAND ${AGENT_CODESIGN} --force --sign ${AGENT_CODESIGN_IDENTITY} ${timestamp}
            --options runtime --entitlements ${entitlements}
            --identifier ${AGENT_BUNDLE_IDENTIFIER} $<TARGET_FILE:${target}>
    COMMENT "Checking what ${target} loads; signing it (hardened runtime, audio-input entitlement)"
    VERBATIM)
  # Signing follows linking, so a changed entitlements file has to relink to be signed in.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${entitlements})
endfunction()
