#include "resolution.hpp"

#include "messages.hpp"

#include <arpa/inet.h>
#include <netdb.h>

ResultCode get_ip_by_domain(const char* domain, IPv4AddressField address)
{
    if (domain == nullptr) {
        message::resolve_argument_null();
        return ResultCode::null_argument;
    }
    // gethostbyname keeps the order of /etc/hosts and of the DNS answer; a
    // dotted numeric text comes back as itself with no lookup at all.
    const hostent* entry = gethostbyname(domain);
    if (entry == nullptr) {
        // A lookup that fails without a reason has still found no host.
        const int resolver_error = h_errno;
        message::resolve_failed(domain, resolver_error != 0 ? resolver_error : HOST_NOT_FOUND);
        return ResultCode::failure;
    }
    for (char* const* item = entry->h_addr_list; item != nullptr && *item != nullptr; ++item) {
        if (inet_ntop(entry->h_addrtype, *item, address.data(), static_cast<socklen_t>(address.size()))
            != nullptr) {
            return ResultCode::success;
        }
    }
    return ResultCode::failure;
}
