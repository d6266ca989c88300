#include "widgets/SC1/SetPointBoard.h"

#include <algorithm>
#include <cmath>

#include "base/Format.h"

namespace orlix::sc1 {
namespace {

constexpr int kMaxPass = 99;
constexpr long long kMaxTenths = 99999;  // 9999.9 micrometres
constexpr int kMinScale = 1;
constexpr int kMaxScale = 40;

double Shown(const BoardTexts& texts, int slot) {
  return LeadingNumber(texts[static_cast<std::size_t>(slot)]);
}

}  // namespace

Group GroupOf(int slot) {
  if (slot <= kPass1) return Group::Pass;
  if (slot <= kMid4) return Group::Thickness;
  return Group::Scale;
}

double NextDigit(double shown) {
  const double next = shown + 1;
  return next > 9 ? 0 : next;
}

double NextScale(double shown) {
  const double next = shown + 1;
  return next > kMaxScale ? kMinScale : next;
}

std::int16_t PassOf(const BoardTexts& texts) {
  const double value = 10 * Shown(texts, kPass0) + Shown(texts, kPass1);
  return static_cast<std::int16_t>(std::clamp(std::nearbyint(value), -32768.0, 32767.0));
}

float ThicknessOf(const BoardTexts& texts) {
  // Each partial sum is kept in single precision, as the set-point is a single.
  float sum = 0.0f;
  for (int i = 0; i <= 3; ++i) {
    sum = static_cast<float>(sum + Shown(texts, kMid0 + i) * std::pow(10.0, 3 - i));
  }
  return static_cast<float>(Shown(texts, kMid4) / 10 + sum);
}

float ScaleOf(const BoardTexts& texts) { return static_cast<float>(Shown(texts, kScale)); }

std::vector<BoardEvent> StartEvents(const BoardTexts& texts, const ChangedFlags& changed) {
  std::vector<BoardEvent> events;
  if (changed.pass) {
    events.push_back({BoardEvent::Kind::PassChange, PassOf(texts), 0.0f});
  }
  if (changed.thickness) {
    events.push_back({BoardEvent::Kind::ThickChange, 0, ThicknessOf(texts)});
  }
  if (changed.scale) {
    events.push_back({BoardEvent::Kind::ScaleChange, 0, ScaleOf(texts)});
  }
  events.push_back({BoardEvent::Kind::StartProc, 0, 0.0f});
  return events;
}

BoardTexts InitTexts(std::int16_t P, float T, float S) {
  BoardTexts texts;
  const int pass = std::clamp<int>(P, 0, kMaxPass);
  texts[kPass0] = FormatPattern(pass / 10, "0");
  texts[kPass1] = FormatPattern(pass % 10, "0");

  // The set-point rounded to the tenth as a single shows it, then split into digits.
  long long tenths = 0;
  if (T >= 10000.0f) {
    tenths = kMaxTenths;
  } else if (T > 0.0f) {
    tenths = std::llround(LeadingNumber(FormatPattern(T, "0.0")) * 10);
    tenths = std::min(tenths, kMaxTenths);
  }
  long long whole = tenths / 10;
  for (int k = 3; k >= 0; --k) {
    const long long unit = k == 3 ? 1000 : k == 2 ? 100 : k == 1 ? 10 : 1;
    const long long digit = whole / unit;
    whole -= digit * unit;
    texts[static_cast<std::size_t>(kMid3 - k)] = FormatPattern(digit, "0");
  }
  texts[kMid4] = FormatPattern(tenths % 10, "0");

  int scale = kMinScale;
  if (S >= static_cast<float>(kMaxScale)) {
    scale = kMaxScale;
  } else if (S >= static_cast<float>(kMinScale)) {
    scale = static_cast<int>(std::floor(S));
  }
  texts[kScale] = FormatPattern(scale, "#0");
  return texts;
}

SetPointBoard::SetPointBoard() {
  texts_.fill("0");
  texts_[kScale] = "00";
}

void SetPointBoard::InitSC(std::int16_t P, float T, float S) { texts_ = InitTexts(P, T, S); }

void SetPointBoard::Press(int slot) {
  switch (GroupOf(slot)) {
    case Group::Pass:
      changed_.pass = true;
      break;
    case Group::Thickness:
      changed_.thickness = true;
      break;
    case Group::Scale:
      changed_.scale = true;
      break;
  }
}

void SetPointBoard::Step(int slot) {
  std::string& text = texts_.at(static_cast<std::size_t>(slot));
  const double shown = LeadingNumber(text);
  text = FormatPattern(GroupOf(slot) == Group::Scale ? NextScale(shown) : NextDigit(shown), "#0");
}

void SetPointBoard::Dial(std::int16_t P, float T) {
  const BoardTexts dialled = InitTexts(P, T, ScaleOf(texts_));
  for (int slot = kPass0; slot <= kMid4; ++slot) {
    texts_[static_cast<std::size_t>(slot)] = dialled[static_cast<std::size_t>(slot)];
  }
  changed_.pass = true;
  changed_.thickness = true;
}

std::vector<BoardEvent> SetPointBoard::Start() {
  startEnabled_ = false;
  stopEnabled_ = true;
  std::vector<BoardEvent> events = StartEvents(texts_, changed_);
  changed_ = ChangedFlags{};
  return events;
}

std::vector<BoardEvent> SetPointBoard::Stop() {
  stopEnabled_ = false;
  startEnabled_ = true;
  return {BoardEvent{BoardEvent::Kind::StopProc, 0, 0.0f}};
}

}  // namespace orlix::sc1
