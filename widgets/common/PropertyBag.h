#pragma once
// Persisted widget properties: the window that holds a widget keeps one bag per widget.
// Every property is stored under its own key with a default that serves both reading and
// writing: a key that was never written reads back as its default.

#include <map>
#include <stdexcept>
#include <string>

namespace orlix {

class PropertyBag {
 public:
  double ReadProperty(const std::string& key, double defaultValue) const {
    const auto it = values_.find(key);
    return it == values_.end() ? defaultValue : it->second;
  }

  // A value equal to its default is not stored, so the bag holds only what differs.
  void WriteProperty(const std::string& key, double value, double defaultValue) {
    if (value == defaultValue) {
      values_.erase(key);
    } else {
      values_[key] = value;
    }
  }

  bool Contains(const std::string& key) const { return values_.count(key) != 0; }
  const std::map<std::string, double>& Values() const { return values_; }

 private:
  std::map<std::string, double> values_;
};

// What a widget raises to its caller when it refuses a property access: a write to a
// read-only property, a read that is not allowed at run time, or an index out of range.
// Nothing in the widget changes when it is raised.
class PropertyError : public std::runtime_error {
 public:
  enum class Kind { ReadOnly, NotReadableAtRunTime, SubscriptOutOfRange };
  PropertyError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

}  // namespace orlix
