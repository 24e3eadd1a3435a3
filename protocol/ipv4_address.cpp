#include "protocol/ipv4_address.h"

namespace tessaly {

namespace {
constexpr int kPartCount = 4;
constexpr int kPartMax = 255;
constexpr size_t kPartMaxDigits = 3;
} // namespace

std::optional<Ipv4> parseIpv4Text(std::string_view text) {
    Ipv4 address = 0;
    for (int part = 0; part < kPartCount; ++part) {
        if (part > 0) {
            if (text.empty() || text.front() != '.') {
                return std::nullopt;
            }
            text.remove_prefix(1);
        }
        size_t digits = 0;
        int value = 0;
        while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9' &&
               digits < kPartMaxDigits + 1) {
            value = value * 10 + (text[digits] - '0');
            ++digits;
        }
        if (digits == 0 || digits > kPartMaxDigits || value > kPartMax ||
            (digits > 1 && text.front() == '0')) {
            return std::nullopt;
        }
        text.remove_prefix(digits);
        address = (address << 8) | static_cast<Ipv4>(value);
    }
    if (!text.empty()) {
        return std::nullopt;
    }
    return address;
}

} // namespace tessaly
