#include "net/fetch_run.h"

#include "core/headlines/extraction.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sys/error.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// The value of a Content-Length line from its 17th character on, as a signed
// decimal integer; anything else is an error that ends the run.
int32_t ContentLengthValue(const std::string& line) {
  const std::string text = line.size() > 16 ? line.substr(16, 255) : std::string();
  size_t i = 0;
  while (i < text.size() && text[i] == ' ')
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    digits = true;
    if (value > INT32_MAX) break;
  }
  if (!digits || i != text.size() || value > INT32_MAX) {
    throw QuilletError("'" + text + "' is not a valid integer value");
  }
  return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace

std::string AmountText(int32_t received, int32_t contentLength) {
  std::string text = std::to_string(received / 1024) + "KB / ";
  return contentLength > 0 ? text + std::to_string(contentLength / 1024) + "KB"
                           : text + CP932("不明");
}

TFetchRun::TFetchRun(HeadlineList& list, ProgressView& view) : list_(list), view_(view) {
  FHTTPCli.LocalAddr = "0.0.0.0";
  FHTTPCli.ProxyPort = "80";
  FHTTPCli.Agent = "Mozilla/3.0 (compatible)";
  FHTTPCli.Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  FHTTPCli.NoCache = true;
}

void TFetchRun::SetStatus(const std::string& suffix) {
  state_.FStatusText = state_.FSiteName + suffix;
  UpdateProgress();
}

void TFetchRun::UpdateProgress() {
  view_.ShowProgress(state_.FStatusText, AmountText(state_.FReceived, state_.FContentLength),
                     state_.FContentLength, state_.FReceived);
}

void TFetchRun::Timer1Timer() {
  running_ = true;
  FHTTPCli.ReceiveStream = &receiveStream_;
  settings::Proxy proxy = settings::ReadProxy();
  FHTTPCli.Proxy = proxy.address;
  FHTTPCli.ProxyUsername = proxy.userName;
  FHTTPCli.ProxyPassword = proxy.password;
  FHTTPCli.OnDocBegin = [this](THttpCli&) { SetStatus(CP932(" に接続しています...")); };
  FHTTPCli.OnDocData = [this](THttpCli& client, std::string_view) {
    state_.FStatusText = state_.FSiteName + CP932(" のヘッドラインを取得しています...");
    state_.FReceived = client.ReceivedCount();
    UpdateProgress();
  };
  FHTTPCli.OnDocEnd = [this](THttpCli&) { SetStatus(CP932(" の取得が終了しました")); };

  auto cleanUp = [this] {
    receiveStream_.clear();
    receiveStream_.shrink_to_fit();
    FHTTPCli.ReceiveStream = nullptr;
    running_ = false;
    if (OnRunEnded) OnRunEnded();
  };
  try {
    state_.FCancelled = false;
    state_.FStatusText = CP932("取得の準備をしています...");
    state_.FReceived = 0;
    state_.FContentLength = 0;
    UpdateProgress();
    void (TFetchRun::*const sites[])() = {
        &TFetchRun::FetchYomiuri,  &TFetchRun::FetchAsahi, &TFetchRun::FetchImpress,
        &TFetchRun::FetchZakzak,   &TFetchRun::FetchCnn,   &TFetchRun::FetchChuou,
        &TFetchRun::FetchMainichi,
    };
    for (auto fetch : sites) {
      (this->*fetch)();
      if (state_.FCancelled) break;
      receiveStream_.clear();
    }
  } catch (...) {
    cleanUp();
    throw;
  }
  cleanUp();
}

void TFetchRun::BitBtn1Click() {
  state_.FCancelled = true;
  FHTTPCli.AbortRequest();
}

void TFetchRun::BitBtn2Click() {
  FHTTPCli.AbortRequest();
}

void TFetchRun::FetchSite(const SiteRow& row) {
  const Site& site = Sites()[static_cast<size_t>(row.site)];
  state_.FStatusText.clear();
  state_.FReceived = 0;
  state_.FContentLength = 0;
  state_.FHeadline.clear();
  state_.FSiteLabel = site.shortLabel;
  state_.FSiteName = site.displayLabel;
  state_.FBaseURL = row.baseUrl;
  state_.FGenre.clear();

  bool anyEnabled = false;
  for (int i = site.firstCategory; i <= site.lastCategory && !anyEnabled; ++i) {
    anyEnabled = IsCategoryEnabled(i);
  }
  if (!anyEnabled) return;

  FHTTPCli.URL = row.FrontPageUrl();
  if (row.sizeProbe) {
    // Errors of the size probe are not absorbed: they end the run.
    FHTTPCli.SendHead();
    const Lines& header = FHTTPCli.ResponseHeader();
    int at = FindLinePrefix(header, "Content-Length");
    if (at >= 0) state_.FContentLength = ContentLengthValue(header[static_cast<size_t>(at)]);
  }
  try {
    FHTTPCli.SendGet();
  } catch (const std::exception&) {
    return;  // a failed or aborted download skips the site quietly
  }

  Lines page = PageLines(row.pageLines, receiveStream_);
  Lines document = row.cut(page);
  page.clear();
  if (row.normalise) SplitBreaks(document);
  ExtractHeadlines(state_, document, list_);
}

}  // namespace quillet
