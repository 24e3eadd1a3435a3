// The Receiver Configuration dialog and its Input IP Address and IP Search dialogs with the
// program's own neighbour finder (sweep, neighbour table scan, ping) on a private LAN that this
// test builds out of network namespaces: a workstation namespace with 192.168.79.1/24 on a bridge
// and one namespace per receiver joined to it by a veth pair. Each receiver namespace carries the
// TCP connections at the receiver port on to a simulated receiver on this process's loopback.
// The dialogs run on this process's main thread after it has entered the workstation namespace;
// no sweep and no ping leaves it.

#include "chrome/ap_list_ctrl.h"
#include "chrome/key_in.h"
#include "comm/reachability.h"
#include "dialogs/dlg_config_recv.h"
#include "dialogs/dlg_input_ip.h"
#include "dialogs/dlg_ref_arp.h"
#include "dialogs/receiver_list_edits.h"
#include "dialogs/receiver_list_rows.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/netns_lab_test.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>
#include <thread>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

const char* const kNamespacePrefix = "tdlg";
const char* const kWorkstationAddress = "192.168.79.1";
constexpr int kSimulatedReceivers = 4;
constexpr int kDialogLimitMs = 30000; // sweeps, scans and exchanges take a few seconds

struct LanHost {
    const char* ip;
    const char* mac;
};

// Four receivers of our maker, served by simulated receivers 1 to 4, and a host of another maker
// that answers pings but must never be listed.
const std::array<LanHost, kSimulatedReceivers> kReceivers{{{"192.168.79.11", "0a:54:53:00:01:11"},
                                                           {"192.168.79.12", "0a:54:53:00:01:12"},
                                                           {"192.168.79.13", "0a:54:53:00:01:13"},
                                                           {"192.168.79.14", "0a:54:53:00:01:14"}}};
const LanHost kOtherMaker{"192.168.79.15", "02:11:22:00:01:15"};
const char* const kMovedAddress = "192.168.79.22"; // where receiver 2 moves during a test

QString macText(const LanHost& host) {
    return QString::fromLatin1(host.mac).toUpper().replace(':', '-');
}

// Carries every TCP connection that reaches a receiver namespace at the receiver port on to one
// simulated receiver on loopback, which listens there only. Listening sockets are made inside the
// receiver namespaces; the relay thread itself, and so every connection it opens, stays in the
// namespace it was started from.
class ReceiverRelay {
public:
    ReceiverRelay() = default;
    ReceiverRelay(const ReceiverRelay&) = delete;
    ReceiverRelay& operator=(const ReceiverRelay&) = delete;
    ~ReceiverRelay() { stop(); }

    // Before start(): listens on every address of the namespace at `namespacePath`.
    bool listenIn(const std::string& namespacePath, uint16_t port, const char* loopbackTarget) {
        NetnsVisit visit;
        if (!visit.enter(namespacePath)) {
            return false;
        }
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(port);
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0 &&
                  ::listen(fd, 8) == 0;
        ok = visit.leave() && ok;
        if (!ok) {
            if (fd >= 0) {
                ::close(fd);
            }
            return false;
        }
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        ::inet_pton(AF_INET, loopbackTarget, &to.sin_addr);
        listeners_.push_back({fd, to});
        return true;
    }

    bool start() {
        if (::pipe2(wake_.data(), O_CLOEXEC) != 0) {
            return false;
        }
        thread_ = std::thread([this] { serve(); });
        return true;
    }

    void stop() {
        if (thread_.joinable()) {
            const char quit = 'q';
            [[maybe_unused]] const ssize_t written = ::write(wake_[1], &quit, 1);
            thread_.join();
        }
        for (const Listener& listener : listeners_) {
            ::close(listener.fd);
        }
        listeners_.clear();
        for (int& fd : wake_) {
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
            }
        }
    }

private:
    struct Listener {
        int fd;
        sockaddr_in target;
    };
    struct Link {
        int near; // the workstation's connection
        int far;  // ours to the simulated receiver
    };

    void serve() {
        std::vector<Link> links;
        for (;;) {
            std::vector<pollfd> watched{{wake_[0], POLLIN, 0}};
            for (const Listener& listener : listeners_) {
                watched.push_back({listener.fd, POLLIN, 0});
            }
            for (const Link& link : links) {
                watched.push_back({link.near, POLLIN, 0});
                watched.push_back({link.far, POLLIN, 0});
            }
            if (::poll(watched.data(), watched.size(), -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                break;
            }
            if (watched[0].revents != 0) {
                break;
            }
            size_t index = 1;
            for (const Listener& listener : listeners_) {
                if (watched[index++].revents != 0) {
                    accept(listener, links);
                }
            }
            std::vector<Link> open;
            for (const Link& link : links) {
                const bool nearOk = watched[index++].revents == 0 || carry(link.near, link.far);
                const bool farOk = watched[index++].revents == 0 || carry(link.far, link.near);
                if (nearOk && farOk) {
                    open.push_back(link);
                } else {
                    ::close(link.near);
                    ::close(link.far);
                }
            }
            links.swap(open);
        }
        for (const Link& link : links) {
            ::close(link.near);
            ::close(link.far);
        }
    }

    static void accept(const Listener& listener, std::vector<Link>& links) {
        const int near = ::accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (near < 0) {
            return;
        }
        const int far = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (far < 0 || ::connect(far, reinterpret_cast<const sockaddr*>(&listener.target),
                                 sizeof listener.target) != 0) {
            ::close(near);
            if (far >= 0) {
                ::close(far);
            }
            return;
        }
        links.push_back({near, far});
    }

    // Moves what `from` has to `to`; false when either side is done.
    static bool carry(int from, int to) {
        char buffer[4096];
        const ssize_t got = ::recv(from, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return false;
        }
        for (ssize_t sent = 0; sent < got;) {
            const ssize_t now =
                ::send(to, buffer + sent, static_cast<size_t>(got - sent), MSG_NOSIGNAL);
            if (now <= 0) {
                return false;
            }
            sent += now;
        }
        return true;
    }

    std::vector<Listener> listeners_;
    std::array<int, 2> wake_{-1, -1};
    std::thread thread_;
};

// The LAN, the simulated receivers behind it and the relay; removed again in the destructor.
class TestLan : public NetnsLab {
public:
    TestLan() : NetnsLab(kNamespacePrefix) {
        sim::SimulatorOptions options;
        options.count = kSimulatedReceivers;
        options.port = sim::findFreeLoopbackPort(QHostAddress("127.0.0.1"), kSimulatedReceivers);
        if (options.port == 0 || !simulator.start(options)) {
            return;
        }
        ready_ = addWorkstation(kWorkstationAddress);
        for (int number = 1; number <= kSimulatedReceivers; ++number) {
            const LanHost& host = kReceivers[static_cast<size_t>(number - 1)];
            ready_ = ready_ && addHost(receiverRole(number), host.ip, host.mac) &&
                     relay_.listenIn(path(receiverNamespace(number)), simulator.port(),
                                     simulator.address(number).toString().toLatin1().constData());
        }
        ready_ = ready_ && addHost("other", kOtherMaker.ip, kOtherMaker.mac) && relay_.start();
    }
    ~TestLan() {
        relay_.stop();
        simulator.stop();
    }
    bool ready() const { return ready_; }
    std::string receiverNamespace(int number) const { return name(receiverRole(number)); }

    sim::Simulator simulator;

private:
    static std::string receiverRole(int number) { return "rx" + std::to_string(number); }

    ReceiverRelay relay_;
    bool ready_ = false;
};

// Acts on the next application-modal dialog of type T once `ready` holds for it: the dialogs
// under test run their own event loops, so the test reaches them from a timer.
template <class T> void whenModal(std::function<bool(T&)> ready, std::function<void(T&)> act) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, ready, act] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !ready(*dialog)) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        act(*dialog);
    });
    poll->start(10);
}

// Watches a dialog's status line for "Searching the network…" while its search runs: the sweep
// blocks the test's own loop, so a timer looks.
class SearchingSeen {
public:
    explicit SearchingSeen(std::function<QLabel*()> line) {
        QObject::connect(&poll_, &QTimer::timeout, [this, line] {
            const QLabel* label = line();
            seen = seen || (label != nullptr && label->text() == QString::fromUtf8(kSearchingText));
        });
        poll_.start(10);
    }
    bool seen = false;

private:
    QTimer poll_;
};

// Types an address and a name into the Input IP Address dialog and presses OK; a dialog that
// refuses is cancelled, so that the test goes on and reports it.
void typeIntoInputDialog(const QString& ip, const QString& name) {
    whenModal<CDlgInputIP>([](CDlgInputIP&) { return true; },
                           [ip, name](CDlgInputIP& dialog) {
                               dialog.findChild<QLineEdit*>("ipEdit")->setText(ip);
                               if (!name.isNull()) {
                                   dialog.findChild<CKeyIn*>("nameEdit")->setText(name);
                               }
                               dialog.okButton()->click();
                               if (dialog.isVisible()) {
                                   ADD_FAILURE() << "the Input IP Address dialog refused "
                                                 << ip.toStdString();
                                   dialog.reject();
                               }
                           });
}

class ConfigRecvNetns : public NetnsLabTest<TestLan> {
protected:
    void SetUp() override {
        NetnsLabTest::SetUp();
        if (setUpStopped()) {
            return;
        }
        // Each test starts from a table that no earlier test taught the workstation.
        ASSERT_TRUE(NetnsLab::ipIn(lan->workstation(), "neigh flush dev br0"));
        for (int number = 1; number <= kSimulatedReceivers; ++number) {
            lan->simulator.clearReceivedLines(number);
        }
        table_.portNumber = lan->simulator.port();
        table_.answerTimeoutMs = 1000;
    }

    void addToTable(const std::string& ip, const std::string& mac, const std::string& name) {
        const int number = table_.count + 1;
        ReceiverRecord& record = table_.byNumber(number);
        record.ip = ip;
        record.mac = mac;
        record.name = name;
        record.setFrequencyText("710.125");
        table_.count = number;
    }

    // Opens the dialog on the test's table and waits for the reconciliation to end; the status
    // line says that the network is searched meanwhile, and no more afterwards.
    void open(CDlgConfigRecv& dialog) {
        dialog.table().copyFrom(table_);
        const SearchingSeen searching([&dialog] { return dialog.failureLine(); });
        dialog.open();
        ASSERT_TRUE(waitUntil([&] { return dialog.ready(); }, kDialogLimitMs));
        EXPECT_TRUE(searching.seen);
        EXPECT_EQ(dialog.failureLine()->text(), "");
    }

    static QString cell(CDlgConfigRecv& dialog, int row, int column) {
        return dialog.list()->itemText(row, column);
    }

    static bool moveReceiverTwo(const char* from, const char* to) {
        const std::string in = lan->receiverNamespace(2);
        return NetnsLab::ipIn(in, std::string("addr del ") + from + "/24 dev eth0") &&
               NetnsLab::ipIn(in, std::string("addr add ") + to + "/24 dev eth0");
    }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    ReceiverTable table_;
};

TEST_F(ConfigRecvNetns, OpeningTakesMovedAddressesFillsInMacAddressesAndKeepsSilentOnes) {
    const std::string mac1 = macText(kReceivers[0]).toStdString();
    addToTable("192.168.79.99", mac1, "MOVED");               // its MAC is now found at .11
    addToTable(kReceivers[1].ip, "", "NOMAC");                // its address answers
    addToTable("192.168.79.50", "0A-54-53-00-01-99", "GONE"); // switched off
    addToTable(kOtherMaker.ip, "", "OTHER");                  // answers, but not our maker
    CDlgConfigRecv dialog{nullptr, systemNeighbourFinder(), EngineOptions{}, nullptr, prompts};
    open(dialog);

    ASSERT_EQ(dialog.list()->itemCount(), 4);
    EXPECT_EQ(cell(dialog, 0, kColumnIp), kReceivers[0].ip);
    EXPECT_EQ(cell(dialog, 0, kColumnMac), macText(kReceivers[0]));
    EXPECT_EQ(cell(dialog, 1, kColumnIp), kReceivers[1].ip);
    EXPECT_EQ(cell(dialog, 1, kColumnMac), macText(kReceivers[1]));
    EXPECT_EQ(cell(dialog, 2, kColumnIp), "192.168.79.50");
    EXPECT_EQ(cell(dialog, 2, kColumnStatus), kStatusNotFound);
    EXPECT_EQ(cell(dialog, 0, kColumnStatus), "");
    EXPECT_EQ(cell(dialog, 3, kColumnIp), kOtherMaker.ip);
    EXPECT_EQ(cell(dialog, 3, kColumnMac), "");
    EXPECT_EQ(dialog.table().byNumber(1).lookupState, kLookupFound);
    EXPECT_EQ(dialog.table().byNumber(3).lookupState, kLookupNotFound);
    EXPECT_EQ(dialog.changed(), 0);
    dialog.button(kIdOk)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.table().byNumber(3).ip, "192.168.79.50");
}

TEST_F(ConfigRecvNetns, AddPingsTheNewAddressForItsMacAddressThenEditAndDeleteChangeTheTable) {
    addToTable(kReceivers[0].ip, macText(kReceivers[0]).toStdString(), "LEAD");
    CDlgConfigRecv dialog{nullptr, systemNeighbourFinder(), EngineOptions{}, nullptr, prompts};
    open(dialog);

    // The workstation has not talked to receiver 3 yet: the ping on OK teaches its MAC address.
    typeIntoInputDialog(kReceivers[2].ip, "STAGE3");
    dialog.button(kIdAdd)->click();
    ASSERT_EQ(dialog.table().count, 2);
    const ReceiverRecord& added = dialog.table().byNumber(2);
    EXPECT_EQ(added.ip, kReceivers[2].ip);
    EXPECT_EQ(added.mac, macText(kReceivers[2]).toStdString());
    EXPECT_EQ(added.name, "STAGE3");
    EXPECT_EQ(added.nameChanged, 1);
    EXPECT_EQ(cell(dialog, 1, kColumnMac), macText(kReceivers[2]));
    EXPECT_EQ(dialog.changed(), 1);

    // An address where nothing answers is taken with an empty MAC address.
    typeIntoInputDialog("192.168.79.250", "SPARE");
    dialog.button(kIdAdd)->click();
    ASSERT_EQ(dialog.table().count, 3);
    EXPECT_EQ(dialog.table().byNumber(3).mac, "");

    // Edit receiver 2: a new name and address 4; the MAC address follows the address.
    selectRow(*dialog.list(), 1);
    typeIntoInputDialog(kReceivers[3].ip, "VOCAL4");
    dialog.button(kIdEdit)->click();
    const ReceiverRecord& edited = dialog.table().byNumber(2);
    EXPECT_EQ(edited.name, "VOCAL4");
    EXPECT_EQ(edited.ip, kReceivers[3].ip);
    EXPECT_EQ(edited.mac, macText(kReceivers[3]).toStdString());
    EXPECT_EQ(cell(dialog, 1, kColumnName), "VOCAL4");

    // A second receiver at an address in use is refused inside the Input IP Address dialog.
    whenModal<CDlgInputIP>([](CDlgInputIP&) { return true; },
                           [](CDlgInputIP& input) {
                               input.findChild<QLineEdit*>("ipEdit")->setText(kReceivers[0].ip);
                               input.okButton()->click();
                               EXPECT_TRUE(input.isVisible());
                               input.reject();
                           });
    dialog.button(kIdAdd)->click();
    EXPECT_EQ(prompts->shown, QStringList{kIpOverlapsText});
    EXPECT_EQ(dialog.table().count, 3);

    prompts->answers = {PromptAnswer::Ok};
    selectRow(*dialog.list(), 1);
    dialog.button(kIdDelete)->click();
    ASSERT_EQ(dialog.table().count, 2);
    EXPECT_EQ(dialog.list()->itemCount(), 2);
    EXPECT_EQ(dialog.table().byNumber(1).name, "LEAD");
    EXPECT_EQ(dialog.table().byNumber(2).name, "SPARE");
    dialog.reject();
}

TEST_F(ConfigRecvNetns, IpSearchListsOurReceiversMovesKnownOnesAndAsksNewOnesForTheirSettings) {
    addToTable(kReceivers[0].ip, macText(kReceivers[0]).toStdString(), "LEAD");
    addToTable(kReceivers[1].ip, macText(kReceivers[1]).toStdString(), "BASS");
    for (int number : {3, 4}) {
        sim::ReceiverState state = lan->simulator.state(number);
        state.name = "ALTO" + std::to_string(number);
        lan->simulator.setState(number, state);
    }
    CDlgConfigRecv dialog{nullptr, systemNeighbourFinder(), EngineOptions{}, nullptr, prompts};
    open(dialog);
    EXPECT_EQ(cell(dialog, 1, kColumnIp), kReceivers[1].ip);

    // Receiver 2 takes another address while the dialog is open.
    ASSERT_TRUE(moveReceiverTwo(kReceivers[1].ip, kMovedAddress));
    QStringList listed;
    whenModal<CDlgRefArp>([](CDlgRefArp& search) { return search.ready(); },
                          [&listed](CDlgRefArp& search) {
                              for (int row = 0; row < search.list()->itemCount(); ++row) {
                                  listed << search.list()->itemText(row, 1) + " " +
                                                search.list()->itemText(row, 2);
                              }
                              listed << search.findChild<QLabel*>("statusLine")->text();
                              search.findChild<QPushButton*>("selectAllButton")->click();
                              search.okButton()->click();
                          });
    const SearchingSeen searching([] {
        auto* search = qobject_cast<CDlgRefArp*>(QApplication::activeModalWidget());
        return search != nullptr ? search->findChild<QLabel*>("statusLine") : nullptr;
    });
    dialog.button(kIdIpSearch)->click();
    const bool movedBack = moveReceiverTwo(kMovedAddress, kReceivers[1].ip);

    // In address order, counted.
    EXPECT_TRUE(searching.seen);
    EXPECT_EQ(listed, (QStringList{QString(kReceivers[0].ip) + " " + macText(kReceivers[0]),
                                   QString(kReceivers[2].ip) + " " + macText(kReceivers[2]),
                                   QString(kReceivers[3].ip) + " " + macText(kReceivers[3]),
                                   QString(kMovedAddress) + " " + macText(kReceivers[1]),
                                   "4 receivers found."}));
    ASSERT_EQ(dialog.table().count, 4);
    EXPECT_EQ(dialog.table().byNumber(2).ip, kMovedAddress);
    EXPECT_EQ(dialog.table().byNumber(2).name, "BASS");
    EXPECT_EQ(dialog.operationKind(), kOperationDownload);
    ASSERT_TRUE(
        waitUntil([&] { return dialog.operationKind() == kOperationIdle; }, kDialogLimitMs));

    // Only the two new receivers were asked, over the LAN, for their settings.
    EXPECT_EQ(lan->simulator.receivedCount(1), 0u);
    EXPECT_EQ(lan->simulator.receivedCount(2), 0u);
    for (int number : {3, 4}) { // appended in address order
        const ReceiverRecord& found = dialog.table().byNumber(number);
        const LanHost& host = kReceivers[static_cast<size_t>(number - 1)];
        EXPECT_EQ(found.ip, host.ip);
        EXPECT_EQ(found.mac, macText(host).toStdString());
        EXPECT_EQ(found.name, "ALTO" + std::to_string(number));
        EXPECT_EQ(found.statusText, kStatusSynchronize) << number;
        EXPECT_GT(lan->simulator.receivedCount(number), 0u) << number;
        EXPECT_EQ(cell(dialog, number - 1, kColumnStatus), kStatusSynchronize);
    }
    EXPECT_EQ(dialog.changed(), 1);
    dialog.reject();
    EXPECT_TRUE(movedBack);
}

} // namespace
