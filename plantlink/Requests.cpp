#include "plantlink/Requests.h"

namespace orlix::link {
namespace {

constexpr std::uint8_t kReadHolding = 0x03;
constexpr std::uint8_t kReadInput = 0x04;
constexpr std::uint8_t kWriteSingle = 0x06;
constexpr std::uint8_t kWriteMultiple = 0x10;
constexpr std::uint16_t kMostReadRegisters = 125;

std::uint16_t Word(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[at]) << 8) |
                                    static_cast<unsigned char>(bytes[at + 1]));
}

std::string ExceptionPdu(std::uint8_t function, Exception code) {
  return {static_cast<char>(function | 0x80), static_cast<char>(code)};
}

// 03 and 04: address and count, then the registers from `first` on in `words`.
std::string ReadPdu(std::uint8_t function, std::string_view data, const std::uint16_t* words,
                    std::uint16_t first, std::size_t size) {
  if (data.size() != 4) return ExceptionPdu(function, Exception::IllegalValue);
  const std::uint16_t address = Word(data, 0);
  const std::uint16_t count = Word(data, 2);
  if (count < 1 || count > kMostReadRegisters)
    return ExceptionPdu(function, Exception::IllegalValue);
  if (address < first || std::size_t{address} + count > first + size) {
    return ExceptionPdu(function, Exception::IllegalAddress);
  }
  std::string pdu{static_cast<char>(function), static_cast<char>(2 * count)};
  for (std::size_t i = address - first; i < std::size_t{address} - first + count; ++i) {
    pdu.push_back(static_cast<char>(words[i] >> 8));
    pdu.push_back(static_cast<char>(words[i] & 0xFF));
  }
  return pdu;
}

std::string WritePdu(std::uint8_t function, std::string_view data, HoldingRegisters& holding,
                     const ClientContext& client, Served& served) {
  std::uint16_t address = 0;
  std::vector<std::uint16_t> values;
  WriteOutcome outcome;
  if (!client.writes && !client.watchdog) {
    outcome.exception = Exception::IllegalFunction;
  } else if (!DecodeWrite(function, data, address, values)) {
    outcome.exception = Exception::IllegalValue;
  } else {
    outcome = holding.Write(address, values,
                            {client.writes, client.watchdog, client.passRunning, client.counter});
  }
  if (outcome.exception != Exception::None) {
    ++served.counts.writesRefused;
    return ExceptionPdu(function, outcome.exception);
  }
  ++served.counts.writesApplied;
  served.watchdog = served.watchdog || outcome.watchdog;
  if (outcome.commit) {
    ++served.counts.commits;
    served.commits.push_back(*outcome.commit);
  }
  return std::string{static_cast<char>(function)} + WriteAnswerData(function, address, values);
}

std::string AnswerPdu(const Frame& frame, const InputImage& image, HoldingRegisters& holding,
                      const ClientContext& client, Served& served) {
  const auto function = static_cast<std::uint8_t>(frame.pdu[0]);
  const std::string_view data = std::string_view(frame.pdu).substr(1);
  switch (function) {
    case kReadInput:
      return ReadPdu(function, data, image.data(), 0, image.size());
    case kReadHolding:
      if (!client.writes) return ExceptionPdu(function, Exception::IllegalFunction);
      return ReadPdu(function, data, holding.Words().data(), kHoldingFirst, kHoldingCount);
    case kWriteSingle:
    case kWriteMultiple:
      return WritePdu(function, data, holding, client, served);
    default:
      return ExceptionPdu(function & 0x7F, Exception::IllegalFunction);
  }
}

}  // namespace

Served Serve(std::string& buffer, const InputImage& image, HoldingRegisters& holding,
             const ClientContext& client) {
  Served served;
  Frame frame;
  for (;;) {
    const FrameResult result = TakeFrame(buffer, frame);
    if (result == FrameResult::Incomplete) break;
    if (result == FrameResult::Malformed) {
      ++served.counts.malformed;
      served.close = true;
      break;
    }
    if (!UnitAnswered(frame.unit, client.unit)) {
      ++served.counts.otherUnit;
      continue;
    }
    const std::string pdu = AnswerPdu(frame, image, holding, client, served);
    ++served.counts.answers;
    if (static_cast<std::uint8_t>(pdu[0]) & 0x80) ++served.counts.exceptions;
    served.answer += ResponseBytes(frame, pdu);
  }
  return served;
}

}  // namespace orlix::link
