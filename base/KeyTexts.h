#pragma once
// The value texts of station.ini's keys as the station's outputs read them: blanks around a
// value, a whole number within a range, a yes/no.

#include <string>

namespace orlix {

// Without leading and trailing blanks and tabs.
std::string Trimmed(const std::string& s);
// ASCII letters in lower case.
std::string Lower(std::string s);
// A whole decimal number from `low` to `high`, blanks around it allowed.
bool ParseInt(const std::string& text, long long low, long long high, long long& value);
// true/1/yes/on or false/0/no/off, in any case, blanks around it allowed.
bool ParseBool(const std::string& text, bool& value);

}  // namespace orlix
