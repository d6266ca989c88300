#pragma once
// The link's whole request path for one client, without the network: the bytes the client
// sent so far (and not yet taken) in; the answers, the writes applied and what was counted
// out. The server hands every read of a socket to Serve and does what the result says; unit
// tests and the fuzz target drive it directly.
//
// Function codes: 04 reads the input registers; 03 reads the holding registers, 06 and 16
// write them (all three only with `writes` on; with the watchdog on, 06 and 16 may write
// register 104 alone); any other function, and a function code
// with its exception bit set, is answered with exception 01. Units: the configured one,
// 0 and 255; a frame for another unit is taken and not answered.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plantlink/Protocol.h"
#include "plantlink/RegisterImage.h"

namespace orlix::link {

// What the link knows about the station and the client when a request is answered.
struct ClientContext {
  std::uint8_t unit = 1;      // the link's unit id
  bool writes = false;        // the holding registers can be read and written
  bool watchdog = false;      // register 104 alone can be written
  bool passRunning = false;   // a commit is refused while a pass runs
  std::uint16_t counter = 0;  // the update counter of `image`
};

// Every kind of request and refusal the link counts, for the Link tab and the log.
struct RequestCounts {
  std::uint64_t answers = 0;         // frames answered, exceptions included
  std::uint64_t exceptions = 0;      // answered with an exception
  std::uint64_t otherUnit = 0;       // frames for a unit the link does not answer
  std::uint64_t malformed = 0;       // frames that closed their connection
  std::uint64_t writesApplied = 0;   // 06/16 requests that changed the holding registers
  std::uint64_t writesRefused = 0;   // 06/16 requests answered with an exception
  std::uint64_t commits = 0;         // commits applied
  std::uint64_t refusedAddress = 0;  // connections from an address not allowed
  std::uint64_t overLimit = 0;       // connections beyond max_clients
};

struct Served {
  std::string answer;           // every answer, in the order of the requests
  bool close = false;           // a malformed frame: send `answer`, then close
  std::vector<Commit> commits;  // applied, in order
  bool watchdog = false;        // the PLC's watchdog register was written
  RequestCounts counts;         // of this call
};

// Takes every complete frame off the front of `buffer` and answers it from `image` and
// `holding`; an incomplete frame stays in `buffer`. After a malformed frame nothing more is
// taken: the answers to the frames before it are in the result, and `close` is set.
Served Serve(std::string& buffer, const InputImage& image, HoldingRegisters& holding,
             const ClientContext& client);

}  // namespace orlix::link
