#include "platform/linux/capture/pulse_library.h"

#include <dlfcn.h>

namespace dictation_agent {
namespace {

template <typename Function>
bool resolve(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(handle, name));
  return function != nullptr;
}

}  // namespace

std::shared_ptr<const PulseLibrary> PulseLibrary::load(const char* soname) {
  void* handle = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) {
    ::dlerror();  // clears the message, which nobody reads
    return nullptr;
  }
  std::shared_ptr<PulseLibrary> library(new PulseLibrary());
  const bool resolved = library->resolveAll(handle);
  ::dlclose(handle);  // only drops the reference: the library is never unloaded
  if (!resolved) return nullptr;
  return library;
}

bool PulseLibrary::resolveAll(void* handle) {
#define AGENT_RESOLVE_PULSE_FUNCTION(name) \
  if (!resolve(handle, #name, name)) return false;
  AGENT_PULSE_FUNCTIONS(AGENT_RESOLVE_PULSE_FUNCTION)
#undef AGENT_RESOLVE_PULSE_FUNCTION
  return true;
}

}  // namespace dictation_agent
