#pragma once
// The plant link's Modbus rules without the network: how a client's byte stream is cut
// into frames (MBAP header and its checks), what the holding
// registers accept and when a commit applies them, and the line each applied write leaves
// in modbus.log.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlix::link {

// Modbus exception codes the link answers.
enum class Exception : std::uint8_t {
  None = 0,
  IllegalFunction = 1,
  IllegalAddress = 2,
  IllegalValue = 3,
};

// An incomplete frame older than this closes its connection.
inline constexpr int kFrameTimeoutMs = 1000;

// One frame of a client's stream: the MBAP header and the PDU (function code and data).
struct Frame {
  std::uint16_t transaction = 0;
  std::uint8_t unit = 0;
  std::string pdu;
};

enum class FrameResult { Incomplete, Malformed, Complete };

// Takes the first frame off the front of `buffer`. Malformed: a protocol id other than 0,
// a length field below 2 (no unit and function code) or above 254 (longer than an ADU);
// the connection is then closed. Incomplete leaves the buffer as it was.
FrameResult TakeFrame(std::string& buffer, Frame& frame);

// The response's MBAP header and PDU for a request frame.
std::string ResponseBytes(const Frame& request, std::string_view responsePdu);

// Units answered: the configured unit, 0 and 255.
inline bool UnitAnswered(std::uint8_t unit, std::uint8_t configured) {
  return unit == configured || unit == 0 || unit == 255;
}

// Holding registers 100..104: new set-point (int32 nm, high word first), new pass number,
// commit, and the PLC's watchdog (any value; each write is a sign of the PLC's life).
inline constexpr std::uint16_t kHoldingFirst = 100;
inline constexpr int kHoldingCount = 5;
inline constexpr std::uint16_t kCommitRegister = 103;
inline constexpr std::uint16_t kWatchdogRegister = 104;
inline constexpr std::int32_t kSetPointMinNm = 100;        // 0.1 µm
inline constexpr std::int32_t kSetPointMaxNm = 9'999'900;  // 9999.9 µm

struct WriteContext {
  bool writesAllowed = false;  // `writes` is on (clients outside `allow` never get this far)
  bool watchdog = false;       // plc_watchdog_s is on: register 104 alone may be written
  bool passRunning = false;
  std::uint16_t counter = 0;  // the update counter clients read last
};

struct Commit {
  std::int32_t setPointNm = 0;
  std::int16_t pass = 0;
};

struct WriteOutcome {
  Exception exception = Exception::None;
  std::optional<Commit> commit;
  bool watchdog = false;  // register 104 was written
};

class HoldingRegisters {
 public:
  // The registers show the station's current set-point and pass until a client writes.
  void Reset(float setPointUm, std::int16_t pass);
  // What the data board shows now (also dialled and not yet started): the set-point and
  // pass registers take it while no client has staged values of its own, so a commit of
  // the counter alone applies what the operator sees. A commit hands them back to the board.
  void Follow(float setPointUm, std::int16_t pass);

  // Writes `values` from `address` on (function 06 or 16) under the link's rules. A
  // request that touches the commit register applies the staged set-point and pass only
  // if the whole request is accepted; an exception leaves every register as it was.
  WriteOutcome Write(std::uint16_t address, const std::vector<std::uint16_t>& values,
                     const WriteContext& context);

  const std::array<std::uint16_t, kHoldingCount>& Words() const { return words_; }

 private:
  std::array<std::uint16_t, kHoldingCount> words_{};
  bool staged_ = false;  // a client wrote registers 100..102 since the last commit
};

// Decodes the data of a write request: function 06 (address, value) or 16 (address,
// quantity 1..123, byte count, values). False when the data do not fit the function.
bool DecodeWrite(std::uint8_t function, std::string_view data, std::uint16_t& address,
                 std::vector<std::uint16_t>& values);

// The data of the normal answer to a write request: 06 echoes address and value, 16
// gives address and quantity.
std::string WriteAnswerData(std::uint8_t function, std::uint16_t address,
                            const std::vector<std::uint16_t>& values);

// One line of modbus.log for an applied commit:
// "2026-12-07 15:40:01  127.0.0.1  set-point 120.0 -> 200.0 mcm  pass 00 -> 07\n"
std::string CommitLogLine(const std::string& date, const std::string& time,
                          const std::string& client, float oldSetPoint, std::int16_t oldPass,
                          const Commit& commit);

}  // namespace orlix::link
