# A Darwin toolchain on Linux, for configuring the macOS build to check what it generates: the
# link line and the signing command. Nothing is built with it. The compiler is this machine's
# clang aimed at macOS; codesign, otool and install_name_tool are stand-ins from bin/.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_SYSTEM_VERSION 19.0)  # the Darwin of macOS 10.15
set(CMAKE_CXX_COMPILER_TARGET x86_64-apple-macos10.15)
set(CMAKE_OBJCXX_COMPILER_TARGET x86_64-apple-macos10.15)

# There is no Darwin linker here: compiler checks stop at object files.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# As on macOS, where the threads are part of libSystem.
set(CMAKE_HAVE_PTHREAD_H TRUE)
set(CMAKE_HAVE_LIBC_PTHREAD TRUE)

set(CMAKE_INSTALL_NAME_TOOL ${CMAKE_CURRENT_LIST_DIR}/bin/install_name_tool)
list(PREPEND CMAKE_PROGRAM_PATH ${CMAKE_CURRENT_LIST_DIR}/bin)
