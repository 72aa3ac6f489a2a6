// HttpResponseParser: the response of one HTTP/1.0 exchange, cut up as its
// bytes arrive in pieces of any size: the status line and header lines, then
// the body up to the close of the connection. No I/O: the caller feeds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/http/http_problem.h"

namespace quillet {

class HttpResponseParser {
 public:
  // A header line fails with "HTTP line too long" when this many bytes come
  // before its LF.
  static constexpr size_t kMaxLineLength = 8192;
  static constexpr int kLineTooLongCode = 4;
  static constexpr int kFailureCode = 404;  // of every other failure

  enum class Outcome {
    kPending,   // more bytes, or the close of the connection, are needed
    kComplete,  // the response is over; a status of 400 or more ends it at once
    kRelocate,  // the header ended (or the connection closed) with a Location
    kFailed,    // FailureText() and FailureCode()
  };

  // Body bytes in order, never empty; the view lasts only for the call.
  using BodySink = std::function<void(std::string_view)>;

  // `expectBody` is false for the answer to HEAD. Past `maxBodySize` body
  // bytes the response fails with "document too large": the bytes up to the
  // limit are delivered first, so the events do not depend on the pieces. A
  // body fails before its first byte when it comes chunked or compressed
  // (Transfer-Encoding or Content-Encoding other than identity: an HTTP/1.0
  // request that asks for no encoding cannot read it), and at the close when
  // fewer bytes came than its Content-Length.
  HttpResponseParser(bool expectBody, int64_t maxBodySize, BodySink onBody);
  HttpResponseParser() : HttpResponseParser(true, 0, nullptr) {}

  // Takes the next bytes; what follows the end of the response is ignored.
  Outcome Feed(std::string_view bytes);
  // The connection has closed: ends a response still pending.
  Outcome Close();

  Outcome outcome() const { return outcome_; }
  int StatusCode() const { return statusCode_; }  // 0 without a status line
  const std::string& StatusText() const { return statusText_; }
  // The header lines received so far without their line ends, the status
  // line included, the empty line that ends the header not.
  const std::vector<std::string>& HeaderLines() const { return headerLines_; }
  int64_t ContentLength() const { return contentLength_; }         // -1: none
  const std::string& ContentType() const { return contentType_; }  // folded to lower case
  const std::string& Location() const { return location_; }
  const std::string& FailureText() const { return failureText_; }
  int FailureCode() const { return failureCode_; }
  HttpProblem Failure() const { return failure_; }  // kNone unless kFailed

 private:
  void EndOfLine();
  void HeaderLine(const std::string& line);
  void EndOfHeader();
  void Body(std::string_view bytes);
  void Fail(std::string text, int code, HttpProblem failure);

  bool expectBody_;
  int64_t maxBodySize_;
  BodySink onBody_;

  Outcome outcome_ = Outcome::kPending;
  bool inBody_ = false;
  std::string line_;  // the header line being received, without its LF
  int statusCode_ = 0;
  std::string statusText_;
  std::vector<std::string> headerLines_;
  int64_t contentLength_ = -1;
  std::string contentType_;
  std::string location_;
  std::string transferEncoding_;  // folded to lower case
  std::string contentEncoding_;
  int64_t bodySize_ = 0;
  std::string failureText_;
  int failureCode_ = 0;
  HttpProblem failure_ = HttpProblem::kNone;
};

}  // namespace quillet
