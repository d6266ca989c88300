#include "core/StationSnapshot.h"

#include <cmath>

namespace orlix {

bool StationSnapshot::Valid() const { return passRunning && measured && std::isfinite(thickness); }

// On a limit counts as within, as the statistics of the pass count it.
ToleranceState StationSnapshot::Tolerance() const {
  if (!Valid() || !HasLimits()) return ToleranceState::kUnknown;
  if (thickness > *upperLimit) return ToleranceState::kAbove;
  if (thickness < *lowerLimit) return ToleranceState::kBelow;
  return ToleranceState::kWithin;
}

}  // namespace orlix
