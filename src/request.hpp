// The front end: the option scan that fills the request record, and the
// checks that turn it into what is to be delivered.
#pragma once

#include "record.hpp"

#include <netinet/in.h>
#include <sys/un.h>

#include <cstdint>
#include <span>
#include <string_view>

// The port as written on the command line, read leniently: leading white
// space, one sign, then decimal digits up to the first other character (none
// reads as 0). A number outside 0..65535 reads as 0, which the checks report
// as a missing port, rather than wrapping to a port the user did not name.
[[nodiscard]] std::uint16_t parse_port(std::string_view text);

// The two steps the front end leaves to other parts of the program; passed in
// so the scan and the checks can be exercised without files or a resolver.
using LoadValue = ResultCode (*)(const char* path, ValueField value);
using ResolveDomain = ResultCode (*)(const char* domain, IPv4AddressField address);

enum class [[nodiscard]] ScanOutcome : std::uint8_t{
    complete,
    value_file_failed,  // reported; the run ends with status 1 and nothing after that -f was read
};

// Reads the options into the request in command-line order, never reordering
// them, and stops at the first non-option, at a lone "-" or after "--". Bad
// options are reported on stderr and skipped.
ScanOutcome scan_command_line(std::span<char* const> arguments, PostRequest& request, LoadValue load_value);

// What the checks hand on: where the datagram goes, as a finished socket
// address, and the bytes it carries (a view into the request's value).
struct [[nodiscard]] Delivery {
    enum class Mode : std::uint8_t {
        none,  // a check failed and was reported; nothing is sent
        udp,
        unix_domain,
    };
    Mode mode = Mode::none;
    sockaddr_in udp_destination{};  // when mode is udp
    sockaddr_un unix_receiver{};    // when mode is unix_domain
    std::span<const char> value;
};

// Runs the checks in their fixed order, printing the first that fails, and
// resolves the domain when no address was given. For UDP it ends by printing
// the destination line.
Delivery check_request(PostRequest& request, ResolveDomain resolve_domain);
