// The whole program over UDP: command lines in, exact output, status and
// datagrams out, against a real receiver on a free loopback port.

#include "cases.hpp"
#include "machine_hosts.hpp"
#include "manual.hpp"
#include "temporary_directory.hpp"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace e2e {
namespace {

std::string a(std::size_t count) { return std::string(count, 'a'); }

const std::string destination = "destination address : 127.0.0.1:{port}.\n";

class Udp : public testing::Test {
protected:
    Udp()
    {
        write("line", "abc\n");
        write("bare", "abc");
        write("crlf", "abc\r\n");
        write("empty", "");
        write("newline", "\n");
        write("long", a(2000));
        write("binary", std::string("\x01\xff\x80 \t", 5) + std::string(1, '\0') + "after zero\n");
    }

    void write(const std::string& name, const std::string& content)
    {
        std::ofstream{directory_.path() / name, std::ios::binary} << content;
    }

    void run_table(const std::vector<Case>& cases, const RunOptions& options = {})
    {
        for (const auto& c : cases) {
            UdpReceiver receiver;
            const Substitutions substitutions{{"{port}", std::to_string(receiver.port())},
                                              {"{dir}", directory_.path().string()},
                                              {"{argv0}", options.argv0}};
            const auto arguments = expand(c.arguments, substitutions);
            const std::string label = describe(arguments);
            expect_run(run_client_watched(arguments, options, label), c, substitutions, label);
            const auto received = receiver.take();
            if (c.datagram) {
                ASSERT_EQ(received.size(), 1U) << label;
                EXPECT_EQ(received.front(), *c.datagram) << label;
            }
            else {
                EXPECT_TRUE(received.empty()) << label;
            }
        }
    }

    TemporaryDirectory directory_;
};

TEST_F(Udp, SendsTheValueAsOneDatagram)
{
    std::vector<Case> cases{
        {{"-i", "127.0.0.1", "-p", "{port}", "-v", "hello"}, destination, "hello"},
        {{"-i127.0.0.1", "-p{port}", "-vhello"}, destination, "hello"},
        {{"-v", "value first", "-p", "{port}", "-i", "127.0.0.1"}, destination, "value first"},
        {{"-i", "127.0.0.1", "-p", "{port}", "-v", "first", "-v", "second"}, destination, "second"},
        {{"-i", "127.0.0.1", "-p", "{port}", "-v", "tab\there\nnewline"}, destination, "tab\there\nnewline"},
        {{"-i", "127.0.0.1", "-p", "{port}", "-v", a(1023)}, destination, a(1023)},
        // Short forms keep their meaning, and the line shows the text as given.
        {{"-i", "127.1", "-p", "{port}", "-v", "x"}, "destination address : 127.1:{port}.\n", "x"},
        {{"-i", "0x7f.0.0.1", "-p", "{port}", "-v", "x"}, "destination address : 0x7f.0.0.1:{port}.\n", "x"},
        // The port is read leniently, but only a port that fits counts.
        {{"-i", "127.0.0.1", "-p", " +{port}", "-v", "x"}, destination, "x"},
        {{"-i", "127.0.0.1", "-p", "{port}abc", "-v", "x"}, destination, "x"},
        {{"-i", "127.0.0.1", "-p", "70000", "-p", "{port}", "-v", "x"}, destination, "x"},
        // A domain given beside an address is not looked up.
        {{"-d", "localhost", "-i", "127.0.0.1", "-p", "{port}", "-v", "x"}, destination, "x"},
        {{"-d", "127.0.0.1", "-p", "{port}", "-v", "x"}, destination, "x"},
        // A -u path too long to keep leaves the run in UDP mode.
        {{"-u", "/" + a(127), "-i", "127.0.0.1", "-p", "{port}", "-v", "x"},
         "[line:139] [main] unix domain's length error!\n" + destination,
         "x"},
    };
    // A name through the machine's own resolver, where its hosts file has one.
    if (machine_hosts_name("localhost")) {
        cases.push_back({{"-d", "localhost", "-p", "{port}", "-v", "x"}, destination, "x"});
    }
    run_table(cases);
}

TEST_F(Udp, ChecksTheRequestInOrderAndSendsNothingWhenOneFails)
{
    const std::string need_address = "[line:183] [main] need ipv4 address or domain!\n";
    const std::string need_port = "[line:187] [main] need udp destination port!\n";
    const std::string need_value = "[line:191] [main] need value!\n";
    run_table({
        {{}, need_address, {}},
        {{"-p", "{port}", "-v", "x"}, need_address, {}},
        {{"-i", a(32), "-p", "{port}", "-v", "x"},
         "[line:117] [main] ipv4 address' length error!\n" + need_address,
         {}},
        {{"-d", a(128), "-p", "{port}", "-v", "x"},
         "[line:126] [main] domain's length error!\n" + need_address,
         {}},
        {{"-i", "127.0.0.1", "-v", "x"}, need_port, {}},
        {{"-i", "127.0.0.1", "-p", "0", "-v", "x"}, need_port, {}},
        {{"-i", "127.0.0.1", "-p", "http", "-v", "x"}, need_port, {}},
        {{"-i", "127.0.0.1", "-p", "65536", "-v", "x"}, need_port, {}},
        {{"-i", "127.0.0.1", "-p", "70000", "-v", "x"}, need_port, {}},
        {{"-i", "127.0.0.1", "-p", "-1", "-v", "x"}, need_port, {}},
        {{"-i", "127.0.0.1", "-p", "99999999999999999999", "-v", "x"}, need_port, {}},
        {{"-i", "127.0.0.1", "-p", "{port}"}, need_value, {}},
        {{"-i", "127.0.0.1", "-p", "{port}", "-v", ""}, need_value, {}},
        {{"-i", "127.0.0.1", "-p", "{port}", "-v", a(1024)},
         "[line:148] [main] value's length error!\n" + need_value,
         {}},
        {{"-i", "127.0.0.1", "-p", "{port}", "-v", "kept", "-v", a(1024)},
         "[line:148] [main] value's length error!\n" + destination,
         "kept"},
        // Not an address: refused rather than sent to the broadcast address.
        {{"-i", "localhost", "-p", "{port}", "-v", "x"},
         "[ERROR] [line:203] [main] invalid ipv4 address! address : localhost.\n",
         {}},
        {{"-i", "127.0.0.1 junk", "-p", "{port}", "-v", "x"},
         "[ERROR] [line:203] [main] invalid ipv4 address! address : 127.0.0.1 junk.\n",
         {}},
        {{"-i", a(31), "-p", "{port}", "-v", "x"},
         "[ERROR] [line:203] [main] invalid ipv4 address! address : " + a(31) + ".\n",
         {}},
        // Named outright, a broadcast address is tried and the kernel's refusal reported.
        // Loopback's: the kernel refuses it on every machine, while 255.255.255.255 has
        // no route at all (ENETUNREACH) on one with its network cut.
        {{"-i", "127.255.255.255", "-p", "{port}", "-v", "x"},
         "destination address : 127.255.255.255:{port}.\n"
         "[line:218] [main] send udp data failed! fd : {*}, errno : "
             + error_report("EACCES") + ".\n",
         {}},
    });
}

TEST_F(Udp, ScansOptionsInOrderAndStopsWhereTheyEnd)
{
    const std::string need_value = "[line:191] [main] need value!\n";
    run_table({
        {{"-i", "127.0.0.1", "-p", "{port}", "stray", "-v", "x"}, need_value, {}},
        {{"-i", "127.0.0.1", "-p", "{port}", "-", "-v", "x"}, need_value, {}},
        {{"-i", "127.0.0.1", "-p", "{port}", "--", "-v", "x"}, need_value, {}},
        {{"-i", "127.0.0.1", "-p", "{port}", "-v", "--"}, destination, "--"},
        // -d takes "-p" as its text; the port after it then ends the scan.
        {{"-i", "127.0.0.1", "-d", "-p", "{port}", "-v", "x"},
         "[line:187] [main] need udp destination port!\n",
         {}},
        {{"-x", "-i", "127.0.0.1", "-p", "{port}", "-v", "x"},
         destination,
         "x",
         0,
         "{argv0}: unrecognized option: x\n"},
        {{"-i", "127.0.0.1", "-p", "{port}", "-qv", "x"},
         destination,
         "x",
         0,
         "{argv0}: unrecognized option: q\n"},
        {{"-i", "127.0.0.1", "-p", "{port}", "-v"},
         need_value,
         {},
         0,
         "{argv0}: option requires an argument: v\n"},
    });
    // The complaints name the program exactly as it was invoked.
    RunOptions options;
    options.argv0 = "./path with spaces/sender";
    run_table({{{"-Z", "-i"},
                "[line:183] [main] need ipv4 address or domain!\n",
                {},
                0,
                "{argv0}: unrecognized option: Z\n{argv0}: option requires an argument: i\n"}},
              options);
}

TEST_F(Udp, SendsTheValueOfAFile)
{
    const std::string need_value = "[line:191] [main] need value!\n";
    run_table({
        {{"-i", "127.0.0.1", "-p", "{port}", "-f", "{dir}/line"}, destination, "abc"},
        {{"-i", "127.0.0.1", "-p", "{port}", "-f", "{dir}/bare"}, destination, "abc"},
        {{"-i", "127.0.0.1", "-p", "{port}", "-f", "{dir}/crlf"}, destination, "abc\r"},
        {{"-i", "127.0.0.1", "-p", "{port}", "-f", "{dir}/long"}, destination, a(1023)},
        {{"-i", "127.0.0.1", "-p", "{port}", "-f", "{dir}/binary"}, destination, "\x01\xff\x80 \t"},
        {{"-i", "127.0.0.1", "-p", "{port}", "-v", a(1000), "-f", "{dir}/line"}, destination, "abc"},
        {{"-i", "127.0.0.1", "-p", "{port}", "-f", "{dir}/line", "-v", "later"}, destination, "later"},
        // Nothing to send is never sent as an empty datagram.
        {{"-i", "127.0.0.1", "-p", "{port}", "-f", "{dir}/empty"}, need_value, {}},
        {{"-i", "127.0.0.1", "-p", "{port}", "-f", "{dir}/newline"}, need_value, {}},
        {{"-i", "127.0.0.1", "-p", "{port}", "-f", "/" + a(127)},
         "[line:157] [main] value's length error!\n" + need_value,
         {}},
    });
}

TEST_F(Udp, AFileThatCannotBeLoadedEndsTheRunAtOnce)
{
    run_table({
        {{"-f", "{dir}/missing", "-i", "127.0.0.1", "-p", "{port}", "-v", "x"},
         "[ERROR] [line:37] [read_file_info] fopen {dir}/missing failed! errno : " + error_report("ENOENT")
             + ".\n[ERROR] [line:163] [main] read post log from file failed! file path : {dir}/missing.\n",
         {},
         1},
        {{"-i", "127.0.0.1", "-p", "{port}", "-v", "x", "-f", "{dir}", "-x"},
         "[ERROR] [line:43] [read_file_info] fread failed! errno : " + error_report("EISDIR")
             + ".\n[ERROR] [line:163] [main] read post log from file failed! file path : {dir}.\n",
         {},
         1},
    });
}

// Bytes no message may carry raw: a line end, ESC, DEL, and a backslash that stays.
const std::string odd_bytes = "a\nb\x1b[1m\x7f\\";
const std::string odd_bytes_echoed = "a\\x0ab\\x1b[1m\\x7f\\";

TEST_F(Udp, EchoesOddBytesInTextsEscaped)
{
    run_table({
        // A forged destination line would tell a script that a record left.
        {{"-i", "1\ndestination address : 1:1.", "-p", "{port}", "-v", "x"},
         "[ERROR] [line:203] [main] invalid ipv4 address! address : 1\\x0adestination address : 1:1..\n",
         {}},
        {{"-i", odd_bytes, "-p", "{port}", "-v", "x"},
         "[ERROR] [line:203] [main] invalid ipv4 address! address : " + odd_bytes_echoed + ".\n",
         {}},
        {{"-f", "{dir}/" + odd_bytes, "-i", "127.0.0.1", "-p", "{port}"},
         "[ERROR] [line:37] [read_file_info] fopen {dir}/" + odd_bytes_echoed
             + " failed! errno : " + error_report("ENOENT")
             + ".\n"
               "[ERROR] [line:163] [main] read post log from file failed! file path : {dir}/"
             + odd_bytes_echoed + ".\n",
         {},
         1},
    });
}

// Runs share nothing in UDP mode: many at once all arrive.
TEST_F(Udp, OverlappingRunsLoseNoRecord)
{
    UdpReceiver receiver;
    std::vector<std::string> received;
    const std::string port = std::to_string(receiver.port());
    const auto runs = run_concurrently(8, 100, {"-i", "127.0.0.1", "-p", port}, [&] {
        for (auto& datagram : receiver.take()) {
            received.push_back(std::move(datagram));
        }
    });
    expect_each_record_once(runs, received, "destination address : 127.0.0.1:" + port + ".\n");
}

TEST_F(Udp, SendsWithStandardInputClosed)
{
    RunOptions options;
    options.close_stdin = true;
    run_table({{{"-i", "127.0.0.1", "-p", "{port}", "-v", "no stdin"}, destination, "no stdin"}}, options);
}

// Arguments that make a run print exactly `total` bytes, all before its send
// to the port: refused -i texts (46-byte lines), refused values (40-byte
// lines) and the destination line, whose length the zeros of a hexadecimal
// loopback address adjust.
std::vector<std::string> printing_before_the_send(std::size_t total, const std::string& port)
{
    const std::string ignored_address(32, '1');  // "[line:117] [main] ipv4 address' length error!\n"
    const std::string ignored_value(1024, 'v');  // "[line:148] [main] value's length error!\n"
    const std::size_t destination_rest = std::string("destination address : :.\n").size() + port.size();
    for (std::size_t values = 0; values < 6; ++values) {
        for (std::size_t addresses = 0; 46 * addresses + 40 * values < total; ++addresses) {
            const std::size_t address_length = total - 46 * addresses - 40 * values - destination_rest;
            if (address_length < 10 || address_length > 31) {
                continue;
            }
            std::vector<std::string> arguments;
            for (std::size_t i = 0; i < addresses; ++i) {
                arguments.insert(arguments.end(), {"-i", ignored_address});
            }
            for (std::size_t i = 0; i < values; ++i) {
                arguments.insert(arguments.end(), {"-v", ignored_value});
            }
            const std::string zeros(address_length - 10, '0');
            arguments.insert(arguments.end(), {"-i", "0x" + zeros + "7f.0.0.1", "-p", port, "-v", "x"});
            return arguments;
        }
    }
    throw std::invalid_argument("no arguments print " + std::to_string(total) + " bytes");
}

// stdout holds 1024 bytes in every build: a run that prints no more than
// that before its send writes nothing until it exits, so a reader that has
// gone away (a pipe into a command that ended) kills it only after the
// record has left. A longer output starts to leave before the send.
TEST_F(Udp, HoldsOutputUpTo1024BytesUntilTheRecordHasLeft)
{
    RunOptions options;
    options.unread_stdout = true;
    for (const std::size_t total : {1016U, 1017U, 1024U, 1025U}) {
        UdpReceiver receiver;
        const auto arguments = printing_before_the_send(total, std::to_string(receiver.port()));
        const auto result = run_client(arguments, options);
        EXPECT_EQ(result.status, 128 + SIGPIPE) << total;
        EXPECT_EQ(receiver.take().size(), total <= 1024 ? 1U : 0U) << total << " bytes before the send";
    }
}

// No descriptor is left for the socket: all are taken (RLIMIT_NOFILE at 3).
// A dynamically linked build needs descriptors to load its libraries, so
// there the socket call alone is made to fail, as strace makes it.
TEST_F(Udp, ExitsWithOneWhenNoSocketCanBeMade)
{
    if (has_runner()) {
        GTEST_SKIP() << "an emulator needs descriptors of its own to start the program";
    }
    UdpReceiver receiver;
    const std::string port = std::to_string(receiver.port());
    const std::vector<std::string> arguments{"-i", "127.0.0.1", "-p", port, "-v", "x"};
    RunOptions options;
    options.max_descriptors = 3;  // stdin, stdout and stderr take them all
    options.documented = false;   // not before it is known that the program itself ran
    RunResult result = run_client(arguments, options);
    if (result.err.find("error while loading shared libraries") != std::string::npos) {
        if (std::system("command -v strace >/dev/null") != 0) {
            GTEST_SKIP() << "a dynamically linked build needs a free descriptor to load its libraries, "
                            "and strace is not installed to fail the socket call alone";
        }
        RunOptions injected;
        // LeakSanitizer cannot work under ptrace: a sanitized build leaves leaks to the other runs.
        injected.wrapper = {"sh", "-c",
                            "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" "
                            "exec strace -f -o /dev/null -e inject=socket:error=EMFILE \"$@\"",
                            "strace"};
        result = run_client(arguments, injected);
    }
    else {
        expect_documented(result, "no descriptor left for the socket");
    }
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(matches("destination address : 127.0.0.1:" + port
                            + ".\n[ERROR] [line:207] [main] create udp socket failed, errno "
                            + error_report("EMFILE") + ".\n",
                        result.out))
        << result.out;
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(receiver.take().empty());
}

}  // namespace
}  // namespace e2e
