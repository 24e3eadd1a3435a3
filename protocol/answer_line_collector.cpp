#include "protocol/answer_line_collector.h"

namespace tessaly {

void AnswerLineCollector::feed(std::string_view bytes,
                               const std::function<void(std::string_view)>& onLine) {
    for (const char c : bytes) {
        if (c == '\n') {
            const size_t length = size_;
            size_ = 0;
            onLine(std::string_view(buffer_.data(), length));
        } else if (c != '\r' && c != '\0') {
            buffer_[size_++] = c;
            if (size_ == kBufferSize) {
                size_ = 0;
            }
        }
    }
}

std::vector<std::string> AnswerLineCollector::feed(std::string_view bytes) {
    std::vector<std::string> lines;
    feed(bytes, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

} // namespace tessaly
