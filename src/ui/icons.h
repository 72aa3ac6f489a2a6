// The program's own icon set, drawn in code: crisp at 16 px and at 2x.
#pragma once

#include <QIcon>

namespace quillet {

// The site icon of a site number (0..6); the image lists of the headline
// list, the log tree and the search results use it.
QIcon SiteIcon(int site);

// The icon of the user's feeds, beside the sites' in the log tree.
QIcon FeedIcon();
// The icon of the user's pages, below the feeds'.
QIcon PageIcon();

// Toolbar images by the toolbar's image index: 0 settings, 1 fetch, 2 patrol
// timer, 3 tray, 4 always on top, 5 log search.
QIcon ToolbarIcon(int index);

// A cross for a close button, in `ink`: the button's text colour, so that it
// reads wherever the text does.
QIcon CloseIcon(const QColor& ink);
// Skip forward, in `ink` as the close cross.
QIcon SkipIcon(const QColor& ink);

// The toggle that shows a masked password.
QIcon RevealIcon();

// The window and tray icon.
QIcon AppIcon();

}  // namespace quillet
