#pragma once
// Reading the calibration files' text: a bounded read that never hands a number cut at the
// bound to the list reader.

#include <cstddef>
#include <optional>
#include <string>

#include "core/Platform.h"

namespace orlix {

// Far more than the largest calibration file (201 lines) needs.
inline constexpr std::size_t kMaxCalibrationFileBytes = 1024 * 1024;

// The file's text, at most maxBytes of it. When the file is longer than that, the text
// ends at the last comma or line end before the bound. Nothing when it cannot be read.
std::optional<std::string> ReadCalibrationText(FileAccess& files, const std::string& name,
                                               std::size_t maxBytes = kMaxCalibrationFileBytes);

}  // namespace orlix
