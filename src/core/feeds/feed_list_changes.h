// What a patrol learnt of its feeds that changes the feed list: a feed that
// moved for good takes its new URL, a feed that is gone is switched off.
#pragma once

#include <string>
#include <vector>

#include "core/settings/settings.h"

namespace quillet {

struct FeedListChange {
  int id = 0;
  std::string askedUrl;  // the feed's URL as the patrol began
  std::string newUrl;    // "" or the URL it takes
  bool switchOff = false;
};

// Applies the changes to the list as the file holds it now. A feed removed
// meanwhile, or whose URL the user changed meanwhile, is left as it is; so is
// a new URL that could not be stored or that another feed of the list has.
void PutFeedListChanges(settings::SettingsEdit& edit, const std::vector<FeedListChange>& changes);

}  // namespace quillet
