#include "messages.hpp"

#include <netdb.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

// Each line is formatted by one printf into stdout's 1024-byte buffer, which
// is written out when it is full, at each line end on a terminal, and at exit.
// So the lines keep their order and an ordinary run's output leaves in one
// write; only an output over 1024 bytes (many refused options in one run) is
// written in pieces, and a line may then be split between two of them.

namespace message {

Echo::Echo(std::string_view text)
{
    constexpr std::string_view hex = "0123456789abcdef";
    auto* out = escaped_.begin();
    for (const char c : text.substr(0, longest)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            *out++ = '\\';
            *out++ = 'x';
            *out++ = hex[byte >> 4U];
            *out++ = hex[byte & 0xfU];
        }
        else {
            *out++ = c;
        }
    }
    if (text.size() > longest) {
        out = std::copy_n("...", 3, out);
    }
    *out = '\0';
}

void file_argument_null()
{
    std::printf("[ERROR] [line:%d] [%s] the argument point is NULL!\n", 28, "read_file_info");
}

void file_open_failed(std::string_view path, int error)
{
    std::printf("[ERROR] [line:%d] [%s] fopen %s failed! errno : %d, msg : %s.\n", 37, "read_file_info",
                Echo{path}.c_str(), error, std::strerror(error));
}

void file_read_failed(int error)
{
    std::printf("[ERROR] [line:%d] [%s] fread failed! errno : %d, msg : %s.\n", 43, "read_file_info", error,
                std::strerror(error));
}

void resolve_argument_null()
{
    std::printf("[ERROR] [line:%d] [%s] the argument point is NULL!\n", 64, "get_ip_by_domain");
}

// The resolver reports through h_errno, so its own code and text are printed
// under the errno words: errno says nothing about a failed lookup.
void resolve_failed(std::string_view domain, int resolver_error)
{
    std::printf("[ERROR] [line:%d] [%s] get ip failed by %s! errno : %d, msg : %s.\n", 75, "get_ip_by_domain",
                Echo{domain}.c_str(), resolver_error, hstrerror(resolver_error));
}

void unrecognized_option(const char* program, char letter)
{
    std::fprintf(stderr, "%s: unrecognized option: %c\n", program, letter);
}

void missing_argument(const char* program, char letter)
{
    std::fprintf(stderr, "%s: option requires an argument: %c\n", program, letter);
}

void ipv4_address_too_long() { std::printf("[line:%d] [%s] ipv4 address' length error!\n", 117, "main"); }
void domain_too_long() { std::printf("[line:%d] [%s] domain's length error!\n", 126, "main"); }
void unix_domain_too_long() { std::printf("[line:%d] [%s] unix domain's length error!\n", 139, "main"); }
void value_too_long() { std::printf("[line:%d] [%s] value's length error!\n", 148, "main"); }
void file_path_too_long() { std::printf("[line:%d] [%s] value's length error!\n", 157, "main"); }

void value_file_failed(std::string_view path)
{
    std::printf("[ERROR] [line:%d] [%s] read post log from file failed! file path : %s.\n", 163, "main",
                Echo{path}.c_str());
}

void need_address_or_domain() { std::printf("[line:%d] [%s] need ipv4 address or domain!\n", 183, "main"); }
void need_port() { std::printf("[line:%d] [%s] need udp destination port!\n", 187, "main"); }
void need_value_udp() { std::printf("[line:%d] [%s] need value!\n", 191, "main"); }
void resolve_domain_failed()
{
    std::printf("[line:%d] [%s] get ipv4 address by domain failed!\n", 199, "main");
}

void invalid_ipv4_address(std::string_view address)
{
    std::printf("[ERROR] [line:%d] [%s] invalid ipv4 address! address : %s.\n", 203, "main",
                Echo{address}.c_str());
}

void destination(const char* address, std::uint16_t port)
{
    std::printf("destination address : %s:%d.\n", address, static_cast<int>(port));
}

void udp_socket_failed(int error)
{
    std::printf("[ERROR] [line:%d] [%s] create udp socket failed, errno %d, msg : %s.\n", 207, "main", error,
                std::strerror(error));
}

void udp_send_failed(int descriptor, int error)
{
    std::printf("[line:%d] [%s] send udp data failed! fd : %d, errno : %d, msg : %s.\n", 218, "main",
                descriptor, error, std::strerror(error));
}

void need_value_unix() { std::printf("[line:%d] [%s] need value!\n", 225, "main"); }

void unix_path_unaddressable(std::string_view path, std::size_t limit)
{
    std::printf("[ERROR] [line:%d] [%s] unix domain path too long! at most %zu characters, path : %s.\n", 229,
                "main", limit, Echo{path}.c_str());
}

void unix_bind_failed(int error)
{
    std::printf("[line:%d] [%s] bind unix domain socket failed, errno : %d, msg : %s.\n", 236, "main", error,
                std::strerror(error));
}

void unix_receiver_is_sender(std::string_view path)
{
    std::printf("[ERROR] [line:%d] [%s] unix domain path is the sender's own socket! path : %s.\n", 240,
                "main", Echo{path}.c_str());
}

// Same words as the UDP send failure: callers already match on them.
void unix_send_failed(int descriptor, int error)
{
    std::printf("[line:%d] [%s] send udp data failed! fd : %d, errno : %d, msg : %s.\n", 244, "main",
                descriptor, error, std::strerror(error));
}

}  // namespace message
