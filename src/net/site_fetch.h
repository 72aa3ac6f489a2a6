// A site as a source: its front page (after a size probe where the site asks
// for one), cut by its rules into its items.
#pragma once

#include <string>

#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "net/downloaded_source.h"

namespace quillet {

class SiteFetch : public DownloadedSource {
 public:
  // `connection` says which categories are patrolled and through which proxy.
  SiteFetch(const Site& site, const settings::Connection& connection)
      : DownloadedSource(connection.proxy), site_(site), enabled_(connection.enabled) {}

  const std::string& Name() const override { return site_.displayLabel; }
  SourceKind Kind() const override { return SourceKind::kSite; }
  void Start(ProgressCall progress, EndedCall ended) override;

 private:
  void OnProbed();
  void OnReceived();

  const Site& site_;
  std::array<bool, kCategoryCount> enabled_;
};

}  // namespace quillet
