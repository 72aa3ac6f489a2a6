#include "core/http/http_response_parser.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "core/text/cp932.h"

namespace quillet {

namespace {

// A response that starts with this (in any case) has no header: all of it is
// an HTML document.
constexpr std::string_view kBareDocumentStart = "<html>";

// A decimal number that fills `text`, or `fallback`.
int64_t ParseDecimal(std::string_view text, int64_t fallback) {
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() ? value : fallback;
}

}  // namespace

HttpResponseParser::HttpResponseParser(bool expectBody, int64_t maxBodySize, BodySink onBody)
    : expectBody_(expectBody), maxBodySize_(maxBodySize), onBody_(std::move(onBody)) {}

HttpResponseParser::Outcome HttpResponseParser::Feed(std::string_view bytes) {
  while (outcome_ == Outcome::kPending && !bytes.empty()) {
    if (inBody_) {
      Body(bytes);
      break;
    }
    const size_t lf = bytes.find('\n');
    if (headerLines_.empty() && line_.size() < kBareDocumentStart.size()) {
      // The first bytes are looked at before their line is complete.
      const size_t missing = kBareDocumentStart.size() - line_.size();
      if (lf >= missing) {
        const size_t take = std::min(missing, bytes.size());
        line_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (Cp932Lower(line_) == kBareDocumentStart) {
          contentType_ = "text/html";
          inBody_ = true;
          std::string first = std::exchange(line_, std::string());
          Body(first.append(bytes));  // one piece, as it arrived
          break;
        }
        continue;
      }
    }
    const size_t length = std::min(lf, bytes.size());
    if (line_.size() + length >= kMaxLineLength) {
      Fail("HTTP line too long", kLineTooLongCode, HttpProblem::kBadResponse);
      break;
    }
    line_.append(bytes.substr(0, length));
    if (lf == std::string_view::npos) break;
    bytes.remove_prefix(lf + 1);
    EndOfLine();
  }
  return outcome_;
}

HttpResponseParser::Outcome HttpResponseParser::Close() {
  // 204 and 304 answers have no body, whatever their Content-Length says.
  if (outcome_ == Outcome::kPending && inBody_ && contentLength_ >= 0 &&
      bodySize_ < contentLength_ && statusCode_ != 204 && statusCode_ != 304) {
    Fail("Connection closed after " + std::to_string(bodySize_) + " of " +
             std::to_string(contentLength_) + " bytes",
         kFailureCode, HttpProblem::kCutShort);
  } else if (outcome_ == Outcome::kPending) {
    // A relocation is followed even when its header never ended.
    outcome_ = !inBody_ && !location_.empty() ? Outcome::kRelocate : Outcome::kComplete;
  }
  return outcome_;
}

void HttpResponseParser::EndOfLine() {
  std::string line = std::exchange(line_, std::string());
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.empty()) {
    EndOfHeader();
    return;
  }
  HeaderLine(line);
  headerLines_.push_back(std::move(line));
  if (statusCode_ >= 400) outcome_ = Outcome::kComplete;
}

void HttpResponseParser::HeaderLine(const std::string& line) {
  if (line.starts_with("HTTP/1.0") || line.starts_with("HTTP/1.1")) {
    // "HTTP/1.0 404 Not Found": the code in columns 10-12, the reason from 14.
    statusCode_ = line.size() > 9 ? static_cast<int>(ParseDecimal(line.substr(9, 3), 0)) : 0;
    statusText_ = line.size() > 13 ? line.substr(13) : std::string();
    return;
  }
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return;
  const std::string name = Cp932Lower(std::string_view(line).substr(0, colon));
  std::string_view value = std::string_view(line).substr(colon + 1);
  while (value.starts_with(' '))
    value.remove_prefix(1);
  if (name == "location") {
    location_ = TrimSpaces(value);
  } else if (name == "content-length") {
    contentLength_ = std::max<int64_t>(ParseDecimal(TrimSpaces(value), -1), -1);
  } else if (name == "content-type") {
    contentType_ = Cp932Lower(value);
  } else if (name == "transfer-encoding") {
    transferEncoding_ = Cp932Lower(TrimSpaces(value));
  } else if (name == "content-encoding") {
    contentEncoding_ = Cp932Lower(TrimSpaces(value));
  }
}

void HttpResponseParser::EndOfHeader() {
  // A relocation is followed even when its response announces an empty body.
  if (!location_.empty()) {
    outcome_ = Outcome::kRelocate;
  } else if (contentLength_ == 0 || !expectBody_) {
    outcome_ = Outcome::kComplete;
  } else if (!transferEncoding_.empty() && transferEncoding_ != "identity") {
    Fail("unrequested Transfer-Encoding: " + transferEncoding_, kFailureCode,
         HttpProblem::kUnaskedEncoding);
  } else if (!contentEncoding_.empty() && contentEncoding_ != "identity") {
    Fail("unrequested Content-Encoding: " + contentEncoding_, kFailureCode,
         HttpProblem::kUnaskedEncoding);
  } else {
    inBody_ = true;
  }
}

void HttpResponseParser::Body(std::string_view bytes) {
  const int64_t room = std::max<int64_t>(maxBodySize_ - bodySize_, 0);
  const size_t take = static_cast<size_t>(std::min<int64_t>(room, std::ssize(bytes)));
  if (take > 0) {
    bodySize_ += static_cast<int64_t>(take);
    if (onBody_) onBody_(bytes.substr(0, take));
  }
  if (take < bytes.size()) Fail("document too large", kFailureCode, HttpProblem::kTooLarge);
}

void HttpResponseParser::Fail(std::string text, int code, HttpProblem failure) {
  outcome_ = Outcome::kFailed;
  failure_ = failure;
  failureText_ = std::move(text);
  failureCode_ = code;
}

}  // namespace quillet
