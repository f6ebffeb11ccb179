// Turning a domain name into dotted IPv4 text through the system resolver.
#pragma once

#include "record.hpp"

// Writes the first IPv4 address of the name's host entry, in the entry's own
// order, into the address field. Returns failure, leaving the field as it
// was, when the lookup fails (printing the resolver's error) or when no
// IPv4 address is in the entry (the caller's message says enough).
[[nodiscard]] ResultCode get_ip_by_domain(const char* domain, IPv4AddressField address);
