// The manual page and the documents against the program. Every run of the
// end-to-end suite is already held against the manual's lines and exit
// statuses (manual.hpp); these check the other direction, that each line the
// manual lists is one the suite's cases print, and that the documents quote
// the manual's lines and name the project's version.
//
// VEXMOL_MAN_PAGE names the manual, VEXMOL_SOURCE_DIR the source tree,
// VEXMOL_PROJECT_VERSION the version, VEXMOL_RUN_RECORDS the folder in which
// the suites' drivers wrote which lines their runs printed.

#include "manual.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

namespace e2e {
namespace {

// Lines the program cannot print unless it is broken: no argument ever
// reaches the loader or the resolver as a null pointer. The manual lists
// them all the same, for the one who sees them.
const std::set<int> never_printed{28, 64};

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        throw std::runtime_error(std::string(name) + " is not set");
    }
    return value;
}

std::string text_of(const std::filesystem::path& path)
{
    std::ostringstream text;
    text << std::ifstream{path}.rdbuf();
    return text.str();
}

TEST(Documentation, EveryLineOfTheManualIsPrintedByACase)
{
    const Manual manual = read_manual(environment("VEXMOL_MAN_PAGE"));
    std::set<std::string> printed;
    int skipped = 0;
    for (const auto& record : std::filesystem::directory_iterator(environment("VEXMOL_RUN_RECORDS"))) {
        std::ifstream file{record.path()};
        std::string word;
        int count = 0;
        file >> word >> count >> std::ws;
        ASSERT_EQ(word, "skipped") << record.path();
        skipped += count;
        for (std::string line; std::getline(file, line);) {
            printed.insert(line);
        }
    }
    std::vector<std::string> missing;
    for (const auto& line : manual.lines) {
        if (!printed.contains(line.pattern) && !(line.number && never_printed.contains(*line.number))) {
            missing.push_back(line.shown);
        }
    }
    if (!missing.empty() && skipped > 0) {
        GTEST_SKIP() << skipped << " end-to-end cases were skipped, and " << missing.size()
                     << " lines of the manual were not printed; the skipped cases may print them";
    }
    for (const auto& line : missing) {
        ADD_FAILURE() << "no case of the end-to-end suite printed this line of the manual page: " << line;
    }
}

TEST(Documentation, ExitStatusesNameLinesOfTheManual)
{
    const Manual manual = read_manual(environment("VEXMOL_MAN_PAGE"));
    std::set<int> numbers;
    for (const auto& line : manual.lines) {
        if (line.number) {
            EXPECT_TRUE(numbers.insert(*line.number).second) << "line " << *line.number << " listed twice";
        }
    }
    EXPECT_TRUE(manual.exit_statuses.contains(0));
    for (const auto& [status, giving] : manual.exit_statuses) {
        for (const int number : giving) {
            EXPECT_TRUE(numbers.contains(number)) << "exit status " << status << " names line " << number
                                                  << ", which DIAGNOSTICS does not list";
        }
    }
}

TEST(Documentation, TheManualAndTheChangelogNameTheVersion)
{
    const std::string version = environment("VEXMOL_PROJECT_VERSION");
    EXPECT_EQ(read_manual(environment("VEXMOL_MAN_PAGE")).version, version);
    const std::string changelog =
        text_of(std::filesystem::path(environment("VEXMOL_SOURCE_DIR")) / "CHANGELOG.md");
    EXPECT_NE(changelog.find("\n## [" + version + "] - "), std::string::npos)
        << "CHANGELOG.md has no section for " << version;
}

// A document that quotes one of the program's lines, as `[line:183] ...` or
// in a code block, quotes one the manual lists; upper-case words such as
// PATH stand for the manual's words in italics.
TEST(Documentation, LinesQuotedInTheDocumentsAreTheManuals)
{
    const Manual manual = read_manual(environment("VEXMOL_MAN_PAGE"));
    const std::filesystem::path source = environment("VEXMOL_SOURCE_DIR");
    std::vector<std::filesystem::path> documents{source / "README.md"};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(source / "docs")) {
        if (entry.path().extension() == ".md") {
            documents.push_back(entry.path());
        }
    }
    static const std::regex quoted{R"(`((?:\[ERROR\] )?\[line:\d+\][^`]*|destination address :[^`]*)`)"};
    static const std::regex block_line{R"(^(?:    |\t)?((?:\[ERROR\] )?\[line:\d+\] .*)$)"};
    int seen = 0;
    for (const auto& document : documents) {
        const std::string text = text_of(document);
        std::vector<std::string> quotes;
        for (auto match = std::sregex_iterator(text.begin(), text.end(), quoted);
             match != std::sregex_iterator(); ++match) {
            quotes.push_back((*match)[1]);
        }
        std::istringstream lines{text};
        for (std::string line; std::getline(lines, line);) {
            std::smatch match;
            if (std::regex_match(line, match, block_line)) {
                quotes.push_back(match[1]);
            }
        }
        for (const auto& quote : quotes) {
            ++seen;
            const bool listed =
                std::any_of(manual.lines.begin(), manual.lines.end(), [&](const ManualLine& line) {
                    return !line.standard_error && matches(line.pattern, quote);
                });
            EXPECT_TRUE(listed) << document.filename()
                                << " quotes a line the manual page does not list: " << quote;
        }
    }
    EXPECT_GT(seen, 0) << "no document quotes any line: the search has lost its way";
}

}  // namespace
}  // namespace e2e
