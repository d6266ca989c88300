#include "base/KeyTexts.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace orlix {

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool ParseInt(const std::string& text, long long low, long long high, long long& value) {
  const std::string t = Trimmed(text);
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  return ec == std::errc() && end == t.data() + t.size() && !t.empty() && value >= low &&
         value <= high;
}

bool ParseBool(const std::string& text, bool& value) {
  const std::string t = Lower(Trimmed(text));
  if (t == "true" || t == "1" || t == "yes" || t == "on") return value = true, true;
  if (t == "false" || t == "0" || t == "no" || t == "off") return value = false, true;
  return false;
}

}  // namespace orlix
