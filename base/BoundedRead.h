#pragma once
// Reading a data file's text: a bounded read that never hands a number cut at the bound to
// the list reader.

#include <cstddef>
#include <optional>
#include <string>

#include "base/Platform.h"

namespace orlix {

// Far more than the largest data file (the points file: 201 lines) needs.
inline constexpr std::size_t kMaxDataFileBytes = 1024 * 1024;

// The file's text, at most maxBytes of it. When the file is longer than that, the text
// ends at the last comma or line end before the bound. Nothing when it cannot be read.
std::optional<std::string> ReadDataText(FileAccess& files, const std::string& name,
                                        std::size_t maxBytes = kMaxDataFileBytes);

}  // namespace orlix
