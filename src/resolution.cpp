#include "resolution.hpp"

#include "ipv4_address.hpp"
#include "messages.hpp"

#include <netdb.h>
#include <sys/socket.h>

#include <cstdint>
#include <span>

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
    // Only an IPv4 entry with an address is of use; the first address is taken.
    if (entry->h_addrtype != AF_INET || entry->h_length != 4 || entry->h_addr_list == nullptr
        || entry->h_addr_list[0] == nullptr) {
        return ResultCode::failure;
    }
    const std::span<const std::uint8_t, 4> bytes{reinterpret_cast<const std::uint8_t*>(entry->h_addr_list[0]),
                                                 4};
    const DottedText text = dotted_text(bytes);
    return store_text(address, text_of(text)) ? ResultCode::success : ResultCode::failure;
}
