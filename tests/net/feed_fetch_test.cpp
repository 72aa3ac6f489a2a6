// Fetch runs over the user's feeds, against scripted servers on 127.0.0.1.

#include <gtest/gtest.h>

#include <algorithm>

#include <QTimer>

#include <filesystem>

#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/text/text_codec.h"
#include "gzip_answer.h"
#include "net/feed_parser.h"
#include "net/fetch_run.h"
#include "net/off_thread.h"
#include "support/run_to_end.h"
#include "support/settings_edits.h"
#include "support/temp_home.h"
#include "test_server.h"

namespace quillet {
namespace {

using test::TestServer;
using Strings = std::vector<std::string>;
const std::string kOk = "HTTP/1.0 200 OK\r\n\r\n";

struct ActingView : ProgressView {
  void ShowProgress(const std::string& s, const std::string&, int, int) override { onStatus(s); }
  std::function<void(const std::string&)> onStatus = [](const std::string&) {};
};

// Feed i on servers[i], or on the last server; one named "Off" disabled.
void AddFeeds(const Strings& names, const std::vector<const TestServer*>& servers) {
  std::vector<settings::FeedSource> feeds;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string url = servers[std::min(i, servers.size() - 1)]->Url("/" + std::to_string(i));
    feeds.push_back({0, Utf8ToCp932(names[i]), url, names[i] != "Off"});
  }
  feeds = test::PutFeeds(feeds);
}

// A run of the feeds alone, on a program folder of its own.
class FeedFetch : public testing::Test {
 protected:
  FeedFetch() {
    test::PutConnection(test::NoCategories());
    // A scripted server answers in the order it is asked.
    test::PutRawSetting("Feeds", "AtOnce", "1");
  }
  Strings Failures() const {
    Strings utf8;
    for (const std::string& failure : run.Failures())
      utf8.push_back(Cp932ToUtf8(failure));
    return utf8;
  }
  test::TempHome home;
  test::RecordingList list;
  ActingView view;
  FetchRun run{list, view};
};

TEST_F(FeedFetch, FeedsFollowTheSitesAndFailedOnesAreNamedWhileTheRunGoesOn) {
  TestServer server;  // the proxy, for CNN's top news and the feeds
  settings::Connection c = test::NoCategories();
  c.enabled[32] = true;
  c.proxy.address = "127.0.0.1:" + std::to_string(server.Port());
  test::PutConnection(c);
  test::PutRawSetting("Main", "NoAddEmpty", "0");
  AddFeeds({"ニュース", "Gone", "Bad", "Off", "Last"}, {&server});
  const std::string rss = kOk +
                          "<rss><channel><item><title>最初の記事</title><link>http://a/1</link>"
                          "<category>経済</category></item><item><title>Second</title><link>"
                          "http://a/2</link></item></channel></rss>";
  // Shift_JIS by the HTTP charset alone, a relative link, a bare "&" mended.
  const std::string atom =
      "HTTP/1.0 200 OK\r\nContent-Type: application/atom+xml; charset=Shift_JIS\r\n\r\n" +
      Utf8ToCp932(
          "<feed xmlns='http://www.w3.org/2005/Atom'><entry><title>Atom & 記事"
          "</title><link href='e/1'/></entry></feed>");
  for (int pass = 0; pass < 2; ++pass) {
    list.rows.clear();
    const size_t asked = server.Requests().size();
    server.Add(kOk);
    server.Add(kOk + "<span class=\"headline\">Site story\r\n");
    server.Serve("/0", rss);
    server.Serve("/1", "HTTP/1.0 404 Not Found\r\n\r\n");
    server.Serve("/2", kOk + "<rss><item></rss>");
    server.Serve("/4", atom);
    test::RunToEnd(run, settings::ReadSettings());
    const Category& cnn = Categories()[32];  // its rows: the separator, then the headline
    const Site& s = Sites()[static_cast<size_t>(cnn.site)];
    const std::string site = Cp932ToUtf8(s.shortLabel + "|" + cnn.genre) + "|",
                      tail = "|" + s.baseUrl + "|" + std::to_string(s.number) + "|";
    const std::string isNew = pass == 0 ? "1" : "0";
    Strings rows;  // "caption|genre|headline|url|image|new"
    for (const auto& r : list.rows)
      rows.push_back(Cp932ToUtf8(r.caption + "|" + r.genre + "|" + r.headline + "|" + r.item.url +
                                 "|" + std::to_string(r.imageIndex) + "|" + "01"[r.item.isNew]));
    EXPECT_EQ(
        rows,
        (Strings{site + tail + "0", site + "Site story" + tail + isNew, "ニュース|フィード|||-1|0",
                 "ニュース|経済|最初の記事|http://a/1|-1|" + isNew,
                 "ニュース|フィード|Second|http://a/2|-1|" + isNew, "Last|フィード|||-1|0",
                 "Last|フィード|Atom & 記事|" + server.Url("/e/1") + "|-1|" + isNew}))
        << pass;
    ASSERT_EQ(run.Warnings().size(), 1u);
    EXPECT_EQ(Cp932ToUtf8(run.Warnings()[0]),
              "Last: フィードの XML の誤りを補って読みました (1 行目、62 桁目): 参照を始めない &");
    const Strings failures = Failures();  // a run starts without the last run's
    EXPECT_FALSE(run.EveryDownloadFailed());
    EXPECT_EQ(std::ranges::count(server.Paths(), "/3"), 0);  // off
    if (pass == 1) {
      // The failed feeds wait before they are asked again.
      EXPECT_EQ(failures, Strings{});
      EXPECT_EQ(server.Requests().size() - asked, 4u);  // the site twice, two feeds
      continue;
    }
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(
        failures[0],
        "Gone: フィードが見つかりません (404)。フィードの URL と、接続設定のプロキシを確かめて"
        "ください。詳細: 404 Not Found");
    EXPECT_TRUE(
        failures[1].starts_with("Bad: フィードとして読めません。フィードの URL を確かめて"
                                "ください。詳細: フィードの XML が正しくありません ("));
    EXPECT_EQ(server.Paths().size(), 5u);  // the site's path and four feeds'
  }
  const std::string date = TodayShortDate();
  EXPECT_EQ(Cp932ToUtf8(test::ReadBytes(home.Path("Feeds/1.log"))),
            "最初の記事\thttp://a/1\t" + date + "\t1\r\nSecond\thttp://a/2\t" + date + "\t1\r\n");
}

// https with the tests' CA; unreadable answers named; a log that cannot be written; Skip of
// a download and of a long parse (left to run on) and Cancel (later feeds not asked).
TEST_F(FeedFetch, HttpsUnreadableAnswersALogNotWrittenSkipAndCancel) {
  setenv("QUILLET_CA_FILE", QUILLET_TEST_CERTIFICATES "/ca.pem", 1);
  TestServer secure(QUILLET_TEST_CERTIFICATES "/server"), plain;
  const std::string rss =
      "<rss><channel><item><title>S</title><link>s</link></item></channel></rss>";
  secure.Serve("/0", kOk + rss);
  plain.Serve("/1", kOk + std::string(kMaxFeedBytes + 1, ' '));
  // Chunked, kept alive: HTTP/1.1 as a feed's server may answer.
  plain.Serve("/2",
              "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n<rss><channel><i\r\n"
              "39\r\ntem><title>C</title><link>c</link></item></channel></rss>\r\n0\r\n\r\n");
  plain.Serve("/3", kOk);
  plain.Serve("/4", kOk + rss);
  plain.Serve("/5", TestServer::Script{{}, false});  // no answer: shown from the request on
  // A title of 14 MB of markup: a parse that takes a while, whatever the bounds.
  std::string markup;
  while (markup.size() < (size_t{14} << 20))
    markup += "a&amp;amp;<b>b</b> ";
  plain.Serve("/6",
              kOk + "<rss><channel><item><title>" + markup + "</title></item></channel></rss>");
  plain.Serve("/7", {{{kOk + "<rss>", 0}, {"</rss>", 0, true}}, true});
  AddFeeds(
      {"Secure", "Huge", "Chunked", "Empty", "Unwritable", "Skipped", "Slow", "Cancelled", "Never"},
      {&secure, &plain});
  std::filesystem::create_directories(home.Path("Feeds/5.log"));
  view.onStatus = [&](const std::string& status) {
    if (status == CP932("Skipped に接続しています...") ||
        status == CP932("Slow の取得が終了しました"))
      QTimer::singleShot(0, [&] { run.Skip(); });
    if (status == CP932("Cancelled に接続しています...")) run.Cancel();
  };
  test::RunToEnd(run, settings::ReadSettings());
  unsetenv("QUILLET_CA_FILE");
  EXPECT_EQ(list.Headlines(), (Strings{"S", "C"}));
  EXPECT_GT(OffThreadWork().load(), 0);  // the run ended while the parse goes on
  Strings failures = Failures();
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_TRUE(failures[2].starts_with(
      "Unwritable: ログを読み書きできません。ログのフォルダーとディスクの空きを確かめてください。"
      "詳細: ファイル "))
      << failures[2];
  failures.pop_back();
  EXPECT_EQ(
      failures,
      (Strings{"Huge: データが上限 (16 MB) を超えたため、取得を打ち切りました。フィードの URL "
               "と、接続設定のプロキシを確かめてください。詳細: document too large",
               "Empty: サーバーの答えが空でした。フィードの URL を確かめてください。詳細: "
               "フィードの XML が正しくありません (1 行目、1 桁目): Document is empty"}));
  // Skip may come before its request is sent; Cancel came while the feed was
  // shown, before its request, and the next was not started.
  Strings paths = plain.Paths();
  std::erase(paths, "/5");
  EXPECT_EQ(paths, (Strings{"/1", "/2", "/3", "/4", "/6"}));
}

// A feed relocated, compressed: its relative links resolve against where it
// came from.
TEST_F(FeedFetch, ARelocatedFeedsLinksResolveAgainstItsFinalUrl) {
  TestServer server;
  server.Serve("/0", "HTTP/1.1 301 Moved\r\nLocation: /news/feed.xml\r\nContent-Length: 0\r\n\r\n");
  server.Serve("/news/feed.xml",
               test::GzipAnswer("<rss><channel><item><title>T</title><link>e/1</link></item>"
                                "</channel></rss>"));
  AddFeeds({"Moved"}, {&server});
  test::RunToEnd(run, settings::ReadSettings());
  EXPECT_EQ(Failures(), Strings{});
  ASSERT_EQ(list.rows.size(), 1u);
  EXPECT_EQ(list.rows[0].item.url, server.Url("/news/e/1"));
}

// Sources in progress together reach the list in source order.
TEST_F(FeedFetch, SourcesTogetherReachTheListInSourceOrder) {
  TestServer held, fast;
  const auto rss = [](const char* title) {
    return kOk + "<rss><channel><item><title>" + title +
           "</title><link>l</link></item></channel></rss>";
  };
  held.Add({{{rss("First"), 0, true}}, true});  // answered once the second feed has ended
  fast.Add(rss("Second"));
  AddFeeds({"First", "Second"}, {&held, &fast});
  test::PutRawSetting("Feeds", "AtOnce", "2");
  view.onStatus = [&](const std::string& s) {
    if (s == CP932("取得しています (1 / 2 件済み): First")) held.Release();
  };
  test::RunToEnd(run, settings::ReadSettings());
  EXPECT_EQ(list.Headlines(), (Strings{"First", "Second"}));
}

// Feeds run together, at most four to one host: the fifth on the same host
// starts only once one of the first four has ended. Rows keep the list's order.
TEST_F(FeedFetch, FeedsRunTogetherAtMostFourToAHost) {
  TestServer held;
  Strings names, headlines;
  for (int i = 0; i < 6; ++i) {
    const std::string name = "F" + std::to_string(i);
    held.Serve("/" + std::to_string(i), {{{kOk + "<rss><channel><item><title>" + name +
                                               "</title><link>l</link></item></channel></rss>",
                                           0, true}},
                                         true});
    names.push_back(name);
  }
  AddFeeds(names, {&held});
  test::PutRawSetting("Feeds", "AtOnce", "10");
  // The progress names the feeds in progress and counts those ended.
  Strings statuses;
  view.onStatus = [&](const std::string& s) {
    statuses.push_back(Cp932ToUtf8(s));
    if (statuses.back().ends_with("(0 / 6 件済み): F0、F1、F2、F3")) held.Release();
  };
  test::RunToEnd(run, settings::ReadSettings());
  EXPECT_EQ(list.Headlines(), names);
  const auto shows = [&](std::string_view part) {
    return std::count_if(statuses.begin(), statuses.end(),
                         [&](const std::string& s) { return s.find(part) != std::string::npos; });
  };
  EXPECT_GT(shows("(0 / 6 件済み): F0、F1、F2、F3"), 0);
  EXPECT_EQ(std::count_if(statuses.begin(), statuses.end(),
                          [](const std::string& s) {
                            return s.starts_with("取得しています (0 / 6") &&
                                   s.find("F4") != std::string::npos;
                          }),
            0);
  EXPECT_GT(shows("F4"), 0);
  EXPECT_EQ(statuses.back(), "取得しています (6 / 6 件済み)");
}

// What servers say is kept from run to run: validators sent back and a 304
// listing the last rows again, none new and no log written; a permanent
// redirect's target taken as the feed's URL; a gone feed switched off; a busy
// host left alone, by the feeds after it in the same run too.
TEST_F(FeedFetch, WhatServersSayIsKeptFromRunToRun) {
  TestServer first, second;
  AddFeeds({"A", "B", "C", "D", "E"}, {&first, &first, &first, &second});
  const auto rss = [](const std::string& headers, const char* title) {
    return "HTTP/1.1 200 OK\r\n" + headers +
           "Connection: close\r\n\r\n<rss><channel><item><title>" + title +
           "</title><link>l</link></item></channel></rss>";
  };
  const auto empty = [](const std::string& status) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  };
  const std::string validators = "ETag: \"v1\"\r\nLast-Modified: Mon, 07 Dec 2026 10:00:00 GMT\r\n";
  first.Serve("/0", rss(validators, "A1"));
  first.Serve("/1", empty("308 Permanent Redirect\r\nLocation: /moved"));
  first.Serve("/moved", rss("", "B1"));
  first.Serve("/2", empty("410 Gone"));
  second.Serve("/3", empty("429 Too Many Requests\r\nRetry-After: 3600"));
  second.Serve("/4", rss("", "E1"));
  test::RunToEnd(run, settings::ReadSettings());
  EXPECT_EQ(list.Headlines(), (Strings{"A1", "B1"}));
  EXPECT_EQ(Failures()[0],
            "C: サーバーがこのフィードは無くなったと答えました (410 Gone)。フィードを無効にします");
  EXPECT_TRUE(Failures()[1].starts_with("D: ")) << Failures()[1];
  EXPECT_EQ(Failures().size(), 2u);
  ASSERT_EQ(run.Warnings().size(), 1u);
  EXPECT_EQ(Cp932ToUtf8(run.Warnings()[0]),
            "B: フィードが移転したため、URL を " + first.Url("/moved") + " に変えました");
  const std::vector<settings::FeedSource> feeds = settings::ReadSettings().feeds.feeds;
  EXPECT_EQ(feeds[1].url, first.Url("/moved"));
  EXPECT_FALSE(feeds[2].enabled);
  EXPECT_EQ(second.Paths(), Strings{"/3"});

  first.Serve("/0", empty("304 Not Modified"));
  const std::string log = test::ReadBytes(home.Path("Feeds/1.log"));
  list.rows.clear();
  const size_t asked = first.Requests().size();
  test::RunToEnd(run, settings::ReadSettings());
  EXPECT_EQ(Failures(), Strings{});
  EXPECT_EQ(list.Headlines(), (Strings{"A1", "B1"}));
  for (const auto& row : list.rows)
    EXPECT_FALSE(row.item.isNew) << row.headline;
  EXPECT_EQ(test::ReadBytes(home.Path("Feeds/1.log")), log);
  // One entry a connection: Qt may open one it does not use, and sends a
  // request again on a new one when the server closed the one it chose.
  Strings requests;
  std::copy_if(first.Requests().begin() + static_cast<long>(asked), first.Requests().end(),
               std::back_inserter(requests), [](const std::string& r) { return !r.empty(); });
  requests.erase(std::unique(requests.begin(), requests.end()), requests.end());
  ASSERT_EQ(requests.size(), 2u) << testing::PrintToString(requests);  // the gone feed is off
  EXPECT_TRUE(requests[0].starts_with("GET /0 ")) << requests[0];
  EXPECT_NE(requests[0].find("\r\nIf-None-Match: \"v1\"\r\n"), std::string::npos);
  EXPECT_NE(requests[0].find("\r\nIf-Modified-Since: Mon, 07 Dec 2026 10:00:00 GMT\r\n"),
            std::string::npos);
  EXPECT_TRUE(requests[1].starts_with("GET /moved ")) << requests[1];
  EXPECT_EQ(second.Paths(), Strings{"/3"});
}

}  // namespace
}  // namespace quillet
