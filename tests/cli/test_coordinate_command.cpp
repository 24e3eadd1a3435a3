// tessaly-cli coordinate, run in-process on environment files in a temporary directory.

#include "cli/coordinate_command.h"
#include "protocol/bands.h"
#include "protocol/environment_file.h"
#include "protocol/settings.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tessaly;
using namespace tessaly::cli;
using tessaly::testing::TempDir;

namespace {

struct Result {
    int exitCode;
    QString out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

class CoordinateCommand : public ::testing::Test {
protected:
    void SetUp() override { programSettings().sourcePath = dir_.file("Tessaly.ini"); }

    // Receivers 1, 2, ... on the given frequency texts.
    QString environment(const std::vector<std::string>& freqs) const {
        std::string text = "[receiver]\r\ncnt=" + std::to_string(freqs.size()) + "\r\n";
        for (size_t i = 0; i < freqs.size(); ++i) {
            text += "[recv" + std::to_string(i + 1) + "]\r\nfreq=" + freqs[i] + "\r\n";
        }
        return QString::fromStdString(dir_.write("show.ini", text));
    }

    Result run(const QStringList& arguments) const {
        Options options;
        QString error;
        EXPECT_TRUE(parseOptions(arguments, options, error)) << error.toStdString();
        Result result{-1, {}, {}};
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        result.exitCode = runCoordinate(options, out, err);
        return result;
    }

    TempDir dir_;
};

TEST_F(CoordinateCommand, CleanPlanExitsZeroAndClashesExitOneWithJson) {
    const QString clean = environment({"710.125", "711.000", "712.500"});
    const Result ok = run({"coordinate", clean});
    EXPECT_EQ(ok.exitCode, kExitOk);
    EXPECT_TRUE(ok.out.contains("No conflicts"));

    // 1 and 3 share a channel; 710.125 is midway between 709.875 and 710.375.
    const QString clash = environment({"710.125", "710.375", "710.125", "709.875"});
    dir_.write("Tessaly.ini", "[coordination]\r\nim3_3tx_khz=0\r\n");
    const Result bad = run({"coordinate", clash, "--json"});
    EXPECT_EQ(bad.exitCode, kExitReceiverFailed);
    const QJsonObject json = bad.json();
    EXPECT_EQ(json["thresholds"].toObject()["im3_3tx_khz"].toInt(), 0);
    EXPECT_EQ(json["thresholds"].toObject()["tx_spacing_khz"].toInt(), 250);
    const QJsonArray conflicts = json["conflicts"].toArray();
    ASSERT_EQ(conflicts.size(), 5); // same, then 1 and 3 each with 2 and 4 both ways
    EXPECT_EQ(conflicts[0].toObject()["kind"].toString(), "same");
    EXPECT_EQ(conflicts[0].toObject()["receivers"].toArray(), (QJsonArray{1, 3}));
    EXPECT_TRUE(conflicts[0].toObject()["product_khz"].isNull());
    EXPECT_EQ(conflicts[1].toObject()["kind"].toString(), "im3-2tx");
    EXPECT_EQ(conflicts[1].toObject()["receivers"].toArray(), (QJsonArray{1, 2, 4}));
    EXPECT_EQ(conflicts[1].toObject()["product_khz"].toInt(), 709875);
    EXPECT_FALSE(json.contains("assignment"));
}

TEST_F(CoordinateCommand, AssignProposesACleanPlanAndWritesItOnlyWithOutput) {
    const QString path = environment({"710.125", "710.125", "715.000"});
    const Result proposed = run({"coordinate", path, "--assign", "--json"});
    EXPECT_EQ(proposed.exitCode, kExitOk);
    const QJsonObject json = proposed.json();
    EXPECT_TRUE(json["conflicts"].toArray().isEmpty());
    EXPECT_TRUE(json["unassigned"].toArray().isEmpty());
    const QJsonArray assignment = json["assignment"].toArray();
    ASSERT_EQ(assignment.size(), 3);
    EXPECT_EQ(assignment[0].toObject()["new_khz"].toInt(), 710125); // kept its free channel
    EXPECT_EQ(assignment[2].toObject()["old_khz"].toInt(), 715000);
    EXPECT_EQ(bandOfFrequency(assignment[2].toObject()["new_khz"].toInt()), kBandJpn);
    EXPECT_NE(dir_.read("show.ini").find("freq=715.000"), std::string::npos); // untouched

    const QString out = QString::fromStdString(dir_.file("out.ini"));
    EXPECT_EQ(run({"coordinate", path, "--assign", "-o", out}).exitCode, kExitOk);
    EXPECT_EQ(run({"coordinate", out}).exitCode, kExitOk);
}

TEST_F(CoordinateCommand, OptionsBelongToTheirCommand) {
    Options options;
    QString error;
    EXPECT_FALSE(parseOptions({"coordinate", "a.ini", "-o", "b.ini"}, options, error));
    EXPECT_FALSE(parseOptions({"download", "a.ini", "--assign"}, options, error));
    EXPECT_FALSE(parseOptions({"upload", "a.ini", "--json"}, options, error));
    EXPECT_FALSE(parseOptions({"coordinate"}, options, error));
    EXPECT_EQ(run({"coordinate", QString::fromStdString(dir_.file("missing.ini"))}).exitCode,
              kExitFile);
}

} // namespace
