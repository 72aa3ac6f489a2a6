#include "net/downloaded_source.h"

#include <utility>

#include "core/text/text_codec.h"

namespace quillet {

void DownloadedSource::Begin(const std::string& url, ProgressCall progress, EndedCall ended) {
  http_.url = url;
  http_.localAddr = "0.0.0.0";
  http_.proxyPort = "80";
  // The sites have always been asked so; their request bytes stay the same.
  http_.agent = "Mozilla/3.0 (compatible)";
  http_.accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  http_.noCache = true;
  http_.proxy = proxy_.address;
  http_.proxyUsername = proxy_.userName;
  http_.proxyPassword = proxy_.password;
  http_.receiveStream = &body_;
  http_.onDocBegin = [this](HttpClient&) {
    progress_.status = CP932(" に接続しています...");
    Report();
  };
  http_.onDocData = [this](HttpClient& http, std::string_view) {
    progress_.status = CP932(" のヘッドラインを取得しています...");
    progress_.received = http.ReceivedCount();
    Report();
  };
  http_.onDocEnd = [this](HttpClient&) {
    progress_.status = CP932(" の取得が終了しました");
    Report();
  };
  StagedSource::Begin(std::move(progress), std::move(ended));
}

// The exchange ends at once, or, not begun yet, as soon as it begins.
bool DownloadedSource::AbortDownload() {
  http_.AbortRequest();
  return true;
}

}  // namespace quillet
