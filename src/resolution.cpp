#include "resolution.hpp"

#include "ipv4_address.hpp"
#include "messages.hpp"

#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace {

// The host entry is built in a buffer on the stack, so a lookup needs no
// heap: musl's gethostbyname (and with it its allocator) stays out of the
// executable, and a run asks the kernel for no memory at all.
//
// musl fills at most 1011 bytes: pointers for 48 addresses, the addresses,
// a canonical name of up to 255 bytes and the name asked for (at most 127
// here), with 8-byte pointers. So its lookups always fit the usual buffer.
// glibc's need has no such bound (every hosts line of the name, a line of
// any length, a DNS answer of up to 64 KiB over TCP): a lookup that does not
// fit is made once more with the largest buffer, in a frame of its own that
// a usual run never enters.
constexpr std::size_t usual_buffer_size = 1024;
constexpr std::size_t largest_buffer_size = 65536;

enum class Outcome : std::uint8_t {
    found,
    no_address,        // an entry without an IPv4 address
    failed,            // no entry: the resolver's error says why
    buffer_too_small,  // ERANGE: the same lookup may fit a larger buffer
};

// Only an IPv4 entry with an address is of use.
bool has_ipv4_address(const hostent& entry)
{
    return entry.h_addrtype == AF_INET && entry.h_length == 4 && entry.h_addr_list != nullptr
           && entry.h_addr_list[0] != nullptr;
}

struct Lookup {
    Outcome outcome = Outcome::failed;
    int resolver_error = 0;
};

// One lookup into the buffer; the first address, if any, is stored in the
// field before the buffer goes.
Lookup look_up_into(std::span<char> buffer, const char* domain, IPv4AddressField address, HostLookup look_up)
{
    hostent storage{};
    hostent* entry = nullptr;
    int resolver_error = 0;
    const int status = look_up(domain, &storage, buffer.data(), buffer.size(), &entry, &resolver_error);
    if (entry == nullptr) {
        if (status == ERANGE) {
            return {Outcome::buffer_too_small, resolver_error};
        }
        // A lookup that fails without a reason has still found no host.
        return {Outcome::failed, resolver_error != 0 ? resolver_error : HOST_NOT_FOUND};
    }
    if (!has_ipv4_address(*entry)) {
        return {Outcome::no_address, 0};
    }
    // The first address is taken.
    const std::span<const std::uint8_t, 4> bytes{reinterpret_cast<const std::uint8_t*>(entry->h_addr_list[0]),
                                                 4};
    const DottedText text = dotted_text(bytes);
    return {store_text(address, text_of(text)) ? Outcome::found : Outcome::no_address, 0};
}

// The same lookup again with the largest buffer, whose frame only a lookup
// that did not fit the usual one ever enters.
[[gnu::noinline]] Lookup look_up_again(const char* domain, IPv4AddressField address, HostLookup look_up)
{
    alignas(std::max_align_t) std::array<char, largest_buffer_size> buffer;  // written by the lookup only
    return look_up_into(buffer, domain, address, look_up);
}

#ifdef __GLIBC__
// glibc lays out every hosts line it reads in the buffer, whichever name the
// line is for, so one line of some 40 KB of aliases anywhere in /etc/hosts
// fails every lookup that reads past it, even in the largest buffer. Its
// gethostbyname grows a buffer of its own on the heap, which a glibc build
// (linked dynamically, its name service modules loaded at run time) has in
// use anyway: when the largest buffer is still too small, that answers, and
// its first address is laid out in the buffer as gethostbyname_r would.
// musl's answers always fit, and musl builds keep no heap.
int look_up_growing(const char* name, hostent* entry, char* buffer, std::size_t size, hostent** found,
                    int* resolver_error)
{
    const int status = gethostbyname_r(name, entry, buffer, size, found, resolver_error);
    if (status != ERANGE || size < largest_buffer_size) {
        return status;
    }
    *found = nullptr;
    const hostent* grown = gethostbyname(name);
    if (grown == nullptr) {
        *resolver_error = h_errno;
        return ENOENT;
    }
    *entry = hostent{};
    entry->h_addrtype = grown->h_addrtype;
    entry->h_length = grown->h_length;
    if (has_ipv4_address(*grown)) {
        // A list of one address and its end, then the address.
        char** list = static_cast<char**>(static_cast<void*>(buffer));
        char* address = buffer + 2 * sizeof(char*);
        std::memcpy(address, grown->h_addr_list[0], 4);
        list[0] = address;
        list[1] = nullptr;
        entry->h_addr_list = list;
    }
    *found = entry;
    return 0;
}
#endif

}  // namespace

ResultCode first_address_of(const char* domain, IPv4AddressField address, HostLookup look_up)
{
    if (domain == nullptr) {
        message::resolve_argument_null();
        return ResultCode::null_argument;
    }
    // gethostbyname_r keeps the order of /etc/hosts and of the DNS answer; a
    // dotted numeric text comes back as itself with no lookup at all.
    alignas(std::max_align_t) std::array<char, usual_buffer_size> buffer;  // written by the lookup only
    Lookup lookup = look_up_into(buffer, domain, address, look_up);
    if (lookup.outcome == Outcome::buffer_too_small) {
        lookup = look_up_again(domain, address, look_up);
    }
    switch (lookup.outcome) {
    case Outcome::found:
        return ResultCode::success;
    case Outcome::buffer_too_small:
        // An answer too large for any buffer of ours was found, not missed:
        // never reported as "host not found".
        message::resolve_failed(domain, NO_RECOVERY);
        return ResultCode::failure;
    case Outcome::failed:
        message::resolve_failed(domain, lookup.resolver_error);
        return ResultCode::failure;
    case Outcome::no_address:
        break;
    }
    return ResultCode::failure;
}

ResultCode get_ip_by_domain(const char* domain, IPv4AddressField address)
{
#ifdef __GLIBC__
    return first_address_of(domain, address, look_up_growing);
#else
    return first_address_of(domain, address, gethostbyname_r);
#endif
}
