// Parses arbitrary bytes as a profile file, reads and writes keys, and checks
// that what is written reads back and that untouched lines survive.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/sys/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  auto doc = quillet::ProfileDocument::Parse(bytes);
  if (doc.Serialize() != bytes) std::abort();  // parsing alone changes nothing

  // Section and key names taken from the input itself.
  const std::string section = bytes.substr(0, std::min<size_t>(size, 6));
  const std::string key = size > 6 ? bytes.substr(6, std::min<size_t>(size - 6, 4)) : "k";
  (void)quillet::ProfileValues(bytes).Get(section, key);
  (void)quillet::ParseProfileInteger(bytes.substr(0, 16));

  // Names without brackets, '=', line breaks or outer blanks read back as written.
  auto plain = [](const std::string& name) {
    return !name.empty() && name.find_first_of("[]=\r\n") == std::string::npos &&
           name.front() != ' ' && name.front() != '\t' && name.back() != ' ' && name.back() != '\t';
  };
  doc.Set("Main", "Fuzz", "v=1");
  if (quillet::ProfileValues(doc.Serialize()).Get("Main", "Fuzz") != "v=1") std::abort();
  if (plain(section) && plain(key)) {
    doc.Set(section, key, "value");
    auto again = quillet::ProfileDocument::Parse(doc.Serialize());
    if (quillet::ProfileValues(again.Serialize()).Get(section, key) != "value") std::abort();
  }
  return 0;
}
