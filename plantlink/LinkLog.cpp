#include "plantlink/LinkLog.h"

namespace orlix::link {

const char* RefusalText(Refusal kind) {
  switch (kind) {
    case Refusal::Address:
      return "address not allowed";
    case Refusal::TooMany:
      return "over the client limit";
    case Refusal::OtherUnit:
      return "frame for another unit";
    case Refusal::Malformed:
      return "malformed frame";
    case Refusal::Write:
      return "write refused";
  }
  return "refused";
}

std::optional<std::string> LinkLog::Refused(Refusal kind, const std::string& client) {
  const double now = clock_.MonotonicSeconds();
  const auto key = std::make_pair(kind, client);
  const auto it = lastLine_.find(key);
  if (it != lastLine_.end() && now - it->second < kRefusalLogSeconds) return std::nullopt;
  // Forgotten clients cost nothing: the map is swept of lines older than a minute.
  if (lastLine_.size() > 4096)
    std::erase_if(lastLine_, [now](const auto& e) { return now - e.second >= kRefusalLogSeconds; });
  lastLine_[key] = now;
  const std::string line = clock_.DateText() + " " + clock_.TimeText() + "  " + client +
                           "  refused: " + RefusalText(kind) + "\n";
  Append(line);
  return line;
}

bool LinkLog::Append(const std::string& line) {
  if (!size_) size_ = files_.Read(kLogFile, kLogRotateBytes + 1).value_or("").size();
  if (*size_ + line.size() > kLogRotateBytes) {
    // The old lines are kept in modbus.log.1 before modbus.log starts again.
    const auto old = files_.Read(kLogFile, kLogRotateBytes + 1);
    if (old && files_.Replace(kOldLogFile, *old) && files_.Replace(kLogFile, "")) size_ = 0;
  }
  if (!files_.Append(kLogFile, line)) return false;
  *size_ += line.size();
  return true;
}

}  // namespace orlix::link
