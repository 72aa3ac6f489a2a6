// The pages file on disk: "pages.txt" beside the settings file, read whole
// and replaced atomically under the settings lock, so that edits of the
// window, the terminal program and another process never undo each other.
#pragma once

#include <functional>
#include <string>

#include "core/pages/page_list.h"

namespace quillet {

std::string PageFilePath();

// The pages the file holds; no file: none. Raises QuilletError "ファイル
// <path> は開けません" when it cannot be read, and "<path> の <n> 行目:
// <why>" when it cannot be read as pages.
PageList ReadPages();
// The same, with no pages when the file cannot be read: for what only looks
// at the pages' logs.
PageList ReadPagesOrNone();

// Takes the settings lock, reads the file, lets `change` edit the list,
// gives new pages their ids and, when the list changed, replaces the file
// (0600 when new). A file that cannot be read, or read as pages, is never
// overwritten: that error is raised and nothing is written; so is
// "<path> に書き込めません" when the lock cannot be taken or the file
// written. An exception from `change` leaves the file as it was.
void EditPages(const std::function<void(PageList&)>& change);

}  // namespace quillet
