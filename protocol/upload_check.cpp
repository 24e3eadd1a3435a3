#include "protocol/upload_check.h"

#include "protocol/command_builder.h"
#include "protocol/frequency.h"

namespace tessaly {

namespace {
bool sameName(const std::string& planned, const std::string& reported) {
    return nameAsReported(planned) == reported;
}

bool sameFrequency(const std::string& plannedText, int32_t reportedKhz) {
    return freqKhzAsReported(plannedText) == reportedKhz;
}
} // namespace

std::string nameAsReported(const std::string& name) {
    std::string value = nameForCommand(name);
    const size_t first = value.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : value.substr(first);
}

int32_t freqKhzAsReported(const std::string& freqText) {
    return textToKhz(formatFixed(parseDecimal(freqText), 4));
}

bool UploadCheckRow::nameDiffers() const {
    return !reported || !sameName(plannedName, reportedName);
}

bool UploadCheckRow::freqDiffers() const {
    return !reported || !sameFrequency(plannedFreqText, textToKhz(reportedFreqText));
}

std::vector<UploadCheckRow> uploadCheckRows(const ReceiverTable& planned,
                                            const ReceiverTable& reported,
                                            const std::vector<bool>& answered) {
    std::vector<UploadCheckRow> rows;
    for (int number = 1; number <= planned.count; ++number) {
        const ReceiverRecord& plan = planned.byNumber(number);
        UploadCheckRow row;
        row.number = number;
        row.ip = plan.ip;
        row.plannedName = plan.name;
        row.plannedFreqText = plan.freqText;
        row.reported = static_cast<size_t>(number - 1) < answered.size() && answered[number - 1];
        if (row.reported) {
            row.reportedName = reported.byNumber(number).name;
            row.reportedFreqText = reported.byNumber(number).freqText;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

bool verified(const ReceiverRecord& sent, const ReceiverRecord& reported) {
    return sameName(sent.name, reported.name) && sameFrequency(sent.freqText, reported.freqKhz);
}

std::string verificationText(const ReceiverRecord& sent, const ReceiverRecord& reported) {
    std::string text;
    if (!sameName(sent.name, reported.name)) {
        text = "\"" + reported.name + "\"";
    }
    if (!sameFrequency(sent.freqText, reported.freqKhz)) {
        text += (text.empty() ? "" : " ") + reported.freqText;
    }
    return text.empty() ? std::string(kStatusVerified) : kMismatchPrefix + text;
}

std::string changeText(const std::string& before, const std::string& after) {
    return before == after ? after : before + " -> " + after;
}

} // namespace tessaly
