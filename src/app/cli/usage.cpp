#include "app/cli/usage.h"

#include <cstdio>
#include <string>

#include "net/transfer_floor.h"

namespace quillet {
namespace {

const char kUsageStart[] =
    "Usage: quillet-cli COMMAND [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  fetch            fetch the headlines of the enabled categories, then those the\n"
    "                   enabled pages' sections cut, then the items of the enabled feeds,\n"
    "                   and print them: site TAB genre TAB headline TAB url (a page's\n"
    "                   rows: its name as the site and the section's as the genre; a\n"
    "                   feed's: its name as the site); a site, page or feed that fails is\n"
    "                   named on stderr with why, and so is a site or page that came but\n"
    "                   gave no headline; the fetch goes on\n"
    "  search KEYWORD   search the logs of every site, page and feed: site TAB date\n"
    "                   TAB genre TAB headline TAB url (a feed's rows: its name as the\n"
    "                   site); letters A-Z match in either case\n"
    "  log INDEX        print the log of category INDEX (0-64): date TAB headline TAB url\n"
    "  log --feed ID    print the log of the feed with that id the same way\n"
    "  log --page ID N  print the log of section N (from 1) of the page with that id\n"
    "  watch list       print the watch list, one keyword a line\n"
    "  watch add KEYWORD, watch remove KEYWORD\n"
    "                   add a keyword to the watch list or remove one; refused when it\n"
    "                   cannot be watched (empty, blanks only, a TAB or line break, over\n"
    "                   255 bytes), is there already (letters A-Z in either case) or is\n"
    "                   not there\n"
    "  feeds list       print the feeds: id TAB on|off TAB name TAB url TAB state (its\n"
    "                   last result, fetched, unchanged or the error, and until when\n"
    "                   it waits)\n"
    "  feeds add NAME URL\n"
    "                   add an enabled feed (an http:// or https:// URL); prints its id;\n"
    "                   refused when the name or URL cannot be stored or another feed\n"
    "                   has the URL\n"
    "  feeds remove ID, feeds enable ID, feeds disable ID\n"
    "                   change the feed with that id; refused when no feed has it\n"
    "  feeds import FILE\n"
    "                   add the feeds of an OPML file (every outline with an xmlUrl),\n"
    "                   enabled; those whose URL the list has are skipped, those that\n"
    "                   cannot be stored are named on stderr; prints how many were\n"
    "                   added and skipped; a file that is not OPML changes nothing\n"
    "  feeds export     print the feeds as an OPML 2.0 document (UTF-8)\n"
    "  feeds find URL   print the feeds the page at URL announces: name TAB url\n"
    "  pages list       print the pages: id TAB on|off TAB name TAB url, each followed by\n"
    "                   its sections: TAB number TAB name TAB the cut options\n"
    "  pages add NAME URL\n"
    "                   add an enabled page (an http:// or https:// URL); prints its id\n"
    "  pages cut ID SECTION [--from TEXT] [--to TEXT] [--xpath EXPR | --css SELECTOR]\n"
    "            [--links TEXT] [--min-length N]\n"
    "                   add a section to the page: the part between two texts of its\n"
    "                   source (the page's start or end when left out), or the elements\n"
    "                   an XPath expression or a CSS selector selects; each link inside\n"
    "                   is a headline; --links keeps those whose URL holds TEXT,\n"
    "                   --min-length passes over those of fewer characters\n"
    "  pages test ID    fetch the page and print what each section cuts: section TAB\n"
    "                   headline TAB url; why a section cuts nothing goes to stderr;\n"
    "                   nothing is logged\n"
    "  pages remove ID, pages enable ID, pages disable ID\n"
    "                   change the page with that id; refused when no page has it\n"
    "  pages export     print the pages and their rules (UTF-8 text, pages.txt's format)\n"
    "  pages import FILE\n"
    "                   add the pages of such a file; a page the list has already (same\n"
    "                   URL and sections) is skipped; a malformed file is refused with\n"
    "                   its line, writing nothing\n"
    "  help             show this text\n"
    "\n"
    "options:\n"
    "  --home DIR                  program folder (settings file and logs); it must exist\n"
    "  --encoding utf-8|cp932      output encoding, and the keyword's (default utf-8)\n"
    "  --fold-width                search: full-width letters, digits and signs match\n"
    "                              their ASCII forms, half-width katakana their\n"
    "                              full-width forms\n"
    "  --wait SECONDS              fetch: how long to wait for another fetch of the same\n"
    "                              program directory to end (default 60)\n"
    "  --new                       fetch: print only the headlines that are new (not in\n"
    "                              their category's log before this fetch)\n"
    "  --watch                     fetch: print only the headlines that hold a keyword of\n"
    "                              the watch list; with --new, only the new ones of them\n"
    "  -h, --help                  show this text\n"
    "  --version                   show the version\n"
    "\n"
    "A request that receives less than FLOOR fails, as one that receives\n"
    "nothing does.\n"
    "\n"
    "exit status:\n"
    "  0   done; a fetch that went through to its end exits 0 also when some sites\n"
    "      or feeds failed while others downloaded (each is named on stderr with why)\n"
    "  1   an error ended the command (its message is on stderr), no enabled site,\n"
    "      page or feed could be downloaded, another fetch of\n"
    "      the same program folder did not end within --wait seconds, or a watch,\n"
    "      feeds, pages or log command was refused (why on stderr, nothing written),\n"
    "      the file to import could not be read, feeds find found no feed, or\n"
    "      pages test could not download the page\n"
    "  2   wrong usage, or fetch found no network connection to attempt\n"
    "\n"
    "Environment:\n"
    "An https site's certificate is always verified against the system's CAs;\n"
    "$QUILLET_CA_FILE may name a PEM file of further CAs to trust.\n"
    "\n"
    "Files:\n"
    "Settings (quillet.ini) and logs are kept in --home DIR, else in $QUILLET_HOME\n"
    "when it is set and not empty, else in the executable's folder when it holds\n"
    "quillet.ini (a portable copy); else quillet.ini in $XDG_CONFIG_HOME/quillet\n"
    "(~/.config/quillet) and the logs and quillet.lock in $XDG_DATA_HOME/quillet\n"
    "(~/.local/share/quillet), made for the user alone on first use. Each change of\n"
    "quillet.ini is made under the lock file quillet.ini.lock beside it. The pages\n"
    "and their rules are kept in pages.txt beside quillet.ini, their sections' logs\n"
    "in the folder Pages beside the logs.\n";

}  // namespace

std::string UsageText() {
  std::string text = kUsageStart;
  const TransferFloor floor;
  const std::string figures = std::to_string(floor.bytes) + " bytes in " +
                              std::to_string(floor.window.count() / 1000) + " seconds";
  return text.replace(text.find("FLOOR"), 5, figures);
}

int Usage(const char* problem) {
  if (problem != nullptr) std::fprintf(stderr, "quillet-cli: %s\n", problem);
  std::fputs(UsageText().c_str(), stderr);
  return 2;
}

}  // namespace quillet
