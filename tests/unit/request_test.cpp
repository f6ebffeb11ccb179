// The option scan and the checks, with the loader and the resolver replaced
// by stand-ins so that every branch can be reached without files or network.

#include "request.hpp"
#include "unix_address.hpp"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// An argument vector the scan may keep pointers into for as long as the test runs.
class Arguments {
public:
    Arguments(std::initializer_list<std::string> words) : words_(words)
    {
        for (auto& word : words_) {
            pointers_.push_back(word.data());
        }
    }
    [[nodiscard]] std::span<char* const> span() const { return pointers_; }

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

std::string repeated(std::size_t count, char c = 'a') { return std::string(count, c); }

// The loader stand-in: "good*" files hold "from file\n", anything else fails.
int load_calls = 0;
ResultCode fake_load(const char* path, ValueField value)
{
    ++load_calls;
    if (std::strncmp(path, "good", 4) != 0) {
        return ResultCode::open_failed;
    }
    std::fill(value.begin(), value.end(), '\0');
    std::memcpy(value.data(), "from file\n", 10);
    return ResultCode::success;
}

struct Scanned {
    ScanOutcome outcome;
    PostRequest request;
    std::string output;
};

Scanned scan(std::initializer_list<std::string> words)
{
    const Arguments arguments{words};
    Scanned result{ScanOutcome::complete, {}, {}};
    CaptureStdout();
    result.outcome = scan_command_line(arguments.span(), result.request, fake_load);
    result.output = GetCapturedStdout();
    return result;
}

std::string text(std::span<const char> field) { return std::string{text_of(field)}; }

TEST(ParsePort, ReadsLenientlyAndRefusesWhatDoesNotFit)
{
    const struct {
        const char* text;
        std::uint16_t port;
    } cases[] = {
        {"80", 80},
        {" +80", 80},
        {"\t\n\v\f\r 443", 443},
        {"80abc", 80},
        {"00080", 80},
        {"", 0},
        {"abc", 0},
        {"+", 0},
        {"- 1", 0},
        {"+-1", 0},
        {"0", 0},
        {"-0", 0},
        {"1", 1},
        {"65535", 65535},
        {"65536", 0},
        {"70000", 0},
        {"-1", 0},
        {"-65535", 0},
        {"4294967376", 0},
        {"99999999999999999999999", 0},
        {"65535junk9", 65535},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse_port(c.text), c.port) << '"' << c.text << '"';
    }
}

TEST(Scan, StoresEachOptionInBothForms)
{
    const auto run = scan({"prog", "-i", "127.0.0.1", "-d", "example.test", "-p", "8080", "-v", "hello"});
    EXPECT_EQ(run.outcome, ScanOutcome::complete);
    EXPECT_EQ(text(run.request.ipv4_address), "127.0.0.1");
    EXPECT_EQ(text(run.request.domain), "example.test");
    EXPECT_EQ(run.request.port, 8080);
    EXPECT_EQ(text(run.request.value), "hello");
    EXPECT_EQ(run.request.value_len, 5U);
    EXPECT_EQ(run.output, "");

    const auto attached = scan({"prog", "-i127.0.0.2", "-p9", "-vworld", "-u/tmp/receiver"});
    EXPECT_EQ(text(attached.request.ipv4_address), "127.0.0.2");
    EXPECT_EQ(attached.request.port, 9);
    EXPECT_EQ(text(attached.request.value), "world");
    EXPECT_EQ(text(attached.request.unix_domain), "/tmp/receiver");
}

TEST(Scan, TakesTheNextArgumentWhateverItHolds)
{
    const auto run = scan({"prog", "-d", "-p", "-i", "-v", "-v", "--", "-p", "7"});
    EXPECT_EQ(text(run.request.domain), "-p");
    EXPECT_EQ(text(run.request.ipv4_address), "-v");
    // -v took "--" as its text, so the scan went on to the last -p.
    EXPECT_EQ(text(run.request.value), "--");
    EXPECT_EQ(run.request.port, 7);
}

TEST(Scan, LaterOccurrencesReplaceEarlierOnesCompletely)
{
    const auto run = scan({"prog", "-v", "a longer first value", "-v", "second", "-i", "127.0.0.100", "-i",
                           "10.0.0.1", "-u", "/tmp/x", "-u", ""});
    EXPECT_EQ(text(run.request.value), "second");
    EXPECT_EQ(run.request.value_len, 6U);
    EXPECT_EQ(text(run.request.ipv4_address), "10.0.0.1");
    EXPECT_TRUE(is_empty(run.request.unix_domain));
    // No stale bytes of an earlier, longer text survive behind the terminator.
    for (std::size_t i = 6; i < run.request.value.size(); ++i) {
        ASSERT_EQ(run.request.value[i], '\0') << i;
    }
}

TEST(Scan, StopsWhereOptionsEnd)
{
    const struct {
        std::initializer_list<std::string> words;
        const char* value;
    } cases[] = {
        {{"prog", "-v", "kept", "stray", "-v", "ignored"}, "kept"},
        {{"prog", "-v", "kept", "-", "-v", "ignored"}, "kept"},
        {{"prog", "-v", "kept", "--", "-v", "ignored"}, "kept"},
        {{"prog", "stray", "-v", "ignored"}, ""},
        {{"prog"}, ""},
    };
    for (const auto& c : cases) {
        const auto run = scan(c.words);
        EXPECT_EQ(run.outcome, ScanOutcome::complete);
        EXPECT_EQ(text(run.request.value), c.value);
    }
}

TEST(Scan, AcceptsTextsThatFitAndReportsTheRest)
{
    const struct {
        char option;
        std::size_t limit;
        const char* message;
    } options[] = {
        {'i', 31, "[line:117] [main] ipv4 address' length error!\n"},
        {'d', 127, "[line:126] [main] domain's length error!\n"},
        {'u', 127, "[line:139] [main] unix domain's length error!\n"},
        {'v', 1023, "[line:148] [main] value's length error!\n"},
        {'f', 127, "[line:157] [main] value's length error!\n"},
    };
    for (const auto& o : options) {
        const std::string flag{'-', o.option};
        const auto field_of = [&](const PostRequest& request) {
            switch (o.option) {
            case 'i':
                return text(request.ipv4_address);
            case 'd':
                return text(request.domain);
            case 'u':
                return text(request.unix_domain);
            case 'v':
                return text(request.value);
            default:
                return text(request.file_path);
            }
        };
        // A path to the good stand-in file, padded to the length under test.
        const auto argument = [&](std::size_t length) {
            return o.option == 'f' ? "good" + repeated(length - 4) : repeated(length);
        };
        const auto fits = scan({"prog", flag, argument(o.limit)});
        EXPECT_EQ(fits.output, "") << flag;
        EXPECT_EQ(field_of(fits.request), argument(o.limit)) << flag;

        // Too long: reported, and the earlier text stays.
        load_calls = 0;
        const auto too_long = scan({"prog", flag, argument(3 + 1), flag, argument(o.limit + 1)});
        EXPECT_EQ(too_long.output, o.message) << flag;
        EXPECT_EQ(field_of(too_long.request), argument(4)) << flag;
        if (o.option == 'f') {
            EXPECT_EQ(load_calls, 1) << "a refused path is never opened";
        }
    }
    const auto value = scan({"prog", "-v", repeated(1023)});
    EXPECT_EQ(value.request.value_len, 1023U);
    const auto refused = scan({"prog", "-v", repeated(1024)});
    EXPECT_EQ(refused.request.value_len, 0U);
    EXPECT_TRUE(is_empty(refused.request.value));
}

TEST(Scan, ValueFromAFileReplacesAndIsReplaced)
{
    const auto from_file = scan({"prog", "-v", "a much longer value from the line", "-f", "good"});
    EXPECT_EQ(from_file.outcome, ScanOutcome::complete);
    EXPECT_EQ(text(from_file.request.file_path), "good");
    EXPECT_EQ(text(from_file.request.value), "from file");
    EXPECT_EQ(from_file.request.value_len, 9U);

    const auto then_line = scan({"prog", "-f", "good", "-v", "xy"});
    EXPECT_EQ(text(then_line.request.value), "xy");
    EXPECT_EQ(then_line.request.value_len, 2U);
}

TEST(Scan, AFileThatCannotBeLoadedEndsTheScan)
{
    const auto run =
        scan({"prog", "-v", "earlier", "-f", "missing", "-i", "127.0.0.1", "-p", "9", "-v", "late"});
    EXPECT_EQ(run.outcome, ScanOutcome::value_file_failed);
    EXPECT_EQ(run.output, "[ERROR] [line:163] [main] read post log from file failed! file path : missing.\n");
    EXPECT_TRUE(is_empty(run.request.ipv4_address));
    EXPECT_TRUE(is_empty(run.request.value));
    EXPECT_EQ(run.request.value_len, 0U);
}

TEST(Scan, ComplainsOnStderrAboutBadOptionsAndGoesOn)
{
    const Arguments arguments{"./my sender", "-x", "-Yvvalue", "-:", "-p", "7", "-i"};
    PostRequest request{};
    testing::internal::CaptureStderr();
    EXPECT_EQ(scan_command_line(arguments.span(), request, fake_load), ScanOutcome::complete);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "./my sender: unrecognized option: x\n"
                                                      "./my sender: unrecognized option: Y\n"
                                                      "./my sender: unrecognized option: :\n"
                                                      "./my sender: option requires an argument: i\n");
    EXPECT_EQ(text(request.value), "value");
    EXPECT_EQ(request.port, 7);

    // An empty argument vector has no name to give; the scan still stays inside it.
    PostRequest empty{};
    EXPECT_EQ(scan_command_line({}, empty, fake_load), ScanOutcome::complete);
}

// The resolver stand-in: "*.test" names resolve to 127.0.0.2, others fail.
int resolve_calls = 0;
ResultCode fake_resolve(const char* domain, IPv4AddressField address)
{
    ++resolve_calls;
    const std::string_view name{domain};
    if (!name.ends_with(".test")) {
        return ResultCode::failure;
    }
    static_cast<void>(store_text(address, "127.0.0.2"));
    return ResultCode::success;
}

using Mode = Delivery::Mode;

struct Request {
    const char* ipv4_address = "";
    const char* domain = "";
    std::uint16_t port = 0;
    std::string unix_domain{};
    const char* value = "";
};

TEST(Checks, RunInTheirOrderAndStopAtTheFirstThatFails)
{
    const std::string longest_path = "/" + repeated(unix_path_limit - 1);
    const struct {
        Request request;
        Mode mode;
        std::string output;
        int lookups;
        std::string where{};  // the UDP destination handed on
    } cases[] = {
        {{}, Mode::none, "[line:183] [main] need ipv4 address or domain!\n", 0},
        {{.ipv4_address = "127.0.0.1"}, Mode::none, "[line:187] [main] need udp destination port!\n", 0},
        {{.domain = "a.test"}, Mode::none, "[line:187] [main] need udp destination port!\n", 0},
        {{.ipv4_address = "127.0.0.1", .port = 9}, Mode::none, "[line:191] [main] need value!\n", 0},
        {{.domain = "a.test", .port = 9}, Mode::none, "[line:191] [main] need value!\n", 0},
        {{.domain = "nowhere", .port = 9, .value = "v"},
         Mode::none,
         "[line:199] [main] get ipv4 address by domain failed!\n",
         1},
        {{.domain = "a.test", .port = 9, .value = "v"},
         Mode::udp,
         "destination address : 127.0.0.2:9.\n",
         1,
         "127.0.0.2:9"},
        {{.ipv4_address = "127.0.0.1", .domain = "nowhere", .port = 65535, .value = "v"},
         Mode::udp,
         "destination address : 127.0.0.1:65535.\n",
         0,
         "127.0.0.1:65535"},
        {{.ipv4_address = "127.1", .port = 9, .value = "v"},
         Mode::udp,
         "destination address : 127.1:9.\n",
         0,
         "127.0.0.1:9"},
        {{.ipv4_address = "255.255.255.255", .port = 9, .value = "v"},
         Mode::udp,
         "destination address : 255.255.255.255:9.\n",
         0,
         "255.255.255.255:9"},
        {{.ipv4_address = "localhost", .port = 9, .value = "v"},
         Mode::none,
         "[ERROR] [line:203] [main] invalid ipv4 address! address : localhost.\n",
         0},
        {{.ipv4_address = "256.0.0.1", .domain = "a.test", .port = 9, .value = "v"},
         Mode::none,
         "[ERROR] [line:203] [main] invalid ipv4 address! address : 256.0.0.1.\n",
         0},
        {{.unix_domain = "/tmp/r"}, Mode::none, "[line:225] [main] need value!\n", 0},
        {{.ipv4_address = "x", .domain = "nowhere", .unix_domain = "/tmp/r", .value = "v"},
         Mode::unix_domain,
         "",
         0},
        {{.unix_domain = longest_path, .value = "v"}, Mode::unix_domain, "", 0},
        {{.unix_domain = longest_path + "b", .value = "v"},
         Mode::none,
         "[ERROR] [line:229] [main] unix domain path too long! at most 107 characters, path : " + longest_path
             + "b.\n",
         0},
    };
    for (const auto& c : cases) {
        PostRequest request{};
        ASSERT_TRUE(store_text(request.ipv4_address, c.request.ipv4_address));
        ASSERT_TRUE(store_text(request.domain, c.request.domain));
        ASSERT_TRUE(store_text(request.unix_domain, c.request.unix_domain));
        ASSERT_TRUE(store_text(request.value, c.request.value));
        request.value_len = static_cast<std::uint32_t>(std::strlen(c.request.value));
        request.port = c.request.port;

        resolve_calls = 0;
        CaptureStdout();
        const Delivery delivery = check_request(request, fake_resolve);
        EXPECT_EQ(GetCapturedStdout(), c.output);
        EXPECT_EQ(delivery.mode, c.mode) << c.output;
        EXPECT_EQ(resolve_calls, c.lookups) << c.output;
        if (delivery.mode != Mode::none) {
            EXPECT_EQ(std::string(delivery.value.begin(), delivery.value.end()), c.request.value);
        }
        // The address handed on is the finished one: the port in network order,
        // short forms and resolved names read into their four bytes.
        if (delivery.mode == Mode::udp) {
            std::array<char, INET_ADDRSTRLEN> address{};
            ASSERT_NE(inet_ntop(AF_INET, &delivery.udp_destination.sin_addr, address.data(), address.size()),
                      nullptr);
            EXPECT_EQ(delivery.udp_destination.sin_family, AF_INET);
            EXPECT_EQ(std::string(address.data()) + ":"
                          + std::to_string(ntohs(delivery.udp_destination.sin_port)),
                      c.where)
                << c.output;
        }
        if (delivery.mode == Mode::unix_domain) {
            EXPECT_EQ(delivery.unix_receiver.sun_family, AF_UNIX);
            EXPECT_EQ(std::string(delivery.unix_receiver.sun_path), c.request.unix_domain);
        }
    }
}

}  // namespace
