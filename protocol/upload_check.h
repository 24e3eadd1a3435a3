#pragma once

#include "protocol/receiver_table.h"

#include <string>
#include <vector>

namespace tessaly {

// Status texts of a receiver after its upload was read back.
constexpr const char* kStatusVerified = "Verified";
constexpr const char* kMismatchPrefix = "Mismatch: receiver reports ";

// One receiver of an upload: what the file says it should be called and tuned to, and what the
// receiver itself reported when asked. An upload shows these rows before it sends anything.
struct UploadCheckRow {
    int number = 0;
    std::string ip;
    std::string plannedName;
    std::string plannedFreqText;
    std::string reportedName;
    std::string reportedFreqText;
    bool reported = false; // false: the receiver could not be asked; both changes are assumed

    bool nameDiffers() const;
    bool freqDiffers() const;
    bool changed() const { return !reported || nameDiffers() || freqDiffers(); }
};

// The name a receiver reports after it was sent `name`: what the command can carry, without
// the blanks a receiver pads it with.
std::string nameAsReported(const std::string& name);

// The frequency a receiver reports after it was sent `freqText`, in kHz.
int32_t freqKhzAsReported(const std::string& freqText);

// The rows of receivers 1 … planned.count: `reported` holds what each receiver answered,
// `answered[number - 1]` whether it did.
std::vector<UploadCheckRow> uploadCheckRows(const ReceiverTable& planned,
                                            const ReceiverTable& reported,
                                            const std::vector<bool>& answered);

// "Verified" when the receiver reports the name and frequency it was sent, otherwise
// "Mismatch: receiver reports NAME FREQ" naming what it reports instead.
std::string verificationText(const ReceiverRecord& sent, const ReceiverRecord& reported);
bool verified(const ReceiverRecord& sent, const ReceiverRecord& reported);

// "old -> new" when the two differ, the value alone when they do not.
std::string changeText(const std::string& before, const std::string& after);

} // namespace tessaly
