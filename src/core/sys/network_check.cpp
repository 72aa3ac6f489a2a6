#include "core/sys/network_check.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <utility>

#include "core/text/cp932.h"

namespace quillet {
namespace {

bool NonLoopbackInterfaceUp() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool up = false;
  for (ifaddrs* i = list; i != nullptr && !up; i = i->ifa_next) {
    up = i->ifa_addr != nullptr && (i->ifa_flags & IFF_UP) && (i->ifa_flags & IFF_RUNNING) &&
         !(i->ifa_flags & IFF_LOOPBACK);
  }
  freeifaddrs(list);
  return up;
}

NetworkCheck& CheckOverride() {
  static NetworkCheck check;
  return check;
}

}  // namespace

std::string ProxyHost(const std::string& proxy) {
  std::string_view p = TrimSpaces(proxy);
  if (!p.empty() && p.front() == '[') {
    size_t close = p.find(']');
    return std::string(p.substr(1, close == std::string_view::npos ? close : close - 1));
  }
  // A bare IPv6 address has several colons and no port.
  if (p.find(':') != p.rfind(':')) return std::string(p);
  return std::string(p.substr(0, p.find(':')));
}

bool IsLoopbackHost(const std::string& host) {
  if (Cp932Lower(host) == "localhost") return true;
  in_addr v4{};
  if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

void SetNetworkCheckForTesting(NetworkCheck check) {
  CheckOverride() = std::move(check);
}

bool InternetAttemptConnect(const std::string& proxy) {
  if (const NetworkCheck& check = CheckOverride()) return check(proxy);
  return NonLoopbackInterfaceUp() || IsLoopbackHost(ProxyHost(proxy));
}

}  // namespace quillet
