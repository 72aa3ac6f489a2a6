#include "core/sites/site_rows.h"

#include <array>

#include "core/sites/cutting_rules.h"
#include "core/text/code_convert.h"

namespace quillet {

const SiteRow& SiteRowOf(int site) {
  static const std::array<SiteRow, 7> rows = {{
      {0, "www.yomiuri.co.jp", "/index.html", "http://www.yomiuri.co.jp", true,
       PageLinesFrom::kStream, true, CutYomiuri},
      {1, "www.asahi.com", "/index.html", "http://www.asahi.com/", true,
       PageLinesFrom::kStreamThenEuc, true, CutAsahi},
      {2, "www.watch.impress.co.jp", "/index.htm", "http://www.watch.impress.co.jp", false,
       PageLinesFrom::kConvert, true, CutImpress},
      {3, "www.zakzak.co.jp", "/main.html", "http://www.zakzak.co.jp/", true,
       PageLinesFrom::kStream, true, CutZakzak},
      {4, "www.cnn.co.jp", "/index.html", "http://www.cnn.co.jp", true, PageLinesFrom::kStream,
       true, CutCnn},
      {5, "japanese.joins.com", "/index.html", "http://japanese.joins.com", true,
       PageLinesFrom::kConvert, true, CutChuou},
      {6, "www.mainichi.co.jp", "/main.html", "http://www.mainichi.co.jp", true,
       PageLinesFrom::kConvert, false, CutMainichi},
  }};
  return rows.at(static_cast<size_t>(site));
}

Lines PageLines(PageLinesFrom from, std::string_view body) {
  Lines lines;
  switch (from) {
    case PageLinesFrom::kStream:
      StreamToLines(lines, body);
      break;
    case PageLinesFrom::kStreamThenEuc: {
      StreamToLines(lines, body);
      std::string text;
      for (const std::string& line : lines)
        text += line + "\r\n";
      StreamToLines(lines, EucToSjis(text));
      break;
    }
    case PageLinesFrom::kConvert:
      StreamToLines(lines, ConvertTo(body.substr(0, body.find('\0')), kCodeSjis));
      break;
  }
  return lines;
}

}  // namespace quillet
