#include "mqtt/Json.h"

#include <charconv>
#include <cmath>

namespace orlix::mqtt {
namespace {

template <class T>
std::string Shortest(T value) {
  if (!std::isfinite(value)) return "null";
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonNumber(double value) { return Shortest(value); }
std::string JsonNumber(float value) { return Shortest(value); }

JsonObject& JsonObject::Member(std::string_view key, std::string_view json) {
  if (text_.size() > 1) text_ += ',';
  text_ += JsonString(key);
  text_ += ':';
  text_ += json;
  return *this;
}

JsonObject& JsonObject::Text(std::string_view key, std::string_view value) {
  return Member(key, JsonString(value));
}
JsonObject& JsonObject::Int(std::string_view key, std::int64_t value) {
  return Member(key, std::to_string(value));
}
JsonObject& JsonObject::Real(std::string_view key, double value) {
  return Member(key, JsonNumber(value));
}
JsonObject& JsonObject::Real(std::string_view key, const std::optional<double>& value) {
  return Member(key, value ? JsonNumber(*value) : "null");
}
JsonObject& JsonObject::Single(std::string_view key, float value) {
  return Member(key, JsonNumber(value));
}
JsonObject& JsonObject::Single(std::string_view key, const std::optional<float>& value) {
  return Member(key, value ? JsonNumber(*value) : "null");
}
JsonObject& JsonObject::Flag(std::string_view key, bool value) {
  return Member(key, value ? "true" : "false");
}
JsonObject& JsonObject::Null(std::string_view key) { return Member(key, "null"); }
JsonObject& JsonObject::Raw(std::string_view key, std::string_view json) {
  return Member(key, json);
}

}  // namespace orlix::mqtt
