// Whether a fetch may try to connect at all, asked before every fetch run.
#pragma once

#include <functional>
#include <string>

namespace quillet {

// True when some network interface other than loopback is up, or when the
// proxy (as the settings file holds it, "host[:port]") is a loopback address.
bool InternetAttemptConnect(const std::string& proxy);

// While set, InternetAttemptConnect asks `check` instead of the interfaces, so
// that an unreachable network can be played on a machine that has one;
// nullptr restores the real check.
using NetworkCheck = std::function<bool(const std::string& proxy)>;
void SetNetworkCheckForTesting(NetworkCheck check);

// True for "localhost", 127.0.0.0/8 and ::1 (with or without brackets).
bool IsLoopbackHost(const std::string& host);

// The host part of "host", "host:port", "[v6]" or "[v6]:port".
std::string ProxyHost(const std::string& proxy);

}  // namespace quillet
