#include "tests/support/netns_lab.h"

#include "comm/network_scanner.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tessaly::testing {

namespace {

// A namespace whose owner is gone. Names without a pid right after the prefix are not ours.
bool isStale(const std::string& name, const std::string& prefix) {
    if (name.rfind(prefix, 0) != 0) {
        return false;
    }
    const long owner = std::atol(name.c_str() + prefix.size());
    return owner > 0 && ::kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH;
}

void removeStaleNamespaces(const std::string& prefix) {
    FILE* list = ::popen("ip netns list 2>/dev/null", "r");
    if (list == nullptr) {
        return;
    }
    char line[256];
    while (std::fgets(line, sizeof line, list) != nullptr) {
        std::string name(line);
        name = name.substr(0, name.find_first_of(" \n"));
        if (isStale(name, prefix)) {
            runQuietly("ip netns del " + name);
        }
    }
    ::pclose(list);
}

bool sameFile(const char* a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a, &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

bool runQuietly(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool mayBuildLabs() {
    return ::geteuid() == 0;
}

NetnsLab::NetnsLab(std::string prefix) : prefix_(std::move(prefix)) {
    removeStaleNamespaces(prefix_);
}

NetnsLab::~NetnsLab() {
    for (const std::string& made : made_) {
        runQuietly("ip netns del " + made);
    }
}

bool NetnsLab::addWorkstation(const std::string& address) {
    const std::string ws = name("ws");
    if (!workstation_.empty() || !addNamespace(ws)) {
        return false;
    }
    workstation_ = ws;
    workstationAddress_ = address;
    const std::string bridge = kLabBridge;
    return ipIn(ws, "link set lo up") &&
           ipIn(ws, "link add " + bridge + " type bridge forward_delay 0") &&
           ipIn(ws, "link set " + bridge + " up") &&
           ipIn(ws,
                "addr add " + address + "/" + std::to_string(kLabPrefixLength) + " dev " + bridge);
}

bool NetnsLab::allowDatagramPing() {
    return !workstation_.empty() &&
           execIn(workstation_, "sysctl -qw net.ipv4.ping_group_range='0 2147483647'");
}

bool NetnsLab::addHost(const std::string& role, const std::string& address,
                       const std::string& mac) {
    const std::string host = name(role);
    const std::string port = "p" + std::to_string(++ports_);
    return !workstation_.empty() && addNamespace(host) &&
           ipIn(workstation_, "link add " + port + " type veth peer name eth0 netns " + host) &&
           ipIn(workstation_, "link set " + port + " master " + kLabBridge + " up") &&
           ipIn(host, "link set eth0 address " + mac) && ipIn(host, "link set lo up") &&
           ipIn(host, "link set eth0 up") &&
           ipIn(host, "addr add " + address + "/" + std::to_string(kLabPrefixLength) + " dev eth0");
}

std::string NetnsLab::name(const std::string& role) const {
    return prefix_ + std::to_string(::getpid()) + role;
}

std::string NetnsLab::path(const std::string& name) {
    return "/var/run/netns/" + name;
}

bool NetnsLab::ipIn(const std::string& name, const std::string& arguments) {
    return runQuietly("ip -n " + name + " " + arguments);
}

bool NetnsLab::execIn(const std::string& name, const std::string& command) {
    return runQuietly("ip netns exec " + name + " " + command);
}

bool NetnsLab::addNamespace(const std::string& name) {
    if (!runQuietly("ip netns add " + name)) {
        return false;
    }
    made_.push_back(name);
    return true;
}

bool NetnsVisit::enter(const std::string& namespacePath) {
    if (inside()) {
        return false;
    }
    const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = ::open(namespacePath.c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = home >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
    if (target >= 0) {
        ::close(target);
    }
    if (!entered) {
        if (home >= 0) {
            ::close(home);
        }
        return false;
    }
    home_ = home;
    return true;
}

bool NetnsVisit::leave() {
    if (!inside()) {
        return true;
    }
    const bool back = ::setns(home_, CLONE_NEWNET) == 0;
    ::close(home_);
    home_ = -1;
    return back;
}

std::string sweepSafetyProblem(const NetnsLab& lab) {
    if (lab.workstation().empty() ||
        !sameFile("/proc/thread-self/ns/net", NetnsLab::path(lab.workstation()))) {
        return "this thread is not inside the lab's workstation namespace";
    }
    NetworkScanner scanner;
    if (!scanner.readLocalAddresses()) {
        return "the local addresses could not be read: " + scanner.errorText().toStdString();
    }
    std::string seen;
    for (const LocalAddress& local : scanner.localAddresses()) {
        seen += " " + local.ip.toStdString() + "/" + local.mask.toStdString() + " on " +
                local.interfaceName.toStdString();
    }
    const auto& locals = scanner.localAddresses();
    if (locals.size() != 1 || locals[0].ip.toStdString() != lab.workstationAddress() ||
        locals[0].mask != QLatin1String(kLabMask) ||
        locals[0].interfaceName != QLatin1String(kLabBridge)) {
        return "the private addresses seen are not only the lab's own " + lab.workstationAddress() +
               ":" + seen;
    }
    return {};
}

} // namespace tessaly::testing
