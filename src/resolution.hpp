// Turning a domain name into dotted IPv4 text through the system resolver.
#pragma once

#include "record.hpp"

#include <netdb.h>

#include <cstddef>

// Writes the first IPv4 address of the name's host entry, in the entry's own
// order, into the address field. Returns failure, leaving the field as it
// was, when the lookup fails (printing the resolver's error) or when no
// IPv4 address is in the entry (the caller's message says enough).
[[nodiscard]] ResultCode get_ip_by_domain(const char* domain, IPv4AddressField address);

// A lookup with gethostbyname_r's contract: the entry and everything it
// points to go into the caller's buffer, and a buffer too small for the
// answer gives ERANGE.
using HostLookup = int (*)(const char* name, hostent* entry, char* buffer, std::size_t size, hostent** found,
                           int* resolver_error);

// get_ip_by_domain with the lookup passed in (the program passes
// gethostbyname_r), so a lookup whose answer needs a larger buffer can be
// exercised without a resolver that gives one.
[[nodiscard]] ResultCode first_address_of(const char* domain, IPv4AddressField address, HostLookup look_up);
