#include "protocol/frequency.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tessaly {

std::string khzToText(int32_t khz) {
    return formatFixed(khz / 1000.0, 3);
}

double parseDecimal(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    double value = 0.0;
    const char* first = text.data() + pos;
    const char* last = text.data() + text.size();
    if (first < last && (*first == '+' || *first == '-')) {
        return 0.0; // a second sign is not a number
    }
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

std::string formatFixed(double value, int decimals) {
    char buffer[400]; // the widest double in fixed notation fits
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) {
        return "0";
    }
    return std::string(buffer, result.ptr);
}

int32_t textToKhz(std::string_view text) {
    const double khz = parseDecimal(text) * 1000.0;
    if (std::isnan(khz)) {
        return 0;
    }
    if (khz >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (khz <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(std::trunc(khz));
}

bool isPlainDecimal(std::string_view text) {
    bool digit = false;
    bool point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

} // namespace tessaly
