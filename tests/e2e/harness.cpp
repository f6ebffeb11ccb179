#include "harness.hpp"

#include "manual.hpp"
#include "temporary_directory.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <netinet/in.h>

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace e2e {
namespace {

[[noreturn]] void fail(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

std::vector<std::string> runner_words()
{
    std::vector<std::string> words;
    if (const char* runner = std::getenv("VEXMOL_RUNNER")) {
        std::istringstream stream{runner};
        for (std::string word; stream >> word;) {
            words.push_back(word);
        }
    }
    return words;
}

std::string path_from(const char* variable, const char* what)
{
    const char* path = std::getenv(variable);
    if (path == nullptr || *path == '\0') {
        throw std::runtime_error(std::string(variable) + " does not name " + what);
    }
    return path;
}

RunResult run(const std::string& client, const std::vector<std::string>& arguments,
              const RunOptions& options);

}  // namespace

bool has_runner() { return !runner_words().empty(); }

std::size_t load_divisor()
{
    const char* text = std::getenv("VEXMOL_LOAD_DIVISOR");
    const unsigned long divisor = text == nullptr ? 1 : std::strtoul(text, nullptr, 10);
    return std::max<std::size_t>(divisor, 1);
}

RunResult run_client(const std::vector<std::string>& arguments, const RunOptions& options)
{
    RunResult result = run(path_from("VEXMOL_CLIENT", "the program under test"), arguments, options);
    if (options.documented) {
        std::string label = "arguments:";
        for (const auto& argument : arguments) {
            label += " [" + (argument.size() > 40 ? argument.substr(0, 40) + "..." : argument) + "]";
        }
        expect_documented(result, label);
    }
    return result;
}

const TargetError& target_error(const std::string& name)
{
    static const std::map<std::string, TargetError> errors = [] {
        const RunResult result = run(path_from("VEXMOL_ERRNO_PROBE", "the errno probe"), {}, {});
        if (result.status != 0) {
            throw std::runtime_error("the errno probe failed: " + result.err);
        }
        std::map<std::string, TargetError> table;
        std::istringstream lines{result.out};
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields{line};
            std::string error_name;
            TargetError error;
            fields >> error_name >> error.number >> std::ws;
            std::getline(fields, error.text);
            table.emplace(error_name, error);
        }
        return table;
    }();
    const auto found = errors.find(name);
    if (found == errors.end()) {
        throw std::invalid_argument("the errno probe does not know " + name);
    }
    return found->second;
}

namespace {

RunResult run(const std::string& client, const std::vector<std::string>& arguments, const RunOptions& options)
{
    // The command: wrapper, runner, program, arguments. The program's argv[0]
    // is the chosen one when nothing stands before it; an emulator is told it.
    std::vector<std::string> command = options.wrapper;
    std::vector<std::string> runner = runner_words();
    if (!runner.empty()) {
        runner.insert(runner.end(), options.runner_options.begin(), options.runner_options.end());
    }
    command.insert(command.end(), runner.begin(), runner.end());
    const bool direct = command.empty();
    command.push_back(direct ? options.argv0 : client);
    command.insert(command.end(), arguments.begin(), arguments.end());
    const std::string executable = direct ? client : command.front();

    std::vector<char*> argv;
    for (auto& word : command) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    std::array<int, 2> out{};
    std::array<int, 2> err{};
    if (::pipe2(out.data(), O_CLOEXEC) != 0 || ::pipe2(err.data(), O_CLOEXEC) != 0) {
        fail("pipe2");
    }
    if (options.unread_stdout) {
        ::close(out[0]);  // before the program can write
        out[0] = -1;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        fail("fork");
    }
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        if (options.close_stdin) {
            ::close(STDIN_FILENO);
        }
        if (options.close_stdout) {
            ::close(STDOUT_FILENO);
        }
        if (options.max_descriptors) {
            const rlimit limit{*options.max_descriptors, *options.max_descriptors};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
        if (!runner.empty()) {
            ::setenv("QEMU_ARGV0", options.argv0.c_str(), 1);
        }
        if (direct) {
            ::execv(executable.c_str(), argv.data());
        }
        else {
            ::execvp(executable.c_str(), argv.data());
        }
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);

    RunResult result;
    std::array<pollfd, 2> streams{{{out[0], POLLIN, 0}, {err[0], POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&result.out, &result.err};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int open_streams = options.unread_stdout ? 1 : 2;
    while (open_streams > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(child, SIGKILL);
            break;
        }
        if (::poll(streams.data(), streams.size(), static_cast<int>(left.count())) < 0 && errno != EINTR) {
            fail("poll");
        }
        for (std::size_t i = 0; i < streams.size(); ++i) {
            if (streams[i].fd < 0 || streams[i].revents == 0) {
                continue;
            }
            std::array<char, 4096> buffer{};
            const ssize_t count = ::read(streams[i].fd, buffer.data(), buffer.size());
            if (count > 0) {
                sinks[i]->append(buffer.data(), static_cast<std::size_t>(count));
            }
            else {
                ::close(streams[i].fd);
                streams[i].fd = -1;
                --open_streams;
            }
        }
    }
    for (const auto& stream : streams) {
        if (stream.fd >= 0) {
            ::close(stream.fd);
        }
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            fail("waitpid");
        }
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace

namespace {

// Calls `body` while `drain` is called about every millisecond on a thread of
// its own; once more after.
void draining(const std::function<void()>& drain, const std::function<void()>& body)
{
    std::atomic<bool> done{false};
    std::thread reader{[&] {
        while (!done) {
            drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }};
    body();
    done = true;
    reader.join();
    drain();
}

void run_with_value(const std::vector<std::string>& arguments, LoadRun& run)
{
    auto words = arguments;
    words.insert(words.end(), {"-v", run.value});
    run.result = run_client(words);
}

}  // namespace

std::vector<LoadRun> run_concurrently(std::size_t workers, std::size_t runs,
                                      const std::vector<std::string>& arguments,
                                      const std::function<void()>& drain)
{
    runs = std::max<std::size_t>(runs / load_divisor(), 1);
    std::vector<LoadRun> all(workers * runs);
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i].value = "w" + std::to_string(i / runs) + " r" + std::to_string(i % runs);
    }
    draining(drain, [&] {
        std::vector<std::thread> threads;
        for (std::size_t worker = 0; worker < workers; ++worker) {
            threads.emplace_back([&, worker] {
                for (std::size_t run = 0; run < runs; ++run) {
                    run_with_value(arguments, all[worker * runs + run]);
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
    });
    return all;
}

std::vector<LoadRun> run_busy_while(std::size_t workers, const std::vector<std::string>& arguments,
                                    const std::function<void()>& drain,
                                    const std::function<void()>& meanwhile)
{
    std::vector<std::vector<LoadRun>> runs(workers);
    draining(drain, [&] {
        std::atomic<bool> done{false};
        std::vector<std::thread> threads;
        for (std::size_t worker = 0; worker < workers; ++worker) {
            threads.emplace_back([&, worker] {
                while (!done) {
                    auto& run = runs[worker].emplace_back();
                    run.value =
                        "busy w" + std::to_string(worker) + " r" + std::to_string(runs[worker].size());
                    run_with_value(arguments, run);
                }
            });
        }
        meanwhile();
        done = true;
        for (auto& thread : threads) {
            thread.join();
        }
    });
    std::vector<LoadRun> all;
    for (auto& worker_runs : runs) {
        all.insert(all.end(), worker_runs.begin(), worker_runs.end());
    }
    return all;
}

const std::string& target_libc() { return target_error("LIBC").text; }

std::optional<TracedRun> run_traced(const std::vector<std::string>& arguments, RunOptions options)
{
    const std::vector<std::string> runner = runner_words();
    const TemporaryDirectory directory;
    const std::string trace = (directory.path() / "trace").string();
    if (runner.empty()) {
        // bash gives the program the argv[0] it would have had; its own calls come before the program's
        // execve.
        options.wrapper.insert(options.wrapper.end(), {"strace", "-qq", "-o", trace, "bash", "-c",
                                                       "exec -a \"$0\" \"$@\"", options.argv0});
    }
    else if (std::filesystem::path{runner.front()}.filename().string().starts_with("qemu-")) {
        options.runner_options.insert(options.runner_options.end(), {"-strace", "-D", trace});
    }
    else {
        return std::nullopt;
    }
    TracedRun traced{run_client(arguments, options), {}};
    std::ifstream lines{trace};
    bool ended = false;
    for (std::string line; std::getline(lines, line);) {
        // "[PID ]name(arguments) = result" from both tracers.
        const std::size_t name = line.find_first_not_of("0123456789 ");
        const std::size_t call = line.find('(');
        if (name == std::string::npos || call == std::string::npos || name >= call) {
            continue;
        }
        const std::string called = line.substr(name, call - name);
        if (called == "execve") {
            traced.memory_calls.clear();  // what ran before the program
        }
        if (called == "brk" || called == "mmap" || called == "mmap2" || called == "mremap") {
            traced.memory_calls.push_back(line);
        }
        ended = ended || called == "exit_group";
    }
    if (!ended) {
        throw std::runtime_error("the tracer saw no whole run (" + trace + "): " + traced.result.err);
    }
    return traced;
}

std::optional<RunOptions> private_names(const std::filesystem::path& hosts,
                                        const std::filesystem::path& resolv_conf)
{
    RunOptions options;
    options.wrapper = {"unshare",
                       "--mount",
                       "--",
                       "sh",
                       "-c",
                       "mount --bind \"$0\" /etc/hosts && mount --bind \"$1\" /etc/resolv.conf && shift "
                       "&& exec \"$@\"",
                       hosts.string(),
                       resolv_conf.string()};
    // The same wrapper around a harmless command tells whether this machine allows it.
    std::vector<std::string> probe = options.wrapper;
    probe.emplace_back("true");
    std::string command;
    for (const auto& word : probe) {
        command += "'" + word + "' ";
    }
    if (std::system((command + ">/dev/null 2>&1").c_str()) != 0) {
        return std::nullopt;
    }
    return options;
}

Daemon::Daemon(const std::vector<std::string>& command, const std::filesystem::path& pid_file)
{
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const std::string output = pid_file.string() + ".out";
    pid_ = ::fork();
    if (pid_ < 0) {
        fail("fork");
    }
    if (pid_ == 0) {
        const int log = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(log, STDOUT_FILENO);
        ::dup2(log, STDERR_FILENO);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlives a test that crashed
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (running() && std::chrono::steady_clock::now() < deadline) {
        int written = -1;
        if (std::ifstream{pid_file} >> written && written == pid_) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    stop();
    std::ostringstream said;
    said << std::ifstream{output}.rdbuf();
    throw std::runtime_error(argv[0] + std::string(" did not start: ") + said.str());
}

Daemon::~Daemon() { stop(); }

void Daemon::stop()
{
    if (!running()) {
        return;
    }
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool Daemon::running()
{
    ended_ = ended_ || ::waitpid(pid_, nullptr, WNOHANG) != 0;
    return !ended_;
}

bool may_skip_missing(const std::filesystem::path& program)
{
    const char* ci = std::getenv("CI");
    return !std::filesystem::exists(program) && (ci == nullptr || std::string(ci) != "true");
}

bool matches(const std::string& expected, const std::string& text)
{
    static const std::string any = "{*}";
    const std::size_t wildcard = expected.find(any);
    if (wildcard == std::string::npos) {
        return expected == text;
    }
    if (text.compare(0, wildcard, expected, 0, wildcard) != 0) {
        return false;
    }
    const std::string rest = expected.substr(wildcard + any.size());
    for (std::size_t end = wildcard; end <= text.size(); ++end) {
        if (matches(rest, text.substr(end))) {
            return true;
        }
        if (end < text.size() && text[end] == '\n') {
            break;
        }
    }
    return false;
}

UdpReceiver::UdpReceiver(const char* address, std::uint16_t port)
{
    descriptor_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (descriptor_ < 0) {
        fail("socket");
    }
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(port);
    if (::inet_pton(AF_INET, address, &bound.sin_addr) != 1) {
        throw std::invalid_argument(address);
    }
    socklen_t length = sizeof bound;
    if (::bind(descriptor_, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0
        || ::getsockname(descriptor_, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        fail(std::string("bind ") + address);
    }
    port_ = ntohs(bound.sin_port);
}

UdpReceiver::~UdpReceiver() { ::close(descriptor_); }

std::vector<std::string> UdpReceiver::take() const
{
    std::vector<std::string> datagrams;
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t count = ::recv(descriptor_, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (count < 0) {
            break;
        }
        datagrams.emplace_back(buffer.data(), static_cast<std::size_t>(count));
    }
    return datagrams;
}

UnixReceiver::UnixReceiver(std::filesystem::path path) : path_(std::move(path))
{
    descriptor_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (descriptor_ < 0) {
        fail("socket");
    }
    sockaddr_un bound{};
    bound.sun_family = AF_UNIX;
    const std::string text = path_.string();
    if (text.size() >= sizeof bound.sun_path) {
        throw std::invalid_argument("receiver path too long: " + text);
    }
    std::memcpy(bound.sun_path, text.c_str(), text.size() + 1);
    if (::bind(descriptor_, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0) {
        fail("bind " + text);
    }
}

UnixReceiver::~UnixReceiver()
{
    ::close(descriptor_);
    ::unlink(path_.c_str());
}

std::vector<UnixDatagram> UnixReceiver::take() const
{
    std::vector<UnixDatagram> datagrams;
    std::array<char, 65536> buffer{};
    for (;;) {
        sockaddr_un sender{};
        socklen_t length = sizeof sender;
        const ssize_t count = ::recvfrom(descriptor_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                         reinterpret_cast<sockaddr*>(&sender), &length);
        if (count < 0) {
            break;
        }
        const std::size_t path_length = length > sizeof(sa_family_t) ? length - sizeof(sa_family_t) : 0;
        datagrams.push_back({std::string(buffer.data(), static_cast<std::size_t>(count)),
                             std::string(sender.sun_path, ::strnlen(sender.sun_path, path_length))});
    }
    return datagrams;
}

}  // namespace e2e
