#include "audit/SettingsWatch.h"

#include <map>
#include <optional>
#include <tuple>

#include "settings/StationIni.h"

namespace orlix::audit {
namespace {

using Keys = std::map<std::pair<std::string, std::string>, std::string>;

constexpr std::size_t kMaxCopyBytes = 1024 * 1024;

bool Secret(const std::string& key) {
  return key == "pin_hash" || key.find("password") != std::string::npos;
}

std::string CopyText(const Keys& keys) {
  std::string text;
  for (const auto& [where, value] : keys)
    text += Escape(where.first) + '\t' + Escape(where.second) + '\t' + Escape(value) + '\n';
  return text;
}

// The copy; nothing when there is none yet or it cannot be read (then every key counts as
// new, which errs on the side of the trail).
Keys ReadCopy(FileAccess& files) {
  Keys keys;
  const std::optional<std::string> text = files.Read(kWatchedCopy, kMaxCopyBytes);
  if (!text) return keys;
  for (std::size_t start = 0; start < text->size();) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    const auto fields = Fields(std::string_view(*text).substr(start, end - start));
    if (fields && fields->size() == 3) keys[{(*fields)[0], (*fields)[1]}] = (*fields)[2];
    start = end + 1;
  }
  return keys;
}

}  // namespace

std::size_t SettingsWatch::Check(std::string_view level, std::string_view source,
                                 std::string_view loggedElsewhere) {
  Keys now;
  const StationIni ini(files_);
  for (const char* group : kWatchedGroups)
    for (const auto& [key, value] : ini.Group(group)) now[{group, key}] = value;
  const Keys before = ReadCopy(files_);
  if (now == before && files_.Exists(kWatchedCopy)) return 0;

  std::size_t logged = 0;
  const auto log = [&](const std::pair<std::string, std::string>& where, const std::string* was,
                       const std::string* is) {
    if (where.first == loggedElsewhere) return;
    const std::string what = "[" + where.first + "] " + where.second + ": ";
    const auto shown = [](const std::string* v) { return v ? *v : std::string("(none)"); };
    log_.Append(level, source, "settings",
                what + (!Secret(where.second) ? shown(was) + " -> " + shown(is)
                        : !was                ? std::string("set")
                        : !is                 ? std::string("removed")
                                              : std::string("changed")));
    ++logged;
  };
  for (const auto& [where, value] : now) {
    const auto it = before.find(where);
    if (it == before.end())
      log(where, nullptr, &value);
    else if (it->second != value)
      log(where, &it->second, &value);
  }
  for (const auto& [where, value] : before)
    if (!now.contains(where)) log(where, &value, nullptr);
  files_.Replace(kWatchedCopy, CopyText(now));
  return logged;
}

}  // namespace orlix::audit
