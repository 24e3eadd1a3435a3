#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaly::sim {

// The ways a simulated receiver can misbehave.
enum class FaultKind {
    None,
    Refuse,         // no listener: connecting fails with "connection refused"
    Silent,         // accepts and reads, never answers
    Late,           // answers after `parameter` ms
    CloseMidAnswer, // sends the first half of an answer line, then closes the connection
    ShortAnswer,    // answers with several values lose their second half (a poll gives 3 of 6)
    Garbage,        // answer lines of random bytes
    LongLine,       // answer lines padded in front with blanks to `parameter` characters
    LargeBlock,     // each answer at the end of one `parameter`-byte block of blanks
    ByteByByte,     // every byte sent on its own, `parameter` ms apart
};

constexpr int kDefaultLateMs = 4000; // beyond the engines' default answer timeout
constexpr int kDefaultLongLineLength = 300;
constexpr int kDefaultLargeBlockBytes = 32 * 1024;
constexpr int kDefaultByteGapMs = 1;
constexpr int kMaxFaultParameter = 1024 * 1024;

struct Fault {
    FaultKind kind = FaultKind::None;
    int parameter = 0; // delay, length or gap as the kind reads it

    bool operator==(const Fault&) const = default;
};

// The fault with its default parameter.
Fault makeFault(FaultKind kind);
Fault makeFault(FaultKind kind, int parameter);

// "late:1500", "refuse", "none" …; false with an error text for anything else.
bool parseFault(std::string_view text, Fault& fault, std::string& error);

// The name parseFault reads, with the parameter when the kind has one ("late:4000").
std::string faultText(const Fault& fault);

// The names parseFault knows, for the help text.
std::string faultNamesText();

// A fault for some receivers: "3=refuse", "2-4,7=late:500" or "garbage" (every receiver,
// `numbers` empty).
struct FaultAssignment {
    std::vector<int> numbers; // 1-based receiver numbers, empty for all
    Fault fault;
};
bool parseFaultAssignment(std::string_view text, FaultAssignment& assignment, std::string& error);

// "3", "2,5-7": receiver numbers 1 to 255 in the order written.
bool parseReceiverNumbers(std::string_view text, std::vector<int>& numbers, std::string& error);

} // namespace tessaly::sim
