#include "ui/page_list_edits.h"

#include <map>

namespace quillet {

void ApplyPageEdits(const std::vector<PageSource>& loaded, const std::vector<PageSource>& edited,
                    PageList& current) {
  std::map<int, const PageSource*> editedById;
  for (const PageSource& page : edited) {
    if (page.id > 0) editedById.emplace(page.id, &page);
  }
  std::map<int, const PageSource*> loadedById;
  for (const PageSource& page : loaded)
    loadedById.emplace(page.id, &page);
  std::erase_if(current.pages, [&](const PageSource& page) {
    return loadedById.contains(page.id) && !editedById.contains(page.id);
  });
  for (PageSource& page : current.pages) {
    const auto after = editedById.find(page.id);
    const auto before = loadedById.find(page.id);
    if (after == editedById.end() || before == loadedById.end()) continue;
    const PageSource& was = *before->second;
    const PageSource& is = *after->second;
    // The tick apart from the rest: a tick is no reason to undo another
    // writer's sections.
    if (is.name != was.name || is.url != was.url || is.sections != was.sections) {
      page.name = is.name;
      page.url = is.url;
      page.sections = is.sections;
    }
    if (is.enabled != was.enabled) page.enabled = is.enabled;
  }
  for (const PageSource& page : edited) {
    if (page.id == 0) current.pages.push_back(page);
  }
}

}  // namespace quillet
