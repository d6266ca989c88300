#include "base/BoundedRead.h"

namespace orlix {

std::optional<std::string> ReadDataText(FileAccess& files, const std::string& name,
                                        std::size_t maxBytes) {
  // One byte more than the bound tells whether the file goes on beyond it.
  auto text = files.Read(name, maxBytes + 1);
  if (!text) return std::nullopt;
  if (text->size() > maxBytes) {
    text->resize(maxBytes);
    const auto lastEnd = text->find_last_of(",\r\n");
    text->resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
  }
  return text;
}

}  // namespace orlix
