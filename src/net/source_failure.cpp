#include "net/source_failure.h"

#include <chrono>
#include <cstdint>

#include "core/text/text_codec.h"
#include "net/http_client.h"

namespace quillet {
namespace {

// "64 MB", "1 KB", "37 バイト".
std::string SizeText(int64_t bytes) {
  constexpr int64_t kKilo = 1024, kMega = kKilo * kKilo;
  if (bytes >= kMega && bytes % kMega == 0) return std::to_string(bytes / kMega) + " MB";
  if (bytes >= kKilo && bytes % kKilo == 0) return std::to_string(bytes / kKilo) + " KB";
  return std::to_string(bytes) + CP932(" バイト");
}

// "5 分", "60 秒", "300 ミリ秒".
std::string DurationText(std::chrono::milliseconds duration) {
  const int64_t ms = duration.count();
  if (ms > 60'000 && ms % 60'000 == 0) return std::to_string(ms / 60'000) + CP932(" 分");
  if (ms >= 1000 && ms % 1000 == 0) return std::to_string(ms / 1000) + CP932(" 秒");
  return std::to_string(ms) + CP932(" ミリ秒");
}

std::string Status(int code) {
  return " (" + std::to_string(code) + ")";
}

const std::string& NetworkHint() {
  return CP932("。ネットワークの接続と、接続設定のプロキシを確かめてください");
}

const std::string& ProxyHint() {
  return CP932("。接続設定のプロキシを確かめてください");
}

const std::string& CredentialsHint() {
  return CP932("。接続設定のプロキシのユーザー名とパスワードを確かめてください");
}

// Where a feed's or a page's own address may be at fault, the user can check it.
const std::string& AddressHint(SourceKind kind) {
  if (kind == SourceKind::kPage)
    return CP932("。ページの URL と、接続設定のプロキシを確かめてください");
  return kind == SourceKind::kFeed
             ? CP932("。フィードの URL と、接続設定のプロキシを確かめてください")
             : ProxyHint();
}

std::string StatusText(const DownloadProblem& download, SourceKind kind) {
  const int code = download.status;
  const bool feed = kind == SourceKind::kFeed;
  if (code == 407) return CP932("プロキシが認証を求めています") + Status(code) + CredentialsHint();
  if (code == 401) {
    return download.throughProxy
               ? CP932("認証を求められました") + Status(code) + CredentialsHint()
               : CP932("サーバーが認証を求めています") + Status(code) + AddressHint(kind);
  }
  if (code == 404 || code == 410) {
    return (feed ? CP932("フィードが見つかりません") : CP932("ページが見つかりません")) +
           Status(code) + AddressHint(kind);
  }
  if ((code == 502 || code == 504) && download.throughProxy) {
    return CP932("プロキシがサーバーから答えを得られませんでした") + Status(code) + NetworkHint();
  }
  if (code >= 500) {
    return CP932("サーバーが答えられない状態です") + Status(code) +
           CP932("。しばらくしてから取得し直してください");
  }
  if (code >= 400) return CP932("サーバーが要求を断りました") + Status(code) + AddressHint(kind);
  // A feed's or a page's answer of another status (3xx without Location, 1xx).
  if (kind == SourceKind::kPage)
    return CP932("サーバーの答えにページがありません") + Status(code) + AddressHint(kind);
  return CP932("サーバーの答えにフィードがありません") + Status(code) + AddressHint(kind);
}

}  // namespace

std::string SourceFailureText(const std::string& name, const std::string& explanation,
                              const std::string& reason) {
  return name + ": " + explanation + CP932("。詳細: ") + reason;
}

std::string DownloadProblemText(const HttpClient& http, SourceKind kind) {
  return DownloadProblemText(
      DownloadProblem{http.Problem(), http.Failed(), http.ResponseCode(), http.ThroughProxy(),
                      http.Host(), http.ConnectHost(), http.Floor(), http.requestDeadline,
                      http.maxDocumentSize, HttpClient::kMaxRelocations},
      kind);
}

std::string DownloadProblemText(const DownloadProblem& download, SourceKind kind) {
  const std::string& place = download.throughProxy ? CP932("プロキシ ") : CP932("サーバー ");
  switch (download.problem) {
    case HttpProblem::kHostNotFound:
      return place + download.connectHost + CP932(" のアドレスが見つかりません") + NetworkHint();
    case HttpProblem::kConnectFailed:
      return place + download.connectHost + CP932(" に接続できません") + NetworkHint();
    case HttpProblem::kTls:
      return download.host +
             CP932(
                 " との暗号化した接続 (TLS) を確立できません。コンピューターの日付と"
                 "時刻、ネットワークの接続、接続設定のプロキシを確かめてください");
    case HttpProblem::kTooSlow:
      return CP932("データの届く速さが下限 (") + DurationText(download.floor.window) +
             CP932("で ") + SizeText(download.floor.bytes) +
             CP932(") を下回ったため、取得を打ち切りました") + NetworkHint();
    case HttpProblem::kDeadline:
      return DurationText(download.deadline) +
             CP932("たっても取得が終わらないため、打ち切りました") + NetworkHint();
    case HttpProblem::kTooLarge:
      return CP932("データが上限 (") + SizeText(download.maxSize) +
             CP932(") を超えたため、取得を打ち切りました") + AddressHint(kind);
    case HttpProblem::kTooManyRelocations:
      return CP932("転送 (リダイレクト) が ") + std::to_string(download.maxRelocations) +
             CP932(" 回を超えたため、取得を打ち切りました") + AddressHint(kind);
    case HttpProblem::kLessSafeRelocation:
      return CP932("https から http へ転送されたため、取得を打ち切りました") + AddressHint(kind);
    case HttpProblem::kUnsupportedScheme:
      return CP932("http でも https でもない URL へ転送されました") + AddressHint(kind);
    case HttpProblem::kBadResponse:
      return CP932("サーバーの答えが HTTP として読めません") + AddressHint(kind);
    case HttpProblem::kCutShort:
      return CP932(
                 "データが途中で切れました (Content-Length の長さに届く前に接続が閉じられました)") +
             NetworkHint();
    case HttpProblem::kUnaskedEncoding:
      return CP932(
                 "サーバーが、求めていない分割転送 (chunked) か圧縮 (gzip など) で答えたため、"
                 "読めません") +
             AddressHint(kind);
    case HttpProblem::kTunnelRefused: {
      const std::string tunnel =
          CP932("プロキシが ") + download.host + CP932(" へのトンネル (CONNECT) を拒みました");
      if (download.failed) return tunnel + ProxyHint();
      const int code = download.status;
      return tunnel + Status(code) +
             (code == 401 || code == 407
                  ? CredentialsHint()
                  : CP932("。接続設定のプロキシが https の接続を通すか確かめてください"));
    }
    case HttpProblem::kAborted:
      return CP932("取得を中断しました");
    case HttpProblem::kHttpStatus:
    case HttpProblem::kNone:
      break;
  }
  return StatusText(download, kind);
}

std::string ContentProblemText(ContentProblem problem) {
  switch (problem) {
    case ContentProblem::kBadSize:
      return CP932("ページの大きさ (Content-Length) が数ではありません") + ProxyHint();
    case ContentProblem::kUncuttablePage:
      return CP932(
                 "ページから見出しを切り出せません。ページの作りが変わったか、別のページが返されま"
                 "した") +
             ProxyHint();
    case ContentProblem::kLog:
      return CP932("ログを読み書きできません。ログのフォルダーとディスクの空きを確かめてください");
    case ContentProblem::kEmptyFeed:
      return CP932("サーバーの答えが空でした。フィードの URL を確かめてください");
    case ContentProblem::kNotAFeed:
      return CP932("フィードとして読めません。フィードの URL を確かめてください");
  }
  return std::string();
}

}  // namespace quillet
