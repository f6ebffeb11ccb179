// Running the built program as a user would, and receiving what it sends.
//
// The program under test is named by the environment: VEXMOL_CLIENT is the
// executable, VEXMOL_RUNNER an optional command that runs it (an emulator for
// a cross-built executable), words separated by spaces, and
// VEXMOL_ERRNO_PROBE the errno probe built beside it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct RunOptions {
    std::string argv0 = "vexmol_udp_client";
    bool close_stdin = false;
    bool close_stdout = false;
    bool unread_stdout = false;               // stdout a pipe that nobody reads: a write there raises SIGPIPE
    std::optional<unsigned> max_descriptors;  // RLIMIT_NOFILE for the run
    std::vector<std::string> wrapper;         // a command that execs the rest, e.g. to enter a namespace
    bool documented = true;                   // hold the run against the manual page (see manual.hpp)
    std::vector<std::string> runner_options;  // after the runner's own words, e.g. an emulator's options
};

struct RunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs the program with these arguments (argv[0] from the options) and
// waits for it, for at most 20 seconds. Unless the options say otherwise,
// what it printed and its exit status must be as the manual page lists them
// (expect_documented).
RunResult run_client(const std::vector<std::string>& arguments, const RunOptions& options = {});

// One run of many at once: the value it was given to send, and how it went.
struct LoadRun {
    std::string value;
    RunResult result;
};

// How many times fewer runs a load test makes against this build
// (VEXMOL_LOAD_DIVISOR, at least 1): a run under an emulator, Valgrind or the
// sanitizers costs many times a native one, and the full counts would not
// fit the tests' time.
std::size_t load_divisor();

// Runs the program on `workers` threads at once, each `runs` times in a row
// (divided by load_divisor(), at least once), with the arguments followed by
// "-v" and a value of the run's own. Meanwhile `drain` is called about every
// millisecond on a thread of its own, and once more at the end, to read what
// has arrived.
std::vector<LoadRun> run_concurrently(std::size_t workers, std::size_t runs,
                                      const std::vector<std::string>& arguments,
                                      const std::function<void()>& drain);

// Runs the program on `workers` threads at once, each over and over, with the
// arguments followed by "-v" and a value of the run's own, for as long as
// `meanwhile` takes on the calling thread. `drain` is called as by
// run_concurrently.
std::vector<LoadRun> run_busy_while(std::size_t workers, const std::vector<std::string>& arguments,
                                    const std::function<void()>& drain,
                                    const std::function<void()>& meanwhile);

// True when the program runs under an emulator, which owns descriptors of its own.
bool has_runner();

// A run watched by a system call tracer.
struct TracedRun {
    RunResult result;
    std::vector<std::string> memory_calls;  // brk, mmap, mmap2 and mremap, as the tracer wrote them
};

// Runs the program under strace, or under qemu's own -strace when qemu runs
// it, and lists the calls by which it asked the kernel for memory. Nothing
// under any other runner (Valgrind), which makes such calls for itself.
std::optional<TracedRun> run_traced(const std::vector<std::string>& arguments, RunOptions options = {});

// An error as the program's machine and libc number and word it (EADDRINUSE
// is 98 on x86 and Arm, 125 on MIPS), asked of the errno probe.
struct TargetError {
    int number = 0;
    std::string text;
};
const TargetError& target_error(const std::string& name);

// "glibc" or "musl": the libc the program under test is linked with.
const std::string& target_libc();

// Options that run the program in a private mount namespace in which these
// files stand at /etc/hosts and /etc/resolv.conf, so its resolver reads only
// them; nothing when this machine does not permit that (it needs root).
std::optional<RunOptions> private_names(const std::filesystem::path& hosts,
                                        const std::filesystem::path& resolv_conf);

// A daemon of the system (such as /usr/sbin/dnsmasq) run in the foreground
// as a child of the test, its stdout and stderr going to "PID_FILE.out".
// Started, then waited for until the pid file it writes names it (at most
// 10 s, else it throws with what the daemon said); stopped by that pid with
// SIGTERM, SIGKILL after 10 s.
class Daemon {
public:
    Daemon(const std::vector<std::string>& command, const std::filesystem::path& pid_file);
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;
    ~Daemon();

private:
    bool running();
    void stop();

    int pid_ = -1;
    bool ended_ = false;
};

// Whether a test may be skipped because the daemon it needs is not
// installed: outside CI only, where tools/install-deps may not have run.
bool may_skip_missing(const std::filesystem::path& program);

// Matches text against an expectation in which "{*}" stands for any run of
// characters within one line.
bool matches(const std::string& expected, const std::string& text);

// A UDP socket bound to a free port of a loopback address.
class UdpReceiver {
public:
    explicit UdpReceiver(const char* address = "127.0.0.1", std::uint16_t port = 0);
    UdpReceiver(const UdpReceiver&) = delete;
    UdpReceiver& operator=(const UdpReceiver&) = delete;
    ~UdpReceiver();

    [[nodiscard]] std::uint16_t port() const { return port_; }
    // Everything that has arrived so far. The program has exited by then, and
    // loopback delivery is done when its send returns, so there is no waiting.
    [[nodiscard]] std::vector<std::string> take() const;

private:
    int descriptor_ = -1;
    std::uint16_t port_ = 0;
};

struct UnixDatagram {
    std::string bytes;
    std::string sender;  // the path the sending socket was bound to
};

// A Unix-domain datagram socket bound to a path.
class UnixReceiver {
public:
    explicit UnixReceiver(std::filesystem::path path);
    UnixReceiver(const UnixReceiver&) = delete;
    UnixReceiver& operator=(const UnixReceiver&) = delete;
    ~UnixReceiver();

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] std::vector<UnixDatagram> take() const;

private:
    int descriptor_ = -1;
    std::filesystem::path path_;
};

}  // namespace e2e
