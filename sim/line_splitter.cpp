#include "sim/line_splitter.h"

namespace tessaly::sim {

void LineSplitter::feed(std::string_view bytes, std::vector<std::string>& lines) {
    for (char c : bytes) {
        if (c == '\n') {
            if (discarding_) {
                discarding_ = false;
            } else {
                lines.push_back(std::move(partial_));
            }
            partial_.clear();
        } else if (c == '\r' || c == '\0' || discarding_) {
            continue;
        } else if (partial_.size() >= maxLineLength_) {
            discarding_ = true;
            ++discardedLines_;
            partial_.clear();
            partial_.shrink_to_fit();
        } else {
            partial_.push_back(c);
        }
    }
}

} // namespace tessaly::sim
