// One item a source gives the merge, as a value: a headline of a category, or
// the separator row that opens a category in the list.
#pragma once

#include <string>

namespace quillet {

struct HeadlineItem {
  std::string site;      // the row's caption: the site's short label or the feed's name
  std::string genre;     // the category's genre, or the feed item's
  std::string headline;  // empty: a separator row
  std::string url;
  std::string logFile;        // its category's log, relative to the data folder
  int seenKey = 0;            // its category among the headlines this process has met
  int imageIndex = -1;        // the site's image in the list, -1 for none
  bool enabled = true;        // the category is patrolled: the record's flag, and a row at all
  bool opensSection = false;  // first item of a category's section: new records go on top
};

}  // namespace quillet
