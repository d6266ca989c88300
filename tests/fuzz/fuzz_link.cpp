// The plant link's request path with any bytes a client can send, in any pieces: the first
// byte sets the link (bit 0 writes, bit 1 a pass running, bit 2 the watchdog, the next byte the
// unit id), the rest is the stream, cut into pieces at the bytes that follow each 0xFF. Checks
// besides the sanitizers: every answer is one well-formed MBAP frame for a request taken, the
// buffer only ever holds the start of one frame, a commit only with writes on and no pass running,
// and the whole stream served at once gives the same answers as the pieces.

#include <cstdint>
#include <string>

#include "plantlink/Requests.h"

#define CHECK(condition) ((condition) ? void() : std::abort())  // libFuzzer keeps the input

using namespace orlix::link;

namespace {

// The answers, frame by frame: each a header with protocol 0, a length that fits, a unit.
std::size_t CheckAnswers(const std::string& answer) {
  std::size_t frames = 0;
  for (std::size_t at = 0; at < answer.size(); ++frames) {
    CHECK(answer.size() - at >= 9);
    CHECK(answer[at + 2] == 0 && answer[at + 3] == 0);
    const std::size_t length = (static_cast<unsigned char>(answer[at + 4]) << 8) |
                               static_cast<unsigned char>(answer[at + 5]);
    CHECK(length >= 3 && length <= 253 && at + 6 + length <= answer.size());
    at += 6 + length;
  }
  return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const ClientContext client{data[1], (data[0] & 1) != 0, (data[0] & 4) != 0, (data[0] & 2) != 0,
                             42};
  const std::string stream(reinterpret_cast<const char*>(data) + 2, size - 2);
  InputImage image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint16_t>(i * 4099);

  HoldingRegisters pieces;
  pieces.Reset(120.0f, 3);
  std::string buffer, answers;
  bool closed = false;
  std::size_t from = 0;
  while (from < stream.size() && !closed) {
    const std::size_t cut = stream.find('\xFF', from);
    const std::size_t to = cut == std::string::npos ? stream.size() : cut + 1;
    buffer.append(stream, from, to - from);
    from = to;
    const Served served = Serve(buffer, image, pieces, client);
    CHECK(CheckAnswers(served.answer) == served.counts.answers);
    CHECK(served.commits.empty() || (client.writes && !client.passRunning));
    CHECK(!served.watchdog || client.writes || client.watchdog);
    CHECK(served.close || buffer.size() < 6 + 254);  // never more than one frame's start
    answers += served.answer;
    closed = served.close;
  }
  if (closed) return 0;
  HoldingRegisters whole;
  whole.Reset(120.0f, 3);
  std::string all = stream;
  const Served once = Serve(all, image, whole, client);
  CHECK(once.answer == answers && all == buffer && whole.Words() == pieces.Words());
  return 0;
}
