#pragma once
// The engineer's PIN as station.ini keeps it: never the PIN itself, only
//   pbkdf2-sha256$<iterations>$<salt, 32 hex digits>$<hash, 64 hex digits>
// the PBKDF2-HMAC-SHA256 of the PIN's digits over a random 16-byte salt. The iteration count
// travels with the hash, so a count raised later still checks the hashes written before.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlix::access {

inline constexpr std::size_t kMinPinDigits = 4;
inline constexpr std::size_t kMaxPinDigits = 8;
inline constexpr std::size_t kSaltBytes = 16;
inline constexpr std::size_t kHashBytes = 32;
// One check takes about 0.15 s on the station's processor (docs/PERFORMANCE.md): slow enough
// that trying the 10^8 PINs of a copied station.ini takes years, quick enough for a prompt.
inline constexpr std::uint32_t kPinIterations = 600000;
// A stored count above this is not read: a check would hang the window.
inline constexpr std::uint32_t kMaxPinIterations = 10000000;
inline constexpr std::string_view kPinScheme = "pbkdf2-sha256";

// 4 to 8 decimal digits and nothing else.
bool IsValidPin(std::string_view pin);

struct PinHash {
  std::uint32_t iterations = 0;
  std::string salt;  // kSaltBytes bytes
  std::string hash;  // kHashBytes bytes
};

// The hash of the PIN over the salt; empty when OpenSSL fails.
std::string DerivePin(std::string_view pin, std::string_view salt, std::uint32_t iterations);
// A fresh salt from OpenSSL's generator and the PIN's hash over it; nothing when either fails.
std::optional<PinHash> HashPin(std::string_view pin, std::uint32_t iterations = kPinIterations);

// The stored form and back; nothing when the text is not exactly that form (scheme, a count
// from 1 to kMaxPinIterations, lower- or upper-case hex of the right lengths).
std::string StoredText(const PinHash& hash);
std::optional<PinHash> ParseStored(std::string_view text);

// Whether the PIN hashes to the stored hash; compared in constant time.
bool CheckPin(const PinHash& stored, std::string_view pin);

}  // namespace orlix::access
