// The error type that carries a message (CP932 text) to whoever can absorb it,
// or to the top-level error display.
#pragma once

#include <stdexcept>
#include <string>

namespace quillet {

class QuilletError : public std::runtime_error {
 public:
  explicit QuilletError(const std::string& message, int code = 0)
      : std::runtime_error(message), code_(code) {}
  // A status code where the source has one (the HTTP client's); 0 otherwise.
  int code() const { return code_; }

 private:
  int code_;
};

}  // namespace quillet
