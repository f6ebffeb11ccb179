#include "messages.hpp"

#include <netdb.h>

#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>
#include <cstdio>
#include <cstring>

// Every line is put together here from literal text, decimal numbers, echoed
// texts and the C library's error words, without printf: the printf family
// carries floating-point formatting into every executable, and on cores
// without an FPU that code cannot run.
//
// A line goes to its stream's stdio buffer in pieces of at most 256 bytes:
// one for all but the longest lines (a long argv[0] or echoed path).
// stdout's 1024-byte buffer is written out when it is full, at each line end
// on a terminal, and at exit. So the lines keep their order and an ordinary
// run's output leaves in one write; an output over 1024 bytes (many refused
// options in one run) leaves in several, and with glibc a line may then be
// split between two of them. stderr is unbuffered: a piece is a write.

namespace message {
namespace {

// One line, gathered in a buffer of its own and handed to the stream with
// fwrite when the buffer fills and when the line ends.
class Line {
public:
    explicit Line(std::FILE* stream) : stream_(stream) {}
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    Line(Line&&) = delete;
    Line& operator=(Line&&) = delete;
    // A line always ends with its line end, whichever way it was built.
    ~Line()
    {
        put('\n');
        flush();
    }

    // The two prefixes of the program's own lines: "[line:N] [STEP] " and
    // "[ERROR] [line:N] [STEP] ".
    Line& note(int number, std::string_view step)
    {
        return *this << "[line:" << number << "] [" << step << "] ";
    }
    Line& error(int number, std::string_view step) { return (*this << "[ERROR] ").note(number, step); }

    Line& operator<<(std::string_view text)
    {
        for (const char c : text) {
            put(c);
        }
        return *this;
    }
    Line& operator<<(const char* text) { return *this << std::string_view{text}; }
    Line& operator<<(const Echo& echo) { return *this << echo.c_str(); }
    Line& operator<<(char c)
    {
        put(c);
        return *this;
    }
    Line& operator<<(int number)
    {
        if (number < 0) {
            put('-');
            // The magnitude in unsigned arithmetic, which has room for the most negative int.
            put_digits(0U - static_cast<unsigned>(number));
        }
        else {
            put_digits(static_cast<unsigned>(number));
        }
        return *this;
    }
    Line& operator<<(std::size_t number)
    {
        put_digits(number);
        return *this;
    }

private:
    // Division in the number's own width: a 32-bit machine needs no 64-bit helpers.
    template <std::unsigned_integral Number> void put_digits(Number number)
    {
        std::array<char, 24> digits{};  // more than the 20 digits of 2^64 - 1
        auto* first = digits.end();
        do {
            *--first = static_cast<char>('0' + number % 10U);
            number /= 10U;
        } while (number != 0U);
        *this << std::string_view{first, digits.end()};
    }

    void put(char c)
    {
        if (used_ == buffer_.size()) {
            flush();
        }
        buffer_[used_++] = c;
    }

    void flush()
    {
        static_cast<void>(std::fwrite(buffer_.data(), 1, used_, stream_));
        used_ = 0;
    }

    std::FILE* stream_;
    std::array<char, 256> buffer_{};
    std::size_t used_ = 0;
};

// The steps of the program that report, as the lines name them.
constexpr std::string_view loader = "read_file_info";
constexpr std::string_view resolver = "get_ip_by_domain";
constexpr std::string_view front_end = "main";

// Both deliveries word a failed send alike (the Unix-domain one says "udp"
// too: callers already match on it); only the line number tells them apart.
void send_failed(int number, int descriptor, int error)
{
    Line{stdout}.note(number, front_end)
        << "send udp data failed! fd : " << descriptor << ", errno : " << error
        << ", msg : " << std::strerror(error) << '.';
}

}  // namespace

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

void file_argument_null() { Line{stdout}.error(28, loader) << "the argument point is NULL!"; }

void file_open_failed(std::string_view path, int error)
{
    Line{stdout}.error(37, loader) << "fopen " << Echo{path} << " failed! errno : " << error
                                   << ", msg : " << std::strerror(error) << '.';
}

void file_read_failed(int error)
{
    Line{stdout}.error(43, loader) << "fread failed! errno : " << error << ", msg : " << std::strerror(error)
                                   << '.';
}

void resolve_argument_null() { Line{stdout}.error(64, resolver) << "the argument point is NULL!"; }

// The resolver reports through its own error code (h_errno's codes), so that
// code and its text are printed under the errno words: errno says nothing
// about a failed lookup.
void resolve_failed(std::string_view domain, int resolver_error)
{
    Line{stdout}.error(75, resolver) << "get ip failed by " << Echo{domain} << "! errno : " << resolver_error
                                     << ", msg : " << hstrerror(resolver_error) << '.';
}

void unrecognized_option(const char* program, char letter)
{
    Line{stderr} << program << ": unrecognized option: " << letter;
}

void missing_argument(const char* program, char letter)
{
    Line{stderr} << program << ": option requires an argument: " << letter;
}

void ipv4_address_too_long() { Line{stdout}.note(117, front_end) << "ipv4 address' length error!"; }
void domain_too_long() { Line{stdout}.note(126, front_end) << "domain's length error!"; }
void unix_domain_too_long() { Line{stdout}.note(139, front_end) << "unix domain's length error!"; }
void value_too_long() { Line{stdout}.note(148, front_end) << "value's length error!"; }
void file_path_too_long() { Line{stdout}.note(157, front_end) << "value's length error!"; }

void value_file_failed(std::string_view path)
{
    Line{stdout}.error(163, front_end) << "read post log from file failed! file path : " << Echo{path} << '.';
}

void need_address_or_domain() { Line{stdout}.note(183, front_end) << "need ipv4 address or domain!"; }
void need_port() { Line{stdout}.note(187, front_end) << "need udp destination port!"; }
void need_value_udp() { Line{stdout}.note(191, front_end) << "need value!"; }
void resolve_domain_failed() { Line{stdout}.note(199, front_end) << "get ipv4 address by domain failed!"; }

void invalid_ipv4_address(std::string_view address)
{
    Line{stdout}.error(203, front_end) << "invalid ipv4 address! address : " << Echo{address} << '.';
}

void destination(const char* address, std::uint16_t port)
{
    Line{stdout} << "destination address : " << address << ':' << static_cast<int>(port) << '.';
}

void udp_socket_failed(int error)
{
    Line{stdout}.error(207, front_end)
        << "create udp socket failed, errno " << error << ", msg : " << std::strerror(error) << '.';
}

void udp_send_failed(int descriptor, int error) { send_failed(218, descriptor, error); }

void need_value_unix() { Line{stdout}.note(225, front_end) << "need value!"; }

void unix_path_unaddressable(std::string_view path, std::size_t limit)
{
    Line{stdout}.error(229, front_end)
        << "unix domain path too long! at most " << limit << " characters, path : " << Echo{path} << '.';
}

void unix_bind_failed(int error)
{
    Line{stdout}.note(236, front_end)
        << "bind unix domain socket failed, errno : " << error << ", msg : " << std::strerror(error) << '.';
}

void unix_receiver_is_sender(std::string_view path)
{
    Line{stdout}.error(240, front_end)
        << "unix domain path is the sender's own socket! path : " << Echo{path} << '.';
}

void unix_send_failed(int descriptor, int error) { send_failed(244, descriptor, error); }

}  // namespace message
