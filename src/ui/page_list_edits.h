// What the connection dialog's page list does to the pages file on OK: its
// edits applied by id onto the list as the file holds it at that moment.
#pragma once

#include <vector>

#include "core/pages/page_list.h"

namespace quillet {

// Applies onto `current` what the dialog changed between `loaded` (the list
// when it opened) and `edited` (the list at OK): pages it added (id 0) are
// appended, pages it removed are removed, and of the pages it kept, the
// name, URL and sections it changed and the tick it changed are put in.
// What another writer changed in the rest stays; a page another writer
// removed stays removed.
void ApplyPageEdits(const std::vector<PageSource>& loaded, const std::vector<PageSource>& edited,
                    PageList& current);

}  // namespace quillet
