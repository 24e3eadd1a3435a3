#pragma once

#include <string>
#include <vector>

namespace tessaly::testing {

// Every lab LAN is one /24 on a bridge in the workstation namespace.
constexpr int kLabPrefixLength = 24;
const char* const kLabMask = "255.255.255.0";
const char* const kLabBridge = "br0";
const char* const kLabNeedsText = "needs root with iproute2 network namespaces, veth pairs and "
                                  "bridges to build a private test LAN";

// Runs a shell command with its output discarded; true when it exits with 0.
bool runQuietly(const std::string& command);

// Only root may make network namespaces and veth pairs.
bool mayBuildLabs();

// A private LAN built out of network namespaces: a workstation namespace with the LAN's address
// on a bridge, and one namespace per host joined to that bridge by a veth pair. Names are
// <prefix><pid><role>, so that a later run can remove what a killed run left behind. The
// destructor removes every namespace this lab made, and no other.
class NetnsLab {
public:
    // Removes the namespaces of this prefix whose owning process is gone.
    explicit NetnsLab(std::string prefix);
    ~NetnsLab();
    NetnsLab(const NetnsLab&) = delete;
    NetnsLab& operator=(const NetnsLab&) = delete;

    // The workstation namespace, its loopback up and `address` on the bridge. Call once, first.
    bool addWorkstation(const std::string& address);
    // Lets every group use datagram ICMP sockets in the workstation namespace, root included.
    bool allowDatagramPing();
    // A host namespace whose eth0 has `mac` and `address` on the LAN.
    bool addHost(const std::string& role, const std::string& address, const std::string& mac);

    std::string name(const std::string& role) const;
    static std::string path(const std::string& name);
    const std::string& workstation() const { return workstation_; }
    const std::string& workstationAddress() const { return workstationAddress_; }

    // `ip -n <name> <arguments>`, and a command run inside namespace <name>.
    static bool ipIn(const std::string& name, const std::string& arguments);
    static bool execIn(const std::string& name, const std::string& command);

private:
    bool addNamespace(const std::string& name);

    std::string prefix_;
    std::string workstation_;
    std::string workstationAddress_;
    std::vector<std::string> made_;
    int ports_ = 0;
};

// Moves the calling thread into a network namespace and back; the destructor goes back.
class NetnsVisit {
public:
    NetnsVisit() = default;
    ~NetnsVisit() { leave(); }
    NetnsVisit(const NetnsVisit&) = delete;
    NetnsVisit& operator=(const NetnsVisit&) = delete;

    bool enter(const std::string& namespacePath);
    bool leave(); // true also when not inside
    bool inside() const { return home_ >= 0; }

private:
    int home_ = -1;
};

// Empty when the calling thread is inside the lab's workstation namespace and sees no private
// address but the lab's own, on the bridge; otherwise says what is wrong. A sweep pings every
// address of each private subnet it sees, so nothing may sweep unless this is empty.
std::string sweepSafetyProblem(const NetnsLab& lab);

} // namespace tessaly::testing
