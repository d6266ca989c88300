#include "plantlink/Protocol.h"

#include "base/Format.h"
#include "plantlink/RegisterImage.h"

namespace orlix::link {
namespace {

std::uint16_t Word(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[at]) << 8) |
                                    static_cast<unsigned char>(bytes[at + 1]));
}

void AppendWord(std::string& out, std::uint16_t word) {
  out.push_back(static_cast<char>(word >> 8));
  out.push_back(static_cast<char>(word & 0xFF));
}

}  // namespace

FrameResult TakeFrame(std::string& buffer, Frame& frame) {
  constexpr std::size_t kHeader = 7;  // transaction, protocol, length, unit
  if (buffer.size() >= 4 && Word(buffer, 2) != 0) return FrameResult::Malformed;
  if (buffer.size() < 6) return FrameResult::Incomplete;
  const std::uint16_t length = Word(buffer, 4);  // unit and PDU
  if (length < 2 || length > 254) return FrameResult::Malformed;
  if (buffer.size() < 6u + length) return FrameResult::Incomplete;
  frame.transaction = Word(buffer, 0);
  frame.unit = static_cast<std::uint8_t>(buffer[6]);
  frame.pdu = buffer.substr(kHeader, length - 1u);
  buffer.erase(0, 6u + length);
  return FrameResult::Complete;
}

std::string ResponseBytes(const Frame& request, std::string_view responsePdu) {
  std::string out;
  AppendWord(out, request.transaction);
  AppendWord(out, 0);
  AppendWord(out, static_cast<std::uint16_t>(responsePdu.size() + 1));
  out.push_back(static_cast<char>(request.unit));
  out.append(responsePdu);
  return out;
}

void HoldingRegisters::Reset(float setPointUm, std::int16_t pass) {
  // The same nanometres as the set-point in the input registers.
  const std::uint32_t nm = ScaledInt32(setPointUm, 1000.0);
  words_ = {static_cast<std::uint16_t>(nm >> 16), static_cast<std::uint16_t>(nm & 0xFFFFu),
            static_cast<std::uint16_t>(pass), 0};
}

void HoldingRegisters::Follow(float setPointUm, std::int16_t pass) {
  if (staged_) return;
  const std::uint16_t commit = words_[3];
  Reset(setPointUm, pass);
  words_[3] = commit;
}

WriteOutcome HoldingRegisters::Write(std::uint16_t address,
                                     const std::vector<std::uint16_t>& values,
                                     const WriteContext& context) {
  const std::size_t end = std::size_t{address} + values.size();
  const bool watchdogOnly = address == kWatchdogRegister && values.size() == 1;
  if (!context.writesAllowed && !(context.watchdog && watchdogOnly))
    return {Exception::IllegalFunction, {}};
  if (values.empty() || address < kHoldingFirst || end > kHoldingFirst + kHoldingCount) {
    return {Exception::IllegalAddress, {}};
  }
  std::array<std::uint16_t, kHoldingCount> staged = words_;
  for (std::size_t i = 0; i < values.size(); ++i) staged[address - kHoldingFirst + i] = values[i];
  if (staged[2] > 99) return {Exception::IllegalValue, {}};

  WriteOutcome outcome;
  if (address <= kCommitRegister && end > kCommitRegister) {
    const auto nm = static_cast<std::int32_t>(GetInt32(staged.data()));
    // The data board shows tenths of a micrometre: anything finer could not be dialled.
    const bool setPointOk = nm >= kSetPointMinNm && nm <= kSetPointMaxNm && nm % 100 == 0;
    if (context.passRunning || staged[3] != context.counter || !setPointOk) {
      return {Exception::IllegalValue, {}};
    }
    outcome.commit = Commit{nm, static_cast<std::int16_t>(staged[2])};
  }
  words_ = staged;
  // A commit hands the registers back to the board; staged values keep them.
  if (outcome.commit) {
    staged_ = false;
  } else if (address < kCommitRegister) {
    staged_ = true;
  }
  outcome.watchdog = end > kWatchdogRegister;
  return outcome;
}

bool DecodeWrite(std::uint8_t function, std::string_view data, std::uint16_t& address,
                 std::vector<std::uint16_t>& values) {
  values.clear();
  if (function == 0x06) {
    if (data.size() != 4) return false;
    address = Word(data, 0);
    values.push_back(Word(data, 2));
    return true;
  }
  if (function != 0x10 || data.size() < 5) return false;
  address = Word(data, 0);
  const std::uint16_t quantity = Word(data, 2);
  const auto bytes = static_cast<unsigned char>(data[4]);
  if (quantity < 1 || quantity > 123 || bytes != 2 * quantity || data.size() != 5u + bytes) {
    return false;
  }
  for (std::size_t i = 0; i < quantity; ++i) values.push_back(Word(data, 5 + 2 * i));
  return true;
}

std::string WriteAnswerData(std::uint8_t function, std::uint16_t address,
                            const std::vector<std::uint16_t>& values) {
  std::string out;
  AppendWord(out, address);
  AppendWord(out, function == 0x06 ? values.at(0) : static_cast<std::uint16_t>(values.size()));
  return out;
}

std::string CommitLogLine(const std::string& date, const std::string& time,
                          const std::string& client, float oldSetPoint, std::int16_t oldPass,
                          const Commit& commit) {
  return date + " " + time + "  " + client + "  set-point " + FormatPattern(oldSetPoint, "0.0") +
         " -> " + FormatPattern(commit.setPointNm / 1000.0, "0.0") + " mcm  pass " +
         FormatPattern(oldPass, "00") + " -> " + FormatPattern(commit.pass, "00") + "\n";
}

}  // namespace orlix::link
