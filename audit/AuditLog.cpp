#include "audit/AuditLog.h"

#include <openssl/evp.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <deque>
#include <iterator>
#include <set>

namespace orlix::audit {
namespace {

constexpr std::size_t kReadAll = SIZE_MAX;
constexpr std::size_t kFields = 6;

// The number n of "audit.log.<n>", 0 for "audit.log", nothing for any other name.
std::optional<unsigned> TrailNumber(std::string_view name) {
  const std::string_view base = kAuditFile;
  if (name == base) return 0u;
  if (!name.starts_with(base) || name.size() < base.size() + 2 || name[base.size()] != '.')
    return std::nullopt;
  const std::string_view digits = name.substr(base.size() + 1);
  if (digits.front() == '0') return std::nullopt;
  unsigned n = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return n;
}

// The text of the last line (without its line feed), empty when there is none.
std::string_view LastLine(std::string_view text) {
  if (text.ends_with('\n')) text.remove_suffix(1);
  const std::size_t cut = text.rfind('\n');
  return cut == std::string_view::npos ? text : text.substr(cut + 1);
}

std::string Unescape(std::string_view field, bool& ok) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      out += field[i];
      continue;
    }
    const char next = i + 1 < field.size() ? field[++i] : '\0';
    switch (next) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        ok = false;
        return out;
    }
  }
  return out;
}

}  // namespace

std::string Escape(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (const char c : field) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Sha256Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
    return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0xf];
  }
  return hex;
}

std::optional<std::vector<std::string>> Fields(std::string_view line) {
  std::vector<std::string> fields;
  bool ok = true;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(Unescape(line.substr(start, tab - start), ok));
    if (!ok) return std::nullopt;
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

std::optional<std::pair<AuditEvent, std::string>> ParseLine(std::string_view line) {
  std::optional<std::vector<std::string>> f = Fields(line);
  // The hash is hex digits: unescaping leaves it as it stands.
  if (!f || f->size() != kFields) return std::nullopt;
  auto& v = *f;
  return std::pair{AuditEvent{std::move(v[0]), std::move(v[1]), std::move(v[2]), std::move(v[3]),
                              std::move(v[4])},
                   std::move(v[5])};
}

std::vector<std::string> TrailFiles(FileAccess& files) {
  std::vector<std::pair<unsigned, std::string>> numbered;
  for (std::string& name : files.List("")) {
    const auto n = TrailNumber(name);
    if (n) numbered.emplace_back(*n, std::move(name));
  }
  // audit.log (0) is the newest, after every numbered one.
  std::sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) {
    return (a.first == 0 ? UINT32_MAX : a.first) < (b.first == 0 ? UINT32_MAX : b.first);
  });
  std::vector<std::string> names;
  for (auto& [n, name] : numbered) names.push_back(std::move(name));
  return names;
}

AuditLog::AuditLog(FileAccess& files, std::function<std::string()> now, std::size_t rotateBytes)
    : files_(files), now_(std::move(now)), rotateBytes_(rotateBytes) {}

void AuditLog::Find() {
  found_ = true;
  last_ = std::string(kChainSeed);
  const std::vector<std::string> trail = TrailFiles(files_);
  // The newest file with a line in it: audit.log, or when it is empty the last one renamed.
  for (auto it = trail.rbegin(); it != trail.rend(); ++it) {
    const std::optional<std::string> text = files_.Read(*it, kReadAll);
    if (*it == kAuditFile && text) {
      size_ = text->size();
      openLine_ = !text->empty() && !text->ends_with('\n');
    }
    if (text && !LastLine(*text).empty()) {
      last_ = std::string(LastLine(*text));
      return;
    }
  }
}

bool AuditLog::Append(std::string_view level, std::string_view source, std::string_view kind,
                      std::string_view text) {
  if (!found_) Find();
  const std::string time = now_();
  std::string line;
  for (const std::string_view field : {std::string_view(time), level, source, kind, text}) {
    line += Escape(field);
    line += '\t';
  }
  line += Sha256Hex(last_ + line);
  // A line cut short (by a crash during a write) stays a line of its own, where the check
  // finds it, rather than joining the next one.
  const std::string written = (openLine_ ? "\n" : "") + line + '\n';
  if (size_ > 0 && size_ + written.size() > rotateBytes_) {
    unsigned highest = 0;
    for (const std::string& name : TrailFiles(files_))
      highest = std::max(highest, *TrailNumber(name));
    // When the rename fails the line still goes into the full file: an event is never lost
    // to the size, and the next line tries the rename again.
    if (files_.MoveTo(kAuditFile, "", std::string(kAuditFile) + "." + std::to_string(highest + 1)))
      size_ = 0;
  }
  if (!files_.Append(kAuditFile, written)) return false;
  size_ += written.size();
  openLine_ = false;
  last_ = std::move(line);
  if (observer_)
    observer_(AuditEvent{time, std::string(level), std::string(source), std::string(kind),
                         std::string(text)});
  return true;
}

namespace {

// Checks the chain through every line of the trail, oldest first, and hands each line that
// is an event to `visit`; the result names the first broken line. With `stopAtBreak` the walk
// ends there.
VerifyResult Walk(FileAccess& files, bool stopAtBreak,
                  const std::function<void(AuditEvent&&)>& visit) {
  VerifyResult result;
  std::string previous(kChainSeed);
  const std::vector<std::string> trail = TrailFiles(files);
  result.files = trail.size();
  const auto broken = [&](const std::string& name, std::size_t line, std::string problem) {
    if (!result.intact) return;
    result.intact = false;
    result.file = name;
    result.line = line;
    result.problem = std::move(problem);
  };
  for (const std::string& name : trail) {
    const std::optional<std::string> text = files.Read(name, kReadAll);
    if (!text) {
      broken(name, 0, "cannot be read");
      if (stopAtBreak) return result;
      continue;
    }
    std::size_t number = 0;
    for (std::size_t start = 0; start < text->size();) {
      ++number;
      std::size_t end = text->find('\n', start);
      if (end == std::string::npos) {
        broken(name, number, "line cut short");
        if (stopAtBreak) return result;
        end = text->size();
      }
      const std::string_view line = std::string_view(*text).substr(start, end - start);
      auto parsed = ParseLine(line);
      const std::size_t cut = line.rfind('\t');
      if (!parsed || cut == std::string_view::npos ||
          parsed->second != Sha256Hex(previous + std::string(line.substr(0, cut + 1)))) {
        broken(name, number, "edited, removed or reordered line");
        if (stopAtBreak) return result;
      }
      if (result.intact) ++result.lines;
      if (parsed && visit) visit(std::move(parsed->first));
      previous = std::string(line);
      start = end + 1;
    }
  }
  return result;
}

}  // namespace

VerifyResult VerifyAudit(FileAccess& files) { return Walk(files, true, nullptr); }

TrailView ReadTrail(FileAccess& files, const TrailQuery& query) {
  TrailView view;
  std::set<std::string> kinds;
  std::deque<AuditEvent> newest;
  view.check = Walk(files, false, [&](AuditEvent&& event) {
    kinds.insert(event.kind);
    const std::string_view day = std::string_view(event.time).substr(0, 10);
    if ((!query.from.empty() && day < query.from) || (!query.to.empty() && day > query.to) ||
        (!query.kind.empty() && event.kind != query.kind))
      return;
    ++view.matched;
    newest.push_back(std::move(event));
    if (newest.size() > query.maxRows) newest.pop_front();
  });
  view.events.assign(std::make_move_iterator(newest.begin()),
                     std::make_move_iterator(newest.end()));
  view.kinds.assign(kinds.begin(), kinds.end());
  return view;
}

std::string VerifyText(const VerifyResult& result) {
  if (result.intact) {
    return std::string(kAuditFile) + ": chain intact, " + std::to_string(result.lines) +
           " lines in " + std::to_string(result.files) + " files";
  }
  if (result.line == 0) return result.file + ": " + result.problem;
  return result.file + " line " + std::to_string(result.line) + ": chain broken (" +
         result.problem + ")";
}

}  // namespace orlix::audit
