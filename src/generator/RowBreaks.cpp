#include "generator/RowBreaks.h"

#include "settings/LeadingNumber.h"

#include <cmath>
#include <limits>

namespace bildertafel::generator {

RowBreaks::RowBreaks(double picturesPerRow) : m_perRow(picturesPerRow) {
    const double rounded = settings::roundHalfEven(picturesPerRow);
    // The negated comparisons also catch a value that is not a number.
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max())) {
        return;
    }
    m_rounded = static_cast<std::int64_t>(rounded);
}

bool RowBreaks::after(std::int64_t picture) const {
    if (m_rounded == 0) {
        return false;
    }
    const double exactQuotient = static_cast<double>(picture) / m_perRow;
    const std::int64_t wholeQuotient = picture / m_rounded;
    return exactQuotient == static_cast<double>(wholeQuotient);
}

} // namespace bildertafel::generator
