// Turning a domain name into dotted IPv4 text through the system resolver.
#pragma once

#include "request.hpp"

// Writes the first IPv4 address of the name's host entry, in the entry's own
// order, into the address field. Prints its own failure and returns failure
// when the name has no address, leaving the field as it was.
[[nodiscard]] ResultCode get_ip_by_domain(const char* domain, IPv4AddressField address);
