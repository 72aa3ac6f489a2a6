// A site's download as a source's first stage: one HTTP/1.0 exchange into a
// body, asked as the sites have always been asked, through the program's
// proxy, with the document events reported as progress.
#pragma once

#include <string>

#include "core/settings/settings.h"
#include "net/http_client.h"
#include "net/staged_source.h"

namespace quillet {

class DownloadedSource : public StagedSource {
 protected:
  explicit DownloadedSource(const settings::Proxy& proxy) : proxy_(proxy) {}

  // Keeps the calls, prepares the client for `url` and shows the source as
  // connecting.
  void Begin(const std::string& url, ProgressCall progress, EndedCall ended);
  bool AbortDownload() override;

  HttpClient http_;
  std::string body_;  // every body byte of the download

 private:
  settings::Proxy proxy_;
};

}  // namespace quillet
