#pragma once
// The few JSON texts the MQTT output sends, written by hand rather than with QJsonDocument:
// the payloads are built in this Qt-free layer (and tested without Qt), and a single
// (float) value is written as its shortest round-trip text ("120.1"), where a conversion
// to double, as QJsonValue would need, shows "120.09999847412109". Numbers that are not
// finite and values that do not exist are null.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlix::mqtt {

// A JSON string literal: quotes, backslash and control characters escaped; other bytes
// (UTF-8) as they are.
std::string JsonString(std::string_view text);
// The shortest text that reads back as the same value; "null" when not finite.
std::string JsonNumber(double value);
std::string JsonNumber(float value);

// One object, its members in the order added.
class JsonObject {
 public:
  JsonObject& Text(std::string_view key, std::string_view value);
  JsonObject& Int(std::string_view key, std::int64_t value);
  JsonObject& Real(std::string_view key, double value);
  JsonObject& Real(std::string_view key, const std::optional<double>& value);
  JsonObject& Single(std::string_view key, float value);
  JsonObject& Single(std::string_view key, const std::optional<float>& value);
  JsonObject& Flag(std::string_view key, bool value);
  JsonObject& Null(std::string_view key);
  // A value already written as JSON (an object or array).
  JsonObject& Raw(std::string_view key, std::string_view json);
  std::string Close() const { return text_ + "}"; }

 private:
  JsonObject& Member(std::string_view key, std::string_view json);
  std::string text_ = "{";
};

}  // namespace orlix::mqtt
