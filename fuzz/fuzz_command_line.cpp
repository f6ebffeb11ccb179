// Fuzzes the front end: the option scan, then the checks, with the value-file
// loader and the resolver replaced by fakes that the input drives. Everything
// printed to stdout is kept and checked: one line per message, whatever bytes
// the arguments hold.
//
// Input: [mode][argv[0] \0 argv[1] \0 ...][0xFF][value file content]
//   mode bits 0-1: loader   0, 1 load the content; 2 cannot open; 3 fails mid-read
//   mode bits 2-3: resolver 0 "127.0.0.1"; 1 "255.255.255.255" (longest); 2, 3 fail
// Without a 0xFF byte the value file is empty; with no words at all argc is 0,
// as execve allows.

#include "ipv4_address.hpp"
#include "messages.hpp"
#include "request.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/un.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace {

// libFuzzer and the sanitizers keep the real stderr; ours goes here.
std::FILE* report = nullptr;

[[noreturn]] void fail(const char* condition, int line)
{
    std::fprintf(report, "fuzz_command_line.cpp:%d: check failed: %s\n", line, condition);
    std::abort();
}

#define FUZZ_CHECK(condition) ((condition) ? static_cast<void>(0) : fail(#condition, __LINE__))

constexpr std::size_t max_arguments = 64;
constexpr std::uint8_t content_marker = 0xFF;
// From the system header, not from the program: the bound it must respect.
constexpr std::size_t sun_path_capacity = sizeof(sockaddr_un{}.sun_path);

enum class LoaderMode : std::uint8_t { load, cannot_open, read_fails };
enum class ResolverMode : std::uint8_t { loopback, longest, fails };

// Function pointers carry no state, so the fakes read theirs from here.
struct Run {
    LoaderMode loader = LoaderMode::load;
    ResolverMode resolver = ResolverMode::loopback;
    std::span<const std::uint8_t> file_content;
    const PostRequest* request = nullptr;
    bool load_failed = false;
    bool resolver_called = false;
};
Run run;

bool terminated(std::span<const char> field)
{
    return std::find(field.begin(), field.end(), '\0') != field.end();
}

// A fread of the file into the freshly cleared field, as the real loader does.
ResultCode fake_load(const char* path, ValueField value)
{
    FUZZ_CHECK(path == run.request->file_path.data());
    FUZZ_CHECK(terminated(run.request->file_path));
    FUZZ_CHECK(value.data() == run.request->value.data());
    if (run.loader == LoaderMode::cannot_open) {
        message::file_open_failed(path, ENOENT);
        run.load_failed = true;
        return ResultCode::open_failed;  // the real loader leaves the value alone here
    }
    std::fill(value.begin(), value.end(), '\0');
    // A read that fails has filled less than the whole field.
    const std::size_t room = run.loader == LoaderMode::read_fails ? value.size() - 1 : value.size();
    const std::size_t count = std::min(run.file_content.size(), room);
    std::copy_n(run.file_content.begin(), count, value.begin());
    if (run.loader == LoaderMode::read_fails) {
        run.load_failed = true;
        return ResultCode::read_failed;
    }
    return ResultCode::success;
}

ResultCode fake_resolve(const char* domain, IPv4AddressField address)
{
    run.resolver_called = true;
    FUZZ_CHECK(domain == run.request->domain.data());
    FUZZ_CHECK(domain[0] != '\0');  // never asked to resolve nothing
    FUZZ_CHECK(is_empty(address));  // a given address is never replaced
    switch (run.resolver) {
    case ResolverMode::loopback:
        FUZZ_CHECK(store_text(address, "127.0.0.1"));
        return ResultCode::success;
    case ResolverMode::longest:
        FUZZ_CHECK(store_text(address, "255.255.255.255"));
        return ResultCode::success;
    case ResolverMode::fails:
        break;
    }
    message::resolve_failed(domain, 1);
    return ResultCode::failure;
}

// strtol's reading of the text, with everything outside 0..65535 as 0.
std::uint16_t reference_port(const char* text)
{
    errno = 0;
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (errno == ERANGE || number < 0 || number > 65535) {
        return 0;
    }
    return static_cast<std::uint16_t>(number);
}

// The program's address parser reads what glibc's inet_aton reads, except
// that glibc also takes anything after a white-space character.
void check_address_parser(const char* text)
{
    in_addr libc_address{};
    const bool libc_accepts = inet_aton(text, &libc_address) != 0;
    const std::optional<in_addr> address = parse_ipv4_address(text);
    if (address) {
        FUZZ_CHECK(libc_accepts && address->s_addr == libc_address.s_addr);
    }
    else if (libc_accepts) {
        FUZZ_CHECK(std::strpbrk(text, " \t\n\v\f\r") != nullptr);
    }
}

void check_fields(const PostRequest& request)
{
    FUZZ_CHECK(terminated(request.ipv4_address));
    FUZZ_CHECK(terminated(request.domain));
    FUZZ_CHECK(terminated(request.unix_domain));
    FUZZ_CHECK(terminated(request.value));
    FUZZ_CHECK(terminated(request.file_path));
    FUZZ_CHECK(request.value_len <= max_value_length);
}

// Sending value_len bytes must send the whole value and nothing past it.
void check_value_length(const PostRequest& request)
{
    FUZZ_CHECK(request.value_len == ::strnlen(request.value.data(), request.value.size()));
}

void check_delivery(const PostRequest& request, const Delivery& delivery)
{
    switch (delivery.mode) {
    case Delivery::Mode::udp: {
        FUZZ_CHECK(request.port != 0);
        FUZZ_CHECK(!is_empty(request.ipv4_address));
        in_addr address{};
        FUZZ_CHECK(inet_aton(request.ipv4_address.data(), &address) != 0);
        // The address handed on is the one the text names, in network order.
        FUZZ_CHECK(delivery.udp_destination.sin_family == AF_INET);
        FUZZ_CHECK(delivery.udp_destination.sin_addr.s_addr == address.s_addr);
        FUZZ_CHECK(delivery.udp_destination.sin_port == htons(request.port));
        FUZZ_CHECK(request.value_len > 0);
        FUZZ_CHECK(!run.resolver_called || run.resolver != ResolverMode::fails);
        break;
    }
    case Delivery::Mode::unix_domain:
        FUZZ_CHECK(!is_empty(request.unix_domain));
        FUZZ_CHECK(std::strlen(request.unix_domain.data()) < sun_path_capacity);
        FUZZ_CHECK(delivery.unix_receiver.sun_family == AF_UNIX);
        FUZZ_CHECK(std::strcmp(delivery.unix_receiver.sun_path, request.unix_domain.data()) == 0);
        FUZZ_CHECK(request.value_len > 0);
        FUZZ_CHECK(!run.resolver_called);
        break;
    case Delivery::Mode::none:
        return;
    }
    // The bytes handed on are exactly the value.
    FUZZ_CHECK(delivery.value.data() == request.value.data());
    FUZZ_CHECK(delivery.value.size() == request.value_len);
}

// Each message is one line: no byte below 0x20 but the line end, and no DEL,
// may reach the output, whatever the arguments held.
void check_printed(std::span<const char> printed)
{
    for (const char c : printed) {
        const auto byte = static_cast<unsigned char>(c);
        FUZZ_CHECK(byte == '\n' || (byte >= 0x20 && byte != 0x7f));
    }
    FUZZ_CHECK(printed.empty() || printed.back() == '\n');
}

// The program's stdout for one input, in memory.
std::array<char, 1U << 17U> printed_buffer;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    // Swapping the stream pointers rather than the descriptors keeps
    // libFuzzer's own output and the sanitizer reports visible.
    report = stderr;
    std::FILE* quiet = std::fopen("/dev/null", "w");
    if (quiet == nullptr) {
        std::abort();
    }
    stderr = quiet;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::span<const std::uint8_t> input{data, size};
    const std::uint8_t mode = input[0];
    const auto rest = input.subspan(1);
    const auto marker = std::find(rest.begin(), rest.end(), content_marker);
    const std::span<const std::uint8_t> words_part{rest.begin(), marker};

    run = Run{};
    run.loader = std::array{LoaderMode::load, LoaderMode::load, LoaderMode::cannot_open,
                            LoaderMode::read_fails}[mode & 3U];
    run.resolver = std::array{ResolverMode::loopback, ResolverMode::longest, ResolverMode::fails,
                              ResolverMode::fails}[(mode >> 2U) & 3U];
    if (marker != rest.end()) {
        run.file_content = std::span<const std::uint8_t>{marker + 1, rest.end()};
    }

    // Each argument in its own exact-size allocation and the argument array
    // exactly argc long, so reading past either is a heap overflow ASan reports.
    std::vector<std::unique_ptr<char[]>> words;
    for (auto begin = words_part.begin(); !words_part.empty() && words.size() < max_arguments;) {
        const auto end = std::find(begin, words_part.end(), std::uint8_t{0});
        const auto length = static_cast<std::size_t>(end - begin);
        auto word = std::make_unique<char[]>(length + 1);
        std::copy(begin, end, word.get());
        words.push_back(std::move(word));
        if (end == words_part.end()) {
            break;
        }
        begin = end + 1;
    }
    const auto argv = std::make_unique<char*[]>(words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        argv[i] = words[i].get();
    }

    std::FILE* const saved_stdout = stdout;
    stdout = fmemopen(printed_buffer.data(), printed_buffer.size(), "w");
    FUZZ_CHECK(stdout != nullptr);

    const auto request = std::make_unique<PostRequest>();
    run.request = request.get();
    const ScanOutcome outcome =
        scan_command_line(std::span<char* const>{argv.get(), words.size()}, *request, fake_load);
    check_fields(*request);
    check_value_length(*request);
    if (outcome == ScanOutcome::complete) {
        const Delivery delivery = check_request(*request, fake_resolve);
        check_fields(*request);
        check_value_length(*request);
        check_delivery(*request, delivery);
    }
    else {
        // Only a failed load ends the scan early, and leaves no value behind.
        FUZZ_CHECK(run.load_failed);
        FUZZ_CHECK(is_empty(request->value));
    }

    FUZZ_CHECK(std::fflush(stdout) == 0);
    const long printed = std::ftell(stdout);
    FUZZ_CHECK(printed >= 0 && static_cast<std::size_t>(printed) < printed_buffer.size());
    std::fclose(stdout);
    stdout = saved_stdout;
    check_printed(std::span{printed_buffer}.first(static_cast<std::size_t>(printed)));

    // Any argument may be a port or an address, whole or after an option
    // letter ("-p80", "-i127.1").
    for (std::size_t i = 1; i < words.size(); ++i) {
        const char* text = words[i].get();
        FUZZ_CHECK(parse_port(text) == reference_port(text));
        check_address_parser(text);
        if (text[0] != '\0' && text[1] != '\0') {
            FUZZ_CHECK(parse_port(text + 2) == reference_port(text + 2));
            check_address_parser(text + 2);
        }
    }
    return 0;
}
