// Answers of status 200 whose body is gzip-compressed, for the feed download tests.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace quillet::test {

// `bytes` as a gzip member.
inline std::string Gzip(const std::string& bytes) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, bytes.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// An answer of status 200 with a gzip body.
inline std::string GzipAnswer(const std::string& body) {
  const std::string compressed = Gzip(body);
  return "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Type: application/rss+xml\r\n"
         "Content-Length: " +
         std::to_string(compressed.size()) + "\r\n\r\n" + compressed;
}

}  // namespace quillet::test
