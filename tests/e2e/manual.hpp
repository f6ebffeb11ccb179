// The manual page as the end-to-end tests read it: every line the program
// may print (DIAGNOSTICS) and the exit status each line gives (EXIT
// STATUS). Every run of the suite is held against it, so the manual cannot
// drift from the program unnoticed.
//
// VEXMOL_MAN_PAGE names the manual page; without it nothing is checked.
// VEXMOL_RUN_RECORD names a file to which the driver writes, when its tests
// end, which of the manual's lines its runs printed.
#pragma once

#include "harness.hpp"

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace e2e {

struct ManualLine {
    std::string shown;            // as the manual writes it, roff and all
    std::string pattern;          // as the program prints it; "{*}" for each word in italics
    std::optional<int> number{};  // N of "[line:N]"
    bool standard_error = false;
};

struct Manual {
    std::string version;            // from the title line
    std::vector<ManualLine> lines;  // DIAGNOSTICS, in order
    std::map<int, std::set<int>>
        exit_statuses;  // EXIT STATUS: each status, with the line numbers that give it
};

// Reads a manual page; throws std::runtime_error on a construct it does not
// know, so that a change of form is noticed rather than read wrongly.
Manual read_manual(const std::filesystem::path& path);

// What a run printed and how it ended, held against the manual: each line
// of each stream must be one of the manual's, and the exit status the one
// its lines give. Returns the discrepancies, none when the run agrees.
std::vector<std::string> disagreements(const Manual& manual, const RunResult& result);

// The manual named by VEXMOL_MAN_PAGE, read once; none when it is not set.
const Manual* manual_under_test();

// Checks a run against manual_under_test() as a test expectation, and notes
// which of its lines were printed. run_client does this for every run.
void expect_documented(const RunResult& result, const std::string& label);

// The manual's lines printed so far by this driver, by their index in
// Manual::lines, as the record file lists them.
std::set<std::size_t> printed_lines();

}  // namespace e2e
