#include "settings/StationIni.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "base/Format.h"

namespace orlix {
namespace {

constexpr std::size_t npos = std::string_view::npos;

bool Blank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(std::string_view s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

// One line of the file: [begin, end) its text, [end, next) its line end (empty on a last
// line without one).
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
};

std::vector<Line> Lines(std::string_view text) {
  std::vector<Line> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    Line line{pos, std::min(text.find_first_of("\r\n", pos), text.size()), 0};
    line.next = line.end;
    if (line.next < text.size() && text[line.next] == '\r') ++line.next;
    if (line.next < text.size() && text[line.next] == '\n') ++line.next;
    lines.push_back(line);
    pos = line.next;
  }
  return lines;
}

enum class Kind { kOther, kHeader, kKey };

struct Parsed {
  Kind kind = Kind::kOther;
  std::string name;  // of the group, or the key
  std::string value;
  // Where the value stands in the line, without the blanks around it and a comment after it.
  std::size_t valueBegin = 0;
  std::size_t valueEnd = 0;
};

// The escaped character after a backslash at `pos`; the position after it.
std::size_t Unescape(std::string_view line, std::size_t pos, std::string& out) {
  static constexpr std::string_view kFrom = "abfnrtv\"'\\?";
  static constexpr std::string_view kTo = "\a\b\f\n\r\t\v\"'\\?";
  const char c = line[pos];
  const std::size_t k = kFrom.find(c);
  out += k == npos ? c : kTo[k];  // an unknown escape stands for its character
  return pos + 1;
}

// The value after '=' as QSettings reads it, except that commas outside quotes stay in the
// text as written: blanks around it dropped, quotes removed (their contents kept as they
// are, blanks after a closing quote skipped), escapes decoded, a ';' outside quotes ending it.
void DecodeValue(std::string_view line, std::size_t pos, Parsed& p) {
  auto skipBlanks = [&] {
    while (pos < line.size() && Blank(line[pos])) ++pos;
  };
  skipBlanks();
  p.valueBegin = p.valueEnd = pos;
  std::string& out = p.value;
  std::size_t kept = 0;  // quoted and escaped text keeps its trailing blanks
  bool quoted = false;
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == '\\') {
      if (pos < line.size()) pos = Unescape(line, pos, out);
      kept = out.size();
    } else if (c == '"') {
      quoted = !quoted;
      kept = out.size();
      if (!quoted) {
        p.valueEnd = pos;
        skipBlanks();
        continue;
      }
    } else if (c == ';' && !quoted) {
      break;
    } else {
      out += c;
      if (!quoted && Blank(c)) continue;
    }
    p.valueEnd = pos;
  }
  out.erase(std::max(kept, out.find_last_not_of(" \t") + 1));
}

Parsed Parse(std::string_view line) {
  Parsed p;
  std::size_t i = line.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;  // a byte order mark
  while (i < line.size() && Blank(line[i])) ++i;
  if (i == line.size() || line[i] == ';' || line[i] == '#') return p;
  if (line[i] == '[') {
    const std::size_t close = line.find(']', i);
    p.kind = Kind::kHeader;
    p.name = Trimmed(line.substr(i + 1, close == npos ? npos : close - i - 1));
    return p;
  }
  const std::size_t eq = line.find('=', i);
  if (eq == npos) return p;
  p.name = Trimmed(line.substr(i, eq - i));
  if (p.name.empty()) return p;
  p.kind = Kind::kKey;
  DecodeValue(line, eq + 1, p);
  return p;
}

// A value as it is written: in quotes, with escapes, when it would not read back as itself.
std::string Encoded(std::string_view value) {
  const bool plain = value.find_first_of("\"\\;\r\n") == npos &&
                     (value.empty() || (!Blank(value.front()) && !Blank(value.back())));
  if (plain) return std::string(value);
  std::string text = "\"";
  for (const char c : value) {
    if (c == '"' || c == '\\' || c == '\r' || c == '\n') text += '\\';
    text += c == '\r' ? 'r' : c == '\n' ? 'n' : c;
  }
  return text + '"';
}

StationIni::Keys GroupOf(std::string_view text, std::string_view group) {
  StationIni::Keys keys;
  bool in = false;
  for (const Line& line : Lines(text)) {
    Parsed p = Parse(text.substr(line.begin, line.end - line.begin));
    if (p.kind == Kind::kHeader) in = p.name == group;
    if (p.kind == Kind::kKey && in) keys[p.name] = std::move(p.value);
  }
  return keys;
}

std::string WithValues(std::string_view text, std::string_view group,
                       const StationIni::Values& values) {
  const std::vector<Line> lines = Lines(text);
  std::vector<Parsed> parsed;
  std::vector<bool> in(lines.size());
  std::optional<std::size_t> lastKey;
  std::optional<std::size_t> lastHeader;
  std::string_view eol = kLineEnd;  // the file's own, from its first line end
  bool eolFound = false;
  bool inGroup = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    if (!eolFound && l.next > l.end) eol = text.substr(l.end, l.next - l.end), eolFound = true;
    parsed.push_back(Parse(text.substr(l.begin, l.end - l.begin)));
    if (parsed[i].kind == Kind::kHeader) inGroup = parsed[i].name == group;
    in[i] = inGroup;
    if (inGroup && parsed[i].kind == Kind::kKey) lastKey = i;
    if (inGroup && parsed[i].kind == Kind::kHeader) lastHeader = i;
  }
  std::vector<bool> present(values.size());
  auto added = [&] {
    std::string block;
    for (std::size_t k = 0; k < values.size(); ++k) {
      if (!present[k])
        block += values[k].first + "=" + Encoded(values[k].second) + std::string(eol);
    }
    return block;
  };
  const std::optional<std::size_t> anchor = lastKey ? lastKey : lastHeader;
  std::string out;
  out.reserve(text.size() + 64);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    const Parsed& p = parsed[i];
    const std::string_view raw = text.substr(l.begin, l.end - l.begin);
    const auto it = std::find_if(values.begin(), values.end(),
                                 [&p](const auto& v) { return v.first == p.name; });
    if (in[i] && p.kind == Kind::kKey && it != values.end()) {
      present[static_cast<std::size_t>(it - values.begin())] = true;
      out += raw.substr(0, p.valueBegin);
      out += Encoded(it->second);
      out += raw.substr(p.valueEnd);
    } else {
      out += raw;
    }
    std::string block = i == anchor ? added() : std::string();
    if (!block.empty() && l.next == l.end) {  // the last line, without a line end: none after
      out += eol;                             // the new lines either
      block.resize(block.size() - eol.size());
    } else {
      out += text.substr(l.end, l.next - l.end);
    }
    out += block;
  }
  if (anchor) return out;
  const std::string block = added();
  if (block.empty()) return out;
  if (!lines.empty()) {
    if (lines.back().next == lines.back().end) out += eol;
    if (!Trimmed(text.substr(lines.back().begin, lines.back().end - lines.back().begin)).empty()) {
      out += eol;  // a blank line before the new group
    }
  }
  return out + "[" + std::string(group) + "]" + std::string(eol) + block;
}

// The file's text; empty when it is missing, nothing when it is there but cannot be read.
std::optional<std::string> Text(FileAccess& files) {
  std::optional<std::string> text = files.Read(kStationIni, kMaxStationIniBytes + 1);
  if (!text)
    return files.Exists(kStationIni) ? std::nullopt : std::optional<std::string>(std::string());
  if (text->size() > kMaxStationIniBytes) return std::nullopt;
  return text;
}

}  // namespace

StationIni::Keys StationIni::Group(const std::string& name) const {
  const std::optional<std::string> text = Text(files_);
  return text ? GroupOf(*text, name) : Keys{};
}

bool StationIni::HasGroup(const std::string& name) const {
  const std::optional<std::string> text = Text(files_);
  if (!text) return false;
  for (const Line& line : Lines(*text)) {
    const Parsed p = Parse(std::string_view(*text).substr(line.begin, line.end - line.begin));
    if (p.kind == Kind::kHeader && p.name == name) return true;
  }
  return false;
}

bool StationIni::Write(const std::string& group, const Values& values) {
  const std::optional<std::string> text = Text(files_);
  if (!text) return false;
  const std::string changed = WithValues(*text, group, values);
  return changed == *text || files_.Replace(kStationIni, changed);
}

bool StationIni::Remove(const std::string& group, const std::vector<std::string>& keys) {
  const std::optional<std::string> text = Text(files_);
  if (!text) return false;
  std::string kept;
  bool in = false;
  for (const Line& line : Lines(*text)) {
    const Parsed p = Parse(std::string_view(*text).substr(line.begin, line.end - line.begin));
    if (p.kind == Kind::kHeader) in = p.name == group;
    if (!in || p.kind != Kind::kKey || std::find(keys.begin(), keys.end(), p.name) == keys.end())
      kept += std::string_view(*text).substr(line.begin, line.next - line.begin);
  }
  return kept == *text || files_.Replace(kStationIni, kept);
}

ToleranceSetting StationIni::ReadTolerance() const {
  const Keys keys = Group(kToleranceGroup);
  ToleranceSetting setting;
  auto take = [&keys](const char* key, double& out) {
    const auto it = keys.find(key);
    if (it == keys.end()) return;
    const std::optional<double> value = ParseListNumber(it->second);
    out = value.value_or(std::numeric_limits<double>::quiet_NaN());
  };
  take(kTolerancePlusKey, setting.tolerance.plus);
  take(kToleranceMinusKey, setting.tolerance.minus);
  if (const std::string problem = ToleranceProblem(setting.tolerance); !problem.empty()) {
    setting.problem = std::string(kStationIni) + ": " + problem;
  }
  return setting;
}

bool StationIni::WriteTolerance(const Tolerance& tolerance) {
  return Write(kToleranceGroup, {{kTolerancePlusKey, ListForm(tolerance.plus)},
                                 {kToleranceMinusKey, ListForm(tolerance.minus)}});
}

}  // namespace orlix
