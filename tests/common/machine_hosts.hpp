// Whether this machine's own hosts file names a host. Tests that resolve
// through the machine's resolver without a hosts file of their own use it:
// a bare system (a fresh chroot, a minimal container) may have no
// /etc/hosts at all, and then not even localhost has an address.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

inline bool machine_hosts_name(std::string_view host, const char* hosts_file = "/etc/hosts")
{
    std::ifstream hosts{hosts_file};
    std::string line;
    while (std::getline(hosts, line)) {
        std::istringstream words{line.substr(0, line.find('#'))};
        std::string address;
        std::string name;
        words >> address;
        while (words >> name) {
            if (name == host) {
                return true;
            }
        }
    }
    return false;
}
