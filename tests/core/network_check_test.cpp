// The network check's view of proxy addresses.
#include <gtest/gtest.h>

#include "core/sys/network_check.h"

namespace quillet {
namespace {

TEST(NetworkCheck, ProxyHostDropsThePort) {
  EXPECT_EQ(ProxyHost("127.0.0.1:3128"), "127.0.0.1");
  EXPECT_EQ(ProxyHost("proxy.example"), "proxy.example");
  EXPECT_EQ(ProxyHost(" localhost:8080 "), "localhost");
  EXPECT_EQ(ProxyHost("[::1]:3128"), "::1");
  EXPECT_EQ(ProxyHost("::1"), "::1");
  EXPECT_EQ(ProxyHost(""), "");
}

TEST(NetworkCheck, LoopbackHosts) {
  for (const char* host : {"127.0.0.1", "127.200.3.4", "localhost", "LocalHost", "::1"}) {
    EXPECT_TRUE(IsLoopbackHost(host)) << host;
  }
  for (const char* host : {"", "128.0.0.1", "10.0.0.1", "localhost.example", "::2", "127.0.0"}) {
    EXPECT_FALSE(IsLoopbackHost(host)) << host;
  }
  EXPECT_TRUE(InternetAttemptConnect("127.0.0.1:8080"));  // whatever the interfaces
}

}  // namespace
}  // namespace quillet
