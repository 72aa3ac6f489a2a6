#include "net/url.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

void ExpectParts(const UrlParts& got, const UrlParts& want) {
  EXPECT_EQ(got.scheme, want.scheme);
  EXPECT_EQ(got.user, want.user);
  EXPECT_EQ(got.password, want.password);
  EXPECT_EQ(got.host, want.host);
  EXPECT_EQ(got.port, want.port);
  EXPECT_EQ(got.path, want.path);
}

TEST(ParseUrl, SplitsRequestAndProxyTexts) {
  struct Case {
    const char* text;
    UrlParts want;  // scheme, user, password, host, port, path
  };
  const Case cases[] = {
      {"http://www.example.com/", {"http", "", "", "www.example.com", "", "/"}},
      {"http://u:p@host:8080/a/b?c=d", {"http", "u", "p", "host", "8080", "/a/b?c=d"}},
      {"HTTP://host", {"HTTP", "", "", "host", "", ""}},
      {"http://host?q=/x", {"http", "", "", "host", "", "?q=/x"}},
      {"http://u:p:x@h/", {"http", "u", "p:x", "h", "", "/"}},
      {"http://a@b@host:1:2/", {"http", "a@b", "", "host:1", "2", "/"}},
      {"http://user@host/", {"http", "user", "", "host", "", "/"}},
      {"/index.html", {"http", "", "", "", "", "/index.html"}},
      {"/cgi?to=http://x/", {"http", "", "", "", "", "/cgi?to=http://x/"}},
      {"Http:page.html", {"http", "", "", "", "", "page.html"}},
      {"mailto:someone@example.com", {"mailto", "someone", "", "example.com", "", ""}},
      {"proxy.example:8080", {"", "", "", "proxy.example", "8080", ""}},
      {"proxy.example", {"", "", "", "proxy.example", "", ""}},
      {"www.example.com/cgi?u=http://x", {"", "", "", "www.example.com", "", "/cgi?u=http://x"}},
      {"https://secure.example/x", {"https", "", "", "secure.example", "", "/x"}},
      {"", {"", "", "", "", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ExpectParts(ParseUrl(c.text), c.want);
  }
}

TEST(ResolveLocation, AbsolutePathAndFolderRelativeTargets) {
  const UrlParts current{"http", "", "", "www.example.com", "8080", "/news/today/index.html?d=/x"};
  struct Case {
    const char* location;
    UrlParts want;
  };
  const Case cases[] = {
      {"http://other.example/a", {"http", "", "", "other.example", "", "/a"}},
      {"HTTP://other.example:81", {"HTTP", "", "", "other.example", "81", ""}},
      {"//cdn.example/b", {"http", "", "", "cdn.example", "", "/b"}},
      {"/top.html", {"http", "", "", "www.example.com", "8080", "/top.html"}},
      {"next.html", {"http", "", "", "www.example.com", "8080", "/news/today/next.html"}},
      {"../up.html?x", {"http", "", "", "www.example.com", "8080", "/news/today/../up.html?x"}},
      // Other schemes keep their name for the caller to refuse.
      {"https://secure.example/", {"https", "", "", "secure.example", "", "/"}},
      {"ftp:file.txt", {"ftp", "", "", "ftp", "file.txt", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.location);
    ExpectParts(ResolveLocation(current, c.location), c.want);
  }
  // A current path without any "/" has the root as its folder.
  ExpectParts(ResolveLocation({"http", "", "", "h", "", ""}, "a.html"),
              {"http", "", "", "h", "", "/a.html"});
}

TEST(AbsoluteUrl, LeavesOutCredentialsAndDefaultsTheScheme) {
  EXPECT_EQ(AbsoluteUrl({"http", "u", "p", "host", "8080", "/a?b"}), "http://host:8080/a?b");
  EXPECT_EQ(AbsoluteUrl({"", "", "", "host", "", "/"}), "http://host/");
}

}  // namespace
}  // namespace quillet
