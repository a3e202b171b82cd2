#pragma once

#include <cstdint>

namespace bildertafel::generator {

// When the start page's table begins a new row. After picture i (counted from 1) the row ends
// when i / PicturesPerRow equals i divided by the rounded PicturesPerRow with the fraction
// dropped: for a whole number that is every multiple of it. A value that rounds to 0, lies
// beyond the 32-bit range or is not a number gives no row breaks at all.
class RowBreaks {
public:
    explicit RowBreaks(double picturesPerRow);

    bool after(std::int64_t picture) const;

private:
    double m_perRow;
    std::int64_t m_rounded = 0; // 0: never
};

} // namespace bildertafel::generator
