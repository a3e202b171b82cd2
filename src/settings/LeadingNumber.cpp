#include "settings/LeadingNumber.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace bildertafel::settings {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads digits from pos on, skipping blanks between them, appending them to out.
bool readDigits(std::string_view text, std::size_t& pos, std::string& out) {
    bool any = false;
    while (pos < text.size()) {
        if (isDigit(text[pos])) {
            out += text[pos];
            any = true;
        } else if (!isBlank(text[pos])) {
            break;
        }
        ++pos;
    }
    return any;
}

} // namespace

double LeadingNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::string digits;
    bool anyDigit = readDigits(text, pos, digits);
    long long fractionDigits = 0;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        const std::size_t before = digits.size();
        anyDigit = readDigits(text, pos, digits) || anyDigit;
        fractionDigits = static_cast<long long>(digits.size() - before);
    }
    if (!anyDigit) {
        return 0.0;
    }
    long long exponent = 0;
    bool exponentOverflow = false;
    bool exponentNegative = false;
    if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
        std::size_t look = pos + 1;
        while (look < text.size() && isBlank(text[look])) {
            ++look;
        }
        if (look < text.size() && (text[look] == '+' || text[look] == '-')) {
            exponentNegative = text[look] == '-';
            ++look;
        }
        std::string exponentDigits;
        if (readDigits(text, look, exponentDigits)) {
            for (const char c : exponentDigits) {
                if (exponent > 100000000) {
                    exponentOverflow = true;
                    break;
                }
                exponent = exponent * 10 + (c - '0');
            }
        }
    }
    const double sign = negative ? -1.0 : 1.0;
    const std::size_t firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) {
        return sign * 0.0;
    }
    if (exponentOverflow) {
        return exponentNegative ? sign * 0.0 : sign * HUGE_VAL;
    }
    if (exponentNegative) {
        exponent = -exponent;
    }
    // Forty significant digits are more than a double holds; the rest only moves the exponent,
    // so a megabyte of digits costs no more than a short number.
    constexpr std::size_t MaxSignificant = 40;
    std::string_view significant = std::string_view(digits).substr(firstNonZero);
    long long dropped = 0;
    if (significant.size() > MaxSignificant) {
        dropped = static_cast<long long>(significant.size() - MaxSignificant);
        significant = significant.substr(0, MaxSignificant);
    }
    // The decimal point goes into the exponent, so strtod never meets a locale's decimal sign.
    const std::string plain =
        std::string(significant) + "e" + std::to_string(exponent - fractionDigits + dropped);
    return sign * std::strtod(plain.c_str(), nullptr);
}

double roundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    const double lower = std::floor(value);
    const double diff = value - lower;
    if (diff < 0.5) {
        return lower;
    }
    if (diff > 0.5) {
        return lower + 1.0;
    }
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

} // namespace bildertafel::settings
