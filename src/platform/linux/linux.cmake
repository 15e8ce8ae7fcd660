# The Linux backend.
add_library(agent_platform STATIC
  src/platform/linux/asio_main_queue.cpp
  src/platform/linux/linux_platform.cpp
)
target_link_libraries(agent_platform PUBLIC agent_core Threads::Threads)
agent_warnings(agent_platform)
