// quillet-cli pages: the user's pages and the sections cut out of them,
// listed, added, changed, tried, exported and imported.
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/edit_from_terminal.h"
#include "app/cli/terminal.h"
#include "app/cli/usage.h"
#include "core/pages/page_document.h"
#include "core/pages/page_file.h"
#include "core/pages/page_store.h"
#include "core/settings/feed_list.h"
#include "core/settings/settings.h"
#include "core/sys/error_display.h"
#include "core/sys/file_system.h"
#include "core/text/text_codec.h"
#include "net/feed_network.h"
#include "net/page_trial.h"

namespace quillet {
namespace {

std::string NoSuchPage(Terminal& terminal, const std::string& idText) {
  return CP932("ID ") + terminal.In(idText) + CP932(" のページはありません");
}

int List(Terminal& terminal) {
  PageList list;
  if (!ReadPagesFromTerminal(terminal, list)) return 1;
  for (const PageSource& page : list.pages) {
    terminal.PrintRow({std::to_string(page.id), page.enabled ? "on" : "off", page.name, page.url});
    for (size_t n = 0; n < page.sections.size(); ++n) {
      terminal.PrintRow(
          {"", std::to_string(n + 1), page.sections[n].name, SectionRuleText(page.sections[n])});
    }
  }
  return 0;
}

int Export(Terminal& terminal) {
  PageList list;
  if (!ReadPagesFromTerminal(terminal, list)) return 1;
  const std::string text = FormatPages(list);
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    terminal.Message(CP932("標準出力に書き込めません"));
    return 1;
  }
  return 0;
}

// The file's pages added as new pages; one the list has already, with the
// same URL and sections, is skipped. A file that cannot be read as pages
// changes nothing.
int Import(Terminal& terminal, const std::string& path) {
  std::string bytes;
  if (ReadWholeFile(path, bytes) != ReadResult::kOk) {
    terminal.Message(CP932("ファイル ") + FileNameForMessage(path) + CP932(" は開けません"));
    return 1;
  }
  auto parsed = ParsePages(bytes, SectionRuleProblem);
  if (const auto* problem = std::get_if<PageFileProblem>(&parsed)) {
    terminal.Message(FileNameForMessage(path) + CP932(" の ") + std::to_string(problem->line) +
                     CP932(" 行目: ") + problem->message);
    return 1;
  }
  size_t added = 0;
  size_t skipped = 0;
  const int status = EditFromTerminal(terminal, [&](PageList& list) {
    for (PageSource page : std::get<PageList>(parsed).pages) {
      if (std::any_of(list.pages.begin(), list.pages.end(), [&](const PageSource& had) {
            return had.url == page.url && had.sections == page.sections;
          })) {
        ++skipped;
        continue;
      }
      page.id = 0;
      list.pages.push_back(std::move(page));
      ++added;
    }
    return std::optional<std::string>();
  });
  if (status != 0) return status;
  terminal.PrintRow({std::to_string(added) + CP932(" 件のページを追加しました") +
                     (skipped == 0 ? ""
                                   : CP932("、") + std::to_string(skipped) +
                                         CP932(" 件は同じページがあるため飛ばしました"))});
  return 0;
}

int Add(Terminal& terminal, const std::string& nameText, const std::string& urlText) {
  PageSource added;
  added.name = terminal.In(nameText);
  added.url = terminal.In(urlText);
  for (const auto& problem : {PageNameProblem(added.name), settings::FeedUrlProblem(added.url)}) {
    if (problem) {
      terminal.Message(*problem);
      return 1;
    }
  }
  const int status = EditFromTerminal(terminal, [&](PageList& list) {
    GiveIds(list);
    added.id = list.nextId;
    list.pages.push_back(added);
    return std::optional<std::string>();
  });
  if (status == 0) terminal.PrintRow({std::to_string(added.id)});
  return status;
}

int Cut(Terminal& terminal, const std::string& idText, const std::string& nameText,
        PageSection section) {
  section.name = terminal.In(nameText);
  for (std::string* text :
       {&section.from, &section.to, &section.xpath, &section.css, &section.links})
    *text = terminal.In(*text);
  for (const auto& problem : {SectionNameProblem(section.name), SectionRuleProblem(section)}) {
    if (problem) {
      terminal.Message(*problem);
      return 1;
    }
  }
  return EditFromTerminal(terminal, [&](PageList& list) -> std::optional<std::string> {
    PageSource* page = FindPage(list, idText);
    if (!page) return NoSuchPage(terminal, idText);
    if (page->sections.size() >= kPageSectionsMax) return CP932("セクションが多すぎます (100まで)");
    page->sections.push_back(section);
    return std::nullopt;
  });
}

int Change(Terminal& terminal, const std::string& action, const std::string& idText) {
  return EditFromTerminal(terminal, [&](PageList& list) -> std::optional<std::string> {
    PageSource* page = FindPage(list, idText);
    if (!page) return NoSuchPage(terminal, idText);
    if (action == "remove") {
      list.pages.erase(list.pages.begin() + (page - list.pages.data()));
    } else {
      page->enabled = action == "enable";
    }
    return std::nullopt;
  });
}

// Fetches the page once and prints what each section cuts; why a section
// cuts nothing goes to stderr. Nothing is logged.
int Test(Terminal& terminal, const std::string& idText, int argc, char** argv) {
  PageList list;
  if (!ReadPagesFromTerminal(terminal, list)) return 1;
  const PageSource* page = FindPage(list, idText);
  if (!page) {
    terminal.Message(NoSuchPage(terminal, idText));
    return 1;
  }
  QCoreApplication app(argc, argv);
  QNetworkAccessManager network;
  UseProxy(network, settings::ReadSettings().connection.proxy);
  const PageTrialResult result = PageTrial(network).Run(*page);
  if (!result.failure.empty()) {
    terminal.Message(result.failure);
    return 1;
  }
  for (size_t n = 0; n < page->sections.size(); ++n) {
    const SectionCut& cut = result.sections[n];
    for (const PageLink& link : cut.links)
      terminal.PrintRow({page->sections[n].name, link.text, link.url});
    if (!cut.problem.empty()) terminal.Message(page->sections[n].name + ": " + cut.problem);
  }
  return 0;
}

}  // namespace

int Pages(Terminal& terminal, const std::vector<std::string>& operands,
          const std::optional<PageSection>& cutRule, int argc, char** argv) {
  const std::string& action = operands[0];
  const size_t count = operands.size();
  if (cutRule && !(action == "cut" && count == 3))
    return Usage("--from, --to, --xpath, --css, --links and --min-length are for pages cut");
  if (action == "list" && count == 1) return List(terminal);
  if (action == "export" && count == 1) return Export(terminal);
  if (action == "import" && count == 2) return Import(terminal, operands[1]);
  if (action == "add" && count == 3) return Add(terminal, operands[1], operands[2]);
  if (action == "cut" && count == 3)
    return Cut(terminal, operands[1], operands[2], cutRule.value_or(PageSection{}));
  if (action == "test" && count == 2) return Test(terminal, operands[1], argc, argv);
  if ((action == "remove" || action == "enable" || action == "disable") && count == 2)
    return Change(terminal, action, operands[1]);
  return Usage(
      "pages: list, add NAME URL, cut ID SECTION [RULE], test ID, remove ID, enable ID, "
      "disable ID, import FILE or export");
}

}  // namespace quillet
