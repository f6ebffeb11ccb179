// Every line the program prints, in one place.
//
// Each function prints exactly one line. The line numbers are part of the
// output that scripts match on, so they are fixed here and nowhere else; the
// bracketed name is the step of the program that reports. A text from the
// command line or the resolver is echoed with its control bytes escaped
// (see Echo), so it can never break a message into two lines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace message {

// A text as it is echoed inside a message: each byte below 0x20 and 0x7f is
// written as \x and two lowercase hex digits (a line end as \x0a), every
// other byte as it is. A text of more than longest bytes is cut and ends in
// "..."; the program's own texts are all shorter.
class Echo {
public:
    static constexpr std::size_t longest = 128;

    explicit Echo(std::string_view text);
    [[nodiscard]] const char* c_str() const { return escaped_.data(); }

private:
    std::array<char, 4 * longest + 4> escaped_{};  // every byte escaped, "..." and the terminator
};

// The value file loader ("read_file_info").
void file_argument_null();                                // 28
void file_open_failed(std::string_view path, int error);  // 37
void file_read_failed(int error);                         // 43

// The resolver ("get_ip_by_domain").
void resolve_argument_null();                                      // 64
void resolve_failed(std::string_view domain, int resolver_error);  // 75

// The option scanner's complaints: the only lines written to stderr.
void unrecognized_option(const char* program, char letter);
void missing_argument(const char* program, char letter);

// The option scan ("main").
void ipv4_address_too_long();                   // 117
void domain_too_long();                         // 126
void unix_domain_too_long();                    // 139
void value_too_long();                          // 148
void file_path_too_long();                      // 157
void value_file_failed(std::string_view path);  // 163

// The checks and the UDP delivery ("main").
void need_address_or_domain();                              // 183
void need_port();                                           // 187
void need_value_udp();                                      // 191
void resolve_domain_failed();                               // 199
void invalid_ipv4_address(std::string_view address);        // 203
void destination(const char* address, std::uint16_t port);  // no prefix
void udp_socket_failed(int error);                          // 207
void udp_send_failed(int descriptor, int error);            // 218

// The Unix-domain delivery ("main").
void need_value_unix();                                                  // 225
void unix_path_unaddressable(std::string_view path, std::size_t limit);  // 229
void unix_bind_failed(int error);                                        // 236
void unix_receiver_is_sender(std::string_view path);                     // 240
void unix_send_failed(int descriptor, int error);                        // 244

}  // namespace message
