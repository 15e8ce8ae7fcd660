#include "platform/linux/capture/pulse_session.h"

namespace dictation_agent {

PulseLink PulseSession::connect() const {
  // Loading again after the first time only looks the functions up: the library stays.
  auto library = PulseLibrary::load(soname_);
  if (!library) return {};
  PulseLink link{std::make_shared<PulseConnection>(std::move(library), settings_), std::nullopt};
  if (link.connection->outcome() == PulseConnection::Outcome::kReady) {
    link.source = link.connection->defaultSourceFormat();
  }
  return link;
}

std::shared_ptr<PulseConnection> PulseSession::connection() {
  if (link_.connection && link_.connection->isReady()) return link_.connection;
  return nullptr;
}

std::optional<PulseSourceFormat> PulseSession::sourceFormat() {
  return connection() ? link_.source : std::nullopt;
}

}  // namespace dictation_agent
