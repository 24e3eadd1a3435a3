// tessaly-cli end to end: the program runs as a child process against simulated receivers on
// loopback; the scan runs inside network namespaces that the test builds.

#include "sim/simulator.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

using namespace tessaly;
using tessaly::testing::TempDir;

namespace {

constexpr int kReceivers = 3;

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QString& directory, const QStringList& arguments, int timeoutMs = 60000,
              const QString& program = TESSALY_CLI_PATH) {
    QProcess process;
    process.setWorkingDirectory(directory);
    process.start(program, arguments);
    CliRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

class TessalyCli : public ::testing::Test {
protected:
    void SetUp() override {
        sim::SimulatorOptions options;
        options.count = kReceivers;
        options.port = sim::findFreeLoopbackPort(QHostAddress("127.0.0.1"), kReceivers);
        ASSERT_NE(options.port, 0);
        QString error;
        ASSERT_TRUE(simulator_.start(options, &error)) << error.toStdString();
        dir_.write("Tessaly.ini", "[comm]\r\nportno=" + std::to_string(simulator_.port()) +
                                      "\r\ntimeout=1000\r\n");
        std::string env = "[receiver]\r\ncnt=" + std::to_string(kReceivers) + "\r\n";
        for (int n = 1; n <= kReceivers; ++n) {
            env += "[recv" + std::to_string(n) + "]\r\nip=127.0.0." + std::to_string(n) +
                   "\r\nname=STAGE " + std::to_string(n) + "\r\nfreq=" + std::to_string(710 + n) +
                   ".125\r\n";
        }
        dir_.write("show.ini", env);
    }

    QString directory() const { return QString::fromStdString(dir_.path()); }

    sim::Simulator simulator_;
    TempDir dir_;
};

} // namespace

namespace {

// The states each receiver went through in a monitor run's JSON lines, and whether it was polled.
struct MonitorLog {
    QStringList states[kReceivers + 1];
    bool polled[kReceivers + 1] = {};
};

MonitorLog readMonitorLog(const CliRun& run) {
    MonitorLog log;
    for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts)) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        EXPECT_FALSE(object.isEmpty()) << "not a JSON line: " << line.toStdString();
        const int number = std::clamp(object["receiver"].toInt(), 0, kReceivers);
        EXPECT_NE(number, 0) << line.toStdString();
        log.states[number] << object["state"].toString();
        log.polled[number] |= object["battery"].isDouble();
    }
    return log;
}

} // namespace

TEST_F(TessalyCli, MonitorOnlyWatchesAndCountsAReceiverThatNeverAnswersAsFailed) {
    for (int n = 1; n <= kReceivers; ++n) {
        sim::ReceiverState state = simulator_.state(n);
        state.name = "LIVE " + std::to_string(n);
        state.freqKhz = 706125;
        simulator_.setState(n, state);
    }
    simulator_.setFault(3, sim::makeFault(sim::FaultKind::Silent));
    const CliRun run = runCli(directory(), {"monitor", "show.ini", "--seconds", "2", "--json"});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();

    const MonitorLog log = readMonitorLog(run);
    for (int n = 1; n <= kReceivers; ++n) {
        EXPECT_EQ(simulator_.state(n).name, "LIVE " + std::to_string(n));
        EXPECT_EQ(simulator_.state(n).freqKhz, 706125);
        const auto lines = simulator_.receivedLines(n);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), ":REMOTE 1;:LOCK?") << "receiver " << n;
    }
    for (int n : {1, 2}) {
        EXPECT_TRUE(log.states[n].contains("connected")) << n;
        EXPECT_TRUE(log.polled[n]) << n;
    }
    // Connected on the socket, but nothing ever came back.
    EXPECT_TRUE(log.states[3].contains("connecting")) << log.states[3].join(", ").toStdString();
    EXPECT_FALSE(log.states[3].contains("connected"));
}

TEST_F(TessalyCli, MonitorWithApplySendsTheFilesNamesPollsAndEndsRemoteControl) {
    const CliRun run =
        runCli(directory(), {"monitor", "show.ini", "--seconds", "2", "--json", "--apply"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const MonitorLog log = readMonitorLog(run);
    for (int n = 1; n <= kReceivers; ++n) {
        EXPECT_TRUE(log.states[n].contains("connected")) << "receiver " << n;
        EXPECT_TRUE(log.polled[n]) << "receiver " << n;
        const auto lines = simulator_.receivedLines(n);
        ASSERT_FALSE(lines.empty());
        const std::string expected = ":FREQ " + std::to_string(710 + n) + ".125;:NAME \"STAGE " +
                                     std::to_string(n) + "\";:REMOTE 1;:FREQ?";
        EXPECT_EQ(lines.front(), expected);
        EXPECT_EQ(lines.back(), ":REMOTE 0");
        EXPECT_EQ(simulator_.state(n).name, "STAGE " + std::to_string(n));
        EXPECT_EQ(simulator_.state(n).remote, 0);
    }
}

TEST_F(TessalyCli, UploadWritesNamesAndReportsAFailedReceiver) {
    const CliRun run = runCli(directory(), {"upload", "show.ini", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(run.out.count("Synchronize"), kReceivers);
    EXPECT_EQ(run.out.count(": Verified"), kReceivers);
    for (int n = 1; n <= kReceivers; ++n) {
        EXPECT_EQ(simulator_.state(n).name, "STAGE " + std::to_string(n));
        EXPECT_EQ(simulator_.state(n).freqKhz, (710 + n) * 1000 + 125);
    }

    simulator_.setFault(2, sim::makeFault(sim::FaultKind::Refuse));
    const CliRun failed = runCli(directory(), {"upload", "show.ini", "--yes"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.out.contains("[2/3] 127.0.0.2 STAGE 2: Error (STAGE 2 Connect Error["))
        << failed.out.toStdString();
    EXPECT_EQ(failed.out.count("Synchronize"), kReceivers - 1);
}

// Whether any line a receiver received would have set its name or frequency.
bool receivedASet(const std::vector<std::string>& lines) {
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find(":NAME \"") != std::string::npos ||
               line.find(":FREQ ") != std::string::npos;
    });
}

TEST_F(TessalyCli, UploadShowsTheDifferenceAndSendsNothingUnlessTold) {
    sim::ReceiverState state = simulator_.state(2);
    state.name = "STAGE 2";
    state.freqKhz = 712125;
    simulator_.setState(2, state); // receiver 2 already matches the file

    const CliRun dry = runCli(directory(), {"upload", "show.ini", "--dry-run"});
    ASSERT_EQ(dry.exitCode, 0) << dry.out.toStdString() << dry.err.toStdString();
    EXPECT_TRUE(dry.out.contains("Receiver 1 127.0.0.1: name \"RX1\" -> \"STAGE 1\", frequency "))
        << dry.out.toStdString();
    EXPECT_FALSE(dry.out.contains("Receiver 2 ")) << "unchanged receivers are not listed";
    EXPECT_TRUE(dry.out.contains("2 of 3 receivers change, 1 unchanged"));
    EXPECT_TRUE(dry.out.contains("Dry run: nothing sent."));

    // Without a terminal to ask on, and without --yes, nothing is sent and nothing waits.
    const CliRun unasked = runCli(directory(), {"upload", "show.ini"}, 10000);
    EXPECT_EQ(unasked.exitCode, 2);
    EXPECT_TRUE(unasked.err.contains("use --yes to send")) << unasked.err.toStdString();

    for (int n = 1; n <= kReceivers; ++n) {
        EXPECT_FALSE(receivedASet(simulator_.receivedLines(n))) << "receiver " << n;
        EXPECT_EQ(simulator_.state(n).name, n == 2 ? "STAGE 2" : "RX" + std::to_string(n));
    }
}

TEST_F(TessalyCli, UploadCatchesAReceiverThatIgnoresWhatItIsSent) {
    simulator_.setFault(2, sim::makeFault(sim::FaultKind::IgnoreSet));
    const CliRun run = runCli(directory(), {"upload", "show.ini", "--yes"});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
    EXPECT_TRUE(receivedASet(simulator_.receivedLines(2))) << "the name was sent";
    EXPECT_TRUE(run.out.contains("Check [2/3] 127.0.0.2: Mismatch: receiver reports \"RX2\" "))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("Not verified:\n  2 127.0.0.2: Mismatch: receiver reports"));
    EXPECT_EQ(run.out.count(": Verified"), kReceivers - 1);
}

TEST_F(TessalyCli, DownloadWritesTheReceiversSettings) {
    sim::ReceiverState state = simulator_.state(3);
    state.name = "FROMRX";
    state.freqKhz = 713875;
    state.squelch = 9;
    simulator_.setState(3, state);

    const CliRun run = runCli(directory(), {"download", "show.ini", "-o", "out.ini"});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Download Finished."));
    const std::string out = dir_.read("out.ini");
    EXPECT_NE(out.find("[recv3]\r\nmac=\r\nip=127.0.0.3\r\nname=FROMRX\r\nfreq=713.875\r\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Squelch=9"), std::string::npos);
    EXPECT_EQ(dir_.read("show.ini").find("FROMRX"), std::string::npos); // source untouched
}

// A command line that is refused or answered at once: its exit code, and what the error output
// says (the standard output's start for an exit code 0), when given.
struct ArgumentCase {
    const char* name;
    QStringList arguments;
    int exitCode;
    const char* said;
};

class CliArguments : public TessalyCli, public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(CliArguments, EndWithTheirExitCodeAndSayWhy) {
    const ArgumentCase& c = GetParam();
    const CliRun run = runCli(directory(), c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode);
    if (c.said != nullptr) {
        EXPECT_TRUE(c.exitCode == 0 ? run.out.startsWith(c.said) : run.err.contains(c.said))
            << run.out.toStdString() << run.err.toStdString();
    }
}

// The board beyond loopback needs a token: refused before anything listens or polls.
INSTANTIATE_TEST_SUITE_P(
    TessalyCli, CliArguments,
    ::testing::Values(
        ArgumentCase{"MissingFile", {"monitor", "absent.ini"}, 3, "'absent.ini' does not exist"},
        ArgumentCase{"DirectoryForAFile", {"download", "."}, 3, "is not a file"},
        ArgumentCase{"NoFile", {"upload"}, 2, "upload needs an environment file"},
        ArgumentCase{"BadSeconds", {"monitor", "show.ini", "--seconds", "x"}, 2, nullptr},
        ArgumentCase{"ApplyOnUpload", {"upload", "show.ini", "--apply"}, 2, nullptr},
        ArgumentCase{
            "ServeOnUpload", {"upload", "show.ini", "--serve", "127.0.0.1:8080"}, 2, nullptr},
        ArgumentCase{"ServeBeyondLoopbackWithoutToken",
                     {"monitor", "show.ini", "--serve", "0.0.0.0:8080"},
                     2,
                     "needs a token"},
        ArgumentCase{"ServeWithoutHost", {"monitor", "show.ini", "--serve", "8080"}, 2, nullptr},
        ArgumentCase{"Help", {"download", "--help"}, 0, "usage: tessaly-cli download"},
        ArgumentCase{"Version", {"--version"}, 0, "tessaly-cli "}),
    [](const ::testing::TestParamInfo<ArgumentCase>& info) { return info.param.name; });

namespace {

bool shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A workstation namespace and a receiver namespace joined by a veth pair on 192.168.78.0/24;
// the receiver's MAC carries the vendor prefix. Removed again in the destructor.
class TwoHostLan {
public:
    TwoHostLan()
        : workstation_("tcli" + std::to_string(::getpid()) + "ws"),
          receiver_("tcli" + std::to_string(::getpid()) + "rx") {
        ok_ = shell("ip netns add " + workstation_) && shell("ip netns add " + receiver_) &&
              shell("ip link add tcliw" + std::to_string(::getpid()) + " netns " + workstation_ +
                    " type veth peer name tclir" + std::to_string(::getpid()) + " netns " +
                    receiver_) &&
              shell(inWs("ip addr add 192.168.78.1/24 dev " + wsLink())) &&
              shell(inWs("ip link set " + wsLink() + " up")) && shell(inWs("ip link set lo up")) &&
              shell(inRx("ip link set " + rxLink() + " address 0a:54:53:78:00:02")) &&
              shell(inRx("ip addr add 192.168.78.2/24 dev " + rxLink())) &&
              shell(inRx("ip link set " + rxLink() + " up"));
    }
    ~TwoHostLan() {
        shell("ip netns del " + workstation_);
        shell("ip netns del " + receiver_);
    }
    bool ok() const { return ok_; }
    std::string workstation() const { return workstation_; }

private:
    std::string wsLink() const { return "tcliw" + std::to_string(::getpid()); }
    std::string rxLink() const { return "tclir" + std::to_string(::getpid()); }
    std::string inWs(const std::string& c) const {
        return "ip netns exec " + workstation_ + " " + c;
    }
    std::string inRx(const std::string& c) const { return "ip netns exec " + receiver_ + " " + c; }

    std::string workstation_;
    std::string receiver_;
    bool ok_ = false;
};

} // namespace

TEST_F(TessalyCli, ScanFindsTheReceiverInsideATestNetwork) {
    if (::geteuid() != 0 || !shell("ip netns list")) {
        GTEST_SKIP() << "needs root and ip netns to build a private test network";
    }
    TwoHostLan lan;
    ASSERT_TRUE(lan.ok()) << "could not build the test network";
    // Only inside the workstation namespace: the sweep never reaches a real network.
    const CliRun run =
        runCli(directory(), {"netns", "exec", lan.workstation().c_str(), TESSALY_CLI_PATH, "scan"},
               60000, "ip");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "192.168.78.2 0A-54-53-78-00-02\n") << run.err.toStdString();
}
