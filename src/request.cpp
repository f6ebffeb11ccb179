#include "request.hpp"

#include "ipv4_address.hpp"
#include "messages.hpp"
#include "unix_address.hpp"
#include "value_file.hpp"

#include <arpa/inet.h>

#include <cstring>
#include <optional>

namespace {

constexpr std::uint32_t max_port = 65535;

[[nodiscard]] bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

[[nodiscard]] bool is_digit(char c) { return c >= '0' && c <= '9'; }

[[nodiscard]] bool takes_argument(char letter)
{
    return std::string_view{"idpuvf"}.find(letter) != std::string_view::npos;
}

// Handles one accepted option letter with its argument.
[[nodiscard]] ScanOutcome apply_option(char letter, const char* argument, PostRequest& request,
                                       LoadValue load_value)
{
    const std::string_view text{argument};
    switch (letter) {
    case 'i':
        if (!store_text(request.ipv4_address, text)) {
            message::ipv4_address_too_long();
        }
        break;
    case 'd':
        if (!store_text(request.domain, text)) {
            message::domain_too_long();
        }
        break;
    case 'p':
        request.port = parse_port(text);
        break;
    case 'u':
        if (!store_text(request.unix_domain, text)) {
            message::unix_domain_too_long();
        }
        break;
    case 'v':
        if (store_text(request.value, text)) {
            request.value_len = static_cast<std::uint32_t>(text.size());
        }
        else {
            message::value_too_long();
        }
        break;
    case 'f':
        if (!store_text(request.file_path, text)) {
            message::file_path_too_long();
            break;
        }
        if (load_value(request.file_path.data(), request.value) != ResultCode::success) {
            // A half-loaded value is no value; the run ends here without one.
            std::fill(request.value.begin(), request.value.end(), '\0');
            request.value_len = 0;
            message::value_file_failed(text_of(request.file_path));
            return ScanOutcome::value_file_failed;
        }
        request.value_len = take_file_content(request.value);
        break;
    default:
        break;
    }
    return ScanOutcome::complete;
}

}  // namespace

std::uint16_t parse_port(std::string_view text)
{
    std::size_t position = 0;
    while (position < text.size() && is_space(text[position])) {
        ++position;
    }
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    std::uint32_t number = 0;
    for (; position < text.size() && is_digit(text[position]); ++position) {
        number = number * 10 + static_cast<std::uint32_t>(text[position] - '0');
        if (number > max_port) {
            return 0;
        }
    }
    if (negative && number != 0) {
        return 0;
    }
    return static_cast<std::uint16_t>(number);
}

ScanOutcome scan_command_line(std::span<char* const> arguments, PostRequest& request, LoadValue load_value)
{
    // argv[0] exactly as invoked names the program in the scanner's complaints.
    const char* program = (arguments.empty() || arguments[0] == nullptr) ? "" : arguments[0];

    std::size_t next = 1;
    while (next < arguments.size()) {
        const char* word = arguments[next];
        if (word == nullptr || word[0] != '-' || word[1] == '\0') {
            break;
        }
        ++next;
        if (std::strcmp(word, "--") == 0) {
            break;
        }
        // Letters of one word are options until one takes the rest of the word,
        // or the following word, as its argument.
        for (const char* letter = word + 1; *letter != '\0'; ++letter) {
            if (!takes_argument(*letter)) {
                message::unrecognized_option(program, *letter);
                continue;
            }
            const char* argument = letter + 1;
            if (*argument == '\0') {
                if (next >= arguments.size() || arguments[next] == nullptr) {
                    message::missing_argument(program, *letter);
                    break;
                }
                argument = arguments[next++];
            }
            if (apply_option(*letter, argument, request, load_value) == ScanOutcome::value_file_failed) {
                return ScanOutcome::value_file_failed;
            }
            break;
        }
    }
    return ScanOutcome::complete;
}

Delivery check_request(PostRequest& request, ResolveDomain resolve_domain)
{
    // Each failed check is reported and hands on nothing to send: Delivery{}.
    const std::span<const char> value{request.value.data(), request.value_len};
    if (!is_empty(request.unix_domain)) {
        if (is_empty(request.value)) {
            message::need_value_unix();
            return {};
        }
        // A path cut to fit the socket address would name a socket the user did not.
        const std::optional<sockaddr_un> receiver = unix_address(text_of(request.unix_domain));
        if (!receiver) {
            message::unix_path_unaddressable(text_of(request.unix_domain), unix_path_limit);
            return {};
        }
        return {.mode = Delivery::Mode::unix_domain, .unix_receiver = *receiver, .value = value};
    }
    if (is_empty(request.ipv4_address) && is_empty(request.domain)) {
        message::need_address_or_domain();
        return {};
    }
    if (request.port == 0) {
        message::need_port();
        return {};
    }
    if (is_empty(request.value)) {
        message::need_value_udp();
        return {};
    }
    if (is_empty(request.ipv4_address)
        && resolve_domain(request.domain.data(), request.ipv4_address) != ResultCode::success) {
        message::resolve_domain_failed();
        return {};
    }
    // A text that is no address must not turn into the broadcast address.
    const std::optional<in_addr> address = parse_ipv4_address(text_of(request.ipv4_address));
    if (!address) {
        message::invalid_ipv4_address(text_of(request.ipv4_address));
        return {};
    }
    message::destination(request.ipv4_address.data(), request.port);
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(request.port);
    destination.sin_addr = *address;
    return {.mode = Delivery::Mode::udp, .udp_destination = destination, .value = value};
}
