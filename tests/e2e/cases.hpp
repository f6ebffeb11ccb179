// One row of an end-to-end table: what the program is given and everything
// it must do in return.
#pragma once

#include "harness.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct Case {
    std::vector<std::string> arguments;
    std::string out;                      // "{*}" matches any run of characters in one line
    std::optional<std::string> datagram;  // nothing may arrive when empty
    int status = 0;
    std::string err{};
};

using Substitutions = std::map<std::string, std::string>;

// Replaces each "{name}" of the substitutions in the text.
inline std::string expand(std::string text, const Substitutions& substitutions)
{
    for (const auto& [name, value] : substitutions) {
        for (std::size_t at = text.find(name); at != std::string::npos;
             at = text.find(name, at + value.size())) {
            text.replace(at, name.size(), value);
        }
    }
    return text;
}

inline std::vector<std::string> expand(const std::vector<std::string>& words,
                                       const Substitutions& substitutions)
{
    std::vector<std::string> expanded;
    for (const auto& word : words) {
        expanded.push_back(expand(word, substitutions));
    }
    return expanded;
}

// "N, msg : TEXT" as the program reports this error after "errno : ".
inline std::string error_report(const std::string& name)
{
    const TargetError& error = target_error(name);
    return std::to_string(error.number) + ", msg : " + error.text;
}

// Whether runs of this build are watched for memory requests. A musl build
// needs no heap: its startup, stdio, files, sockets and resolver work in
// static and stack memory, so a run in any mode asks the kernel for none
// (no brk, no mmap). glibc's loader maps memory in every run.
inline bool watch_memory()
{
    static const bool watch =
        target_libc() == "musl" && (has_runner() || !may_skip_missing("/usr/bin/strace"));
    return watch;
}

// Runs the program as run_client does; in a build watched for memory, under
// a tracer, failing the test when the run asks the kernel for memory.
inline RunResult run_client_watched(const std::vector<std::string>& arguments, const RunOptions& options,
                                    const std::string& label)
{
    if (!watch_memory()) {
        return run_client(arguments, options);
    }
    const auto traced = run_traced(arguments, options);
    if (!traced) {
        return run_client(arguments, options);
    }
    EXPECT_EQ(traced->memory_calls, std::vector<std::string>{}) << "memory asked of the kernel; " << label;
    return traced->result;
}

// Checks exit status and both output streams; the label says what was run.
inline void expect_run(const RunResult& result, const Case& c, const Substitutions& substitutions,
                       const std::string& label)
{
    EXPECT_EQ(result.status, c.status) << label;
    const std::string out = expand(c.out, substitutions);
    EXPECT_TRUE(matches(out, result.out))
        << label << "\nexpected stdout: " << out << "\nactual stdout:   " << result.out;
    EXPECT_EQ(result.err, expand(c.err, substitutions)) << label;
}

// Checks many runs at once: each ended with status 0, printed `out` and
// nothing on stderr, and each value was received exactly once.
inline void expect_each_record_once(const std::vector<LoadRun>& runs, std::vector<std::string> received,
                                    const std::string& out)
{
    std::vector<std::string> sent;
    for (const auto& run : runs) {
        EXPECT_EQ(run.result.status, 0) << run.value;
        EXPECT_EQ(run.result.out, out) << run.value;
        EXPECT_EQ(run.result.err, "") << run.value;
        sent.push_back(run.value);
    }
    std::sort(sent.begin(), sent.end());
    std::sort(received.begin(), received.end());
    EXPECT_EQ(received, sent) << "every record arrives exactly once";
}

inline std::string describe(const std::vector<std::string>& arguments)
{
    std::string text = "arguments:";
    for (const auto& argument : arguments) {
        text +=
            " ["
            + (argument.size() > 40 ? argument.substr(0, 40) + "...(" + std::to_string(argument.size()) + ")"
                                    : argument)
            + "]";
    }
    return text;
}

}  // namespace e2e
