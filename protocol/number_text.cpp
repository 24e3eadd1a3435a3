#include "protocol/number_text.h"

#include <limits>

namespace tessaly {

namespace {

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int digitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

// Reads sign and digits of `base` from `text`; the magnitude saturates at `limit`.
uint64_t readMagnitude(std::string_view text, size_t& pos, int base, uint64_t limit) {
    uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = digitValue(text[pos], base);
        if (digit < 0) {
            break;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > limit) {
            magnitude = limit;
        }
    }
    return magnitude;
}

} // namespace

int32_t atoiRule(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    constexpr uint64_t limit = uint64_t{std::numeric_limits<int32_t>::max()} + 1;
    uint64_t magnitude = readMagnitude(text, pos, 10, limit);
    if (!negative && magnitude == limit) {
        magnitude = limit - 1;
    }
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                    : static_cast<int32_t>(magnitude);
}

uint32_t hexRule(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos + 1 < text.size() && text[pos] == '0' &&
        (text[pos + 1] == 'x' || text[pos + 1] == 'X') && pos + 2 < text.size() &&
        digitValue(text[pos + 2], 16) >= 0) {
        pos += 2;
    }
    const uint64_t magnitude = readMagnitude(text, pos, 16, std::numeric_limits<uint32_t>::max());
    const auto value = static_cast<uint32_t>(magnitude);
    return negative ? static_cast<uint32_t>(0u - value) : value;
}

std::vector<std::string_view> splitAtCommas(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

} // namespace tessaly
