#include "ui/controls/ProgressState.h"

#include <algorithm>

namespace tarnel::ui {

double ProgressState::Fraction() const {
    if (!HasRange()) return 0.0;
    // 64-bit: a full int32 range would overflow the difference.
    const double span = static_cast<double>(int64_t{max} - int64_t{min});
    const double done = static_cast<double>(int64_t{pos} - int64_t{min});
    return std::clamp(done / span, 0.0, 1.0);
}

int ProgressState::FilledLength(int length) const {
    return static_cast<int>(static_cast<double>(std::max(length, 0)) * Fraction());
}

}  // namespace tarnel::ui
