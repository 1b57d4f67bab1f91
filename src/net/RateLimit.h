#pragma once
// The per-host request rate. Each request says the rate it keeps to; the turns it takes are shared by every
// thread of the process.
#include <string>

namespace dorvane {

// "host:port" of an address as it goes on the wire (host in lower case, the scheme's port when none is
// written); empty when the address has no host.
std::string HostKeyOf(const std::string& wireUrl);

// Takes the host's next turn at the given rate (0 or less: no limit, nothing waits) and waits for it. On a
// worker the wait goes through its token: a stop ends it
// at once (WorkerStopped is thrown) and a pause holds it at the check point after the wait.
void WaitForHostTurn(const std::string& hostKey, double requestsPerSecond);

}  // namespace dorvane
