# The Linux backend, in four folders:
#   capture/      the agent's PulseAudio capture (libpulse loaded at run time);
#   recognition/  the agent's side of recognition: the request's buffers, the task, the process
#                 it starts and talks to;
#   recognizer/   dictation-agent-recognizer, the program that runs pocketsphinx with soxr
#                 resampling, the only one that links the recogniser's libraries. Its protocol
#                 and model files are the part the agent shares (agent_recognition_common);
#   formatting/   the recogniser's words as dictated text, by the locale's language.
# linux_platform.cpp is the one factory; the Asio main queue and the authorizations sit beside it.
pkg_check_modules(LIBPULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(POCKETSPHINX REQUIRED IMPORTED_TARGET pocketsphinx)
pkg_check_modules(SPHINXBASE REQUIRED IMPORTED_TARGET sphinxbase)
pkg_check_modules(SOXR REQUIRED IMPORTED_TARGET soxr)
pkg_check_modules(SECCOMP REQUIRED IMPORTED_TARGET libseccomp)

# Debian's .pc files name /usr/include/sphinxbase, which does not exist; CMake refuses imported
# targets with missing include folders, so keep only the ones that are there.
foreach(target PkgConfig::POCKETSPHINX PkgConfig::SPHINXBASE)
  get_target_property(folders ${target} INTERFACE_INCLUDE_DIRECTORIES)
  list(FILTER folders EXCLUDE REGEX "^$")
  set(existing)
  foreach(folder IN LISTS folders)
    if(EXISTS "${folder}")
      list(APPEND existing "${folder}")
    endif()
  endforeach()
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${existing}")
endforeach()

# What both sides of the recogniser's socket use: model files and the frames they exchange.
add_library(agent_recognition_common STATIC
  src/platform/linux/recognizer/pocketsphinx_model.cpp
  src/platform/linux/recognizer/recognizer_protocol.cpp
)
target_include_directories(agent_recognition_common PUBLIC src)
agent_warnings(agent_recognition_common)

# How the recogniser's words are written out: capitals, digits, spacing. Plain text in, plain
# text out; the tests and benches also compare texts with its number reading.
add_library(agent_formatting STATIC
  src/platform/linux/formatting/script_spacing.cpp
  src/platform/linux/formatting/spoken_numbers.cpp
  src/platform/linux/formatting/transcript_formatter.cpp
)
target_include_directories(agent_formatting PUBLIC src)
target_link_libraries(agent_formatting PUBLIC PkgConfig::UTF8PROC)
agent_warnings(agent_formatting)

add_library(agent_platform STATIC
  src/platform/linux/asio_main_queue.cpp
  src/platform/linux/linux_platform.cpp
  src/platform/linux/capture/pulse_audio_engine.cpp
  src/platform/linux/capture/pulse_connection.cpp
  src/platform/linux/capture/pulse_session.cpp
  src/platform/linux/capture/pulse_library.cpp
  src/platform/linux/recognition/audio_buffer_queue.cpp
  src/platform/linux/recognition/buffered_recognition_request.cpp
  src/platform/linux/recognition/executable_directory.cpp
  src/platform/linux/recognition/pocketsphinx_recognition_task.cpp
  src/platform/linux/recognition/pocketsphinx_speech_recognizer.cpp
  src/platform/linux/recognition/recognizer_process.cpp
  src/platform/linux/recognition/recognizer_program.cpp
  src/platform/linux/recognition/recognizer_session.cpp
)
# libpulse is loaded at run time (pulse_library.h): only its headers are used at build time.
target_include_directories(agent_platform SYSTEM PUBLIC ${LIBPULSE_INCLUDE_DIRS})
target_link_libraries(agent_platform
  PUBLIC agent_core agent_formatting agent_recognition_common Threads::Threads ${CMAKE_DL_LIBS})
agent_warnings(agent_platform)
if(AGENT_SANITIZE MATCHES "thread")
  # Asio's fenced blocks call atomic_thread_fence, which ThreadSanitizer does not model and GCC
  # warns about. The queue hands its tasks over under a mutex, which it does model.
  target_compile_options(agent_platform PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-tsan>)
endif()

# The recogniser process: decoding, resampling and segmentation at pauses.
add_library(agent_recognizer STATIC
  src/platform/linux/recognizer/decoding_sandbox.cpp
  src/platform/linux/recognizer/pocketsphinx_decoder.cpp
  src/platform/linux/recognizer/recognition_service.cpp
  src/platform/linux/recognizer/segmented_recognition.cpp
  src/platform/linux/recognizer/speech_resampler.cpp
)
target_link_libraries(agent_recognizer
  PUBLIC agent_recognition_common PkgConfig::SOXR
  PRIVATE PkgConfig::POCKETSPHINX PkgConfig::SPHINXBASE PkgConfig::SECCOMP)
agent_warnings(agent_recognizer)

add_executable(dictation-agent-recognizer src/platform/linux/recognizer/recognizer_main.cpp)
target_link_libraries(dictation-agent-recognizer PRIVATE agent_recognizer)
agent_warnings(dictation-agent-recognizer)

