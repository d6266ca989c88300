#include "access/PinHash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <charconv>

namespace orlix::access {
namespace {

std::string Hex(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    hex += kHex[b >> 4];
    hex += kHex[b & 0xf];
  }
  return hex;
}

std::optional<std::string> Bytes(std::string_view hex, std::size_t count) {
  if (hex.size() != 2 * count) return std::nullopt;
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) {
    unsigned value = 0;
    const char* first = hex.data() + 2 * i;
    const auto [end, ec] = std::from_chars(first, first + 2, value, 16);
    if (ec != std::errc() || end != first + 2) return std::nullopt;
    bytes[i] = static_cast<char>(value);
  }
  return bytes;
}

}  // namespace

bool IsValidPin(std::string_view pin) {
  return pin.size() >= kMinPinDigits && pin.size() <= kMaxPinDigits &&
         std::all_of(pin.begin(), pin.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string DerivePin(std::string_view pin, std::string_view salt, std::uint32_t iterations) {
  std::string out(kHashBytes, '\0');
  if (PKCS5_PBKDF2_HMAC(pin.data(), static_cast<int>(pin.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()),
                        static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha256(),
                        static_cast<int>(out.size()),
                        reinterpret_cast<unsigned char*>(out.data())) != 1) {
    return {};
  }
  return out;
}

std::optional<PinHash> HashPin(std::string_view pin, std::uint32_t iterations) {
  PinHash result{iterations, std::string(kSaltBytes, '\0'), {}};
  if (RAND_bytes(reinterpret_cast<unsigned char*>(result.salt.data()),
                 static_cast<int>(kSaltBytes)) != 1) {
    return std::nullopt;
  }
  result.hash = DerivePin(pin, result.salt, iterations);
  if (result.hash.empty()) return std::nullopt;
  return result;
}

std::string StoredText(const PinHash& hash) {
  return std::string(kPinScheme) + "$" + std::to_string(hash.iterations) + "$" + Hex(hash.salt) +
         "$" + Hex(hash.hash);
}

std::optional<PinHash> ParseStored(std::string_view text) {
  std::string_view parts[4];
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t cut = i == 3 ? std::string_view::npos : text.find('$');
    if (i < 3 && cut == std::string_view::npos) return std::nullopt;
    parts[i] = text.substr(0, cut);
    text = i == 3 ? std::string_view() : text.substr(cut + 1);
  }
  PinHash result;
  const std::string_view count = parts[1];
  const auto [end, ec] =
      std::from_chars(count.data(), count.data() + count.size(), result.iterations);
  if (parts[0] != kPinScheme || ec != std::errc() || end != count.data() + count.size() ||
      count.empty() || count.front() == '0' || result.iterations > kMaxPinIterations) {
    return std::nullopt;
  }
  auto salt = Bytes(parts[2], kSaltBytes);
  auto hash = Bytes(parts[3], kHashBytes);
  if (!salt || !hash) return std::nullopt;
  result.salt = std::move(*salt);
  result.hash = std::move(*hash);
  return result;
}

bool CheckPin(const PinHash& stored, std::string_view pin) {
  const std::string hash = DerivePin(pin, stored.salt, stored.iterations);
  return hash.size() == stored.hash.size() &&
         CRYPTO_memcmp(hash.data(), stored.hash.data(), hash.size()) == 0;
}

}  // namespace orlix::access
