#include "manual.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace e2e {
namespace {

const std::string any = "{*}";

// A tag line of the manual as the program prints it: the font changes
// dropped, each italic word (a value filled in) a wildcard, and the
// escapes the page uses turned into their characters.
std::string printed_form(const std::string& roff)
{
    static const std::map<std::string, std::string> escapes{
        {"\\-", "-"}, {"\\(aq", "'"}, {"\\(dq", "\""}, {"\\e", "\\"}, {"\\&", ""}};
    std::string text;
    bool italic = false;
    for (std::size_t at = 0; at < roff.size();) {
        if (roff.compare(at, 2, "\\f") == 0 && at + 2 < roff.size()) {
            const char font = roff[at + 2];
            if (font != 'I' && font != 'R' && font != 'B' && font != 'P') {
                throw std::runtime_error("unknown font \\f" + std::string(1, font) + " in: " + roff);
            }
            if (font == 'I' && !italic) {
                text += any;
            }
            italic = font == 'I';
            at += 3;
            continue;
        }
        if (roff[at] == '\\') {
            const auto escape = std::find_if(escapes.begin(), escapes.end(), [&](const auto& entry) {
                return roff.compare(at, entry.first.size(), entry.first) == 0;
            });
            if (escape == escapes.end()) {
                throw std::runtime_error("unknown escape at \"" + roff.substr(at) + "\" in: " + roff);
            }
            if (!italic) {
                text += escape->second;
            }
            at += escape->first.size();
            continue;
        }
        if (!italic) {
            text += roff[at];
        }
        ++at;
    }
    return text;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream{text};
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The numbers a sentence gives after "line" or "lines": "(lines 28, 37, 43 and 163)".
std::set<int> line_numbers(const std::string& text)
{
    static const std::regex listed{R"(\blines? (\d+(?:(?:, | and |, and )\d+)*))"};
    static const std::regex number{R"(\d+)"};
    std::set<int> numbers;
    for (auto list = std::sregex_iterator(text.begin(), text.end(), listed); list != std::sregex_iterator();
         ++list) {
        const std::string found = (*list)[1];
        for (auto each = std::sregex_iterator(found.begin(), found.end(), number);
             each != std::sregex_iterator(); ++each) {
            numbers.insert(std::stoi(each->str()));
        }
    }
    return numbers;
}

std::mutex printed_mutex;
std::set<std::size_t> printed;

// Writes the record of printed lines when the driver's tests end.
class RunRecord : public testing::Environment {
public:
    void TearDown() override
    {
        const char* path = std::getenv("VEXMOL_RUN_RECORD");
        const Manual* manual = manual_under_test();
        if (path == nullptr || *path == '\0' || manual == nullptr) {
            return;
        }
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream record{path, std::ios::trunc};
        record << "skipped " << testing::UnitTest::GetInstance()->skipped_test_count() << '\n';
        for (const std::size_t index : printed_lines()) {
            record << manual->lines.at(index).pattern << '\n';
        }
    }
};

[[maybe_unused]] testing::Environment* const run_record = testing::AddGlobalTestEnvironment(new RunRecord);

}  // namespace

Manual read_manual(const std::filesystem::path& path)
{
    std::ifstream file{path};
    if (!file) {
        throw std::runtime_error("cannot read the manual page " + path.string());
    }
    std::ostringstream text;
    text << file.rdbuf();
    const std::vector<std::string> lines = lines_of(text.str());

    Manual manual;
    static const std::regex title{R"re(^\.TH \S+ \S+ \S+ "vexmol_udp_client ([^"]+)")re"};
    static const std::regex numbered{R"(^(?:\[ERROR\] )?\[line:(\d+)\] )"};
    static const std::regex status_tag{R"(^\.B (\d+)$)"};
    std::string section;
    std::string subsection;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::smatch match;
        if (std::regex_search(line, match, title)) {
            manual.version = match[1];
        }
        if (line.starts_with(".SH ")) {
            section = line.substr(4);
            subsection.clear();
            continue;
        }
        if (line.starts_with(".SS ")) {
            subsection = line.substr(4);
            continue;
        }
        if (line != ".TP" || i + 1 == lines.size()) {
            continue;
        }
        const std::string& tag = lines[++i];
        if (section == "DIAGNOSTICS") {
            ManualLine entry{.shown = tag, .pattern = printed_form(tag), .number = std::nullopt};
            if (std::regex_search(entry.pattern, match, numbered)) {
                entry.number = std::stoi(match[1]);
            }
            entry.standard_error = subsection == "\"On standard error\"" || subsection == "On standard error";
            manual.lines.push_back(entry);
        }
        else if (section == "\"EXIT STATUS\"" || section == "EXIT STATUS") {
            if (!std::regex_search(tag, match, status_tag)) {
                throw std::runtime_error("an EXIT STATUS entry that is not \".B number\": " + tag);
            }
            std::string body;
            for (std::size_t j = i + 1; j < lines.size() && lines[j] != ".TP" && !lines[j].starts_with(".SH")
                                        && !lines[j].starts_with(".PP");
                 ++j) {
                body += lines[j] + ' ';
            }
            manual.exit_statuses[std::stoi(match[1])] = line_numbers(body);
        }
    }
    if (manual.lines.empty() || manual.exit_statuses.empty()) {
        throw std::runtime_error(path.string() + " has no DIAGNOSTICS or no EXIT STATUS entries");
    }
    return manual;
}

std::vector<std::string> disagreements(const Manual& manual, const RunResult& result)
{
    std::vector<std::string> found;
    std::set<int> numbers;
    std::optional<int> last_number;  // the numbered line that ended the run
    std::set<std::size_t> lines_printed;
    for (const bool standard_error : {false, true}) {
        const std::string& stream = standard_error ? result.err : result.out;
        const char* name = standard_error ? "stderr" : "stdout";
        if (!stream.empty() && stream.back() != '\n') {
            found.push_back(std::string(name) + " ends inside a line");
        }
        for (const std::string& line : lines_of(stream)) {
            std::optional<std::size_t> which;
            for (std::size_t i = 0; i < manual.lines.size() && !which; ++i) {
                if (manual.lines[i].standard_error == standard_error
                    && matches(manual.lines[i].pattern, line)) {
                    which = i;
                }
            }
            if (!which) {
                found.push_back(std::string(name) + " line that the manual does not list: " + line);
                continue;
            }
            lines_printed.insert(*which);
            if (manual.lines[*which].number) {
                numbers.insert(*manual.lines[*which].number);
                last_number = manual.lines[*which].number;
            }
        }
    }
    const auto status = manual.exit_statuses.find(result.status);
    if (status == manual.exit_statuses.end()) {
        found.push_back("exit status " + std::to_string(result.status) + ", which the manual does not list");
    }
    else {
        for (const auto& [other, giving] : manual.exit_statuses) {
            for (const int number : numbers) {
                if (other != result.status && giving.contains(number)) {
                    found.push_back("exit status " + std::to_string(result.status) + " after line "
                                    + std::to_string(number) + ", which the manual says gives "
                                    + std::to_string(other));
                }
            }
        }
        // A run that ends with a status of its own ends with a line that gives it.
        const std::set<int>& giving = status->second;
        if (!giving.empty() && !(last_number && giving.contains(*last_number))) {
            found.push_back("exit status " + std::to_string(result.status) + " after "
                            + (last_number ? "line " + std::to_string(*last_number) : "no numbered line")
                            + ", which the manual does not say gives it");
        }
    }
    const std::lock_guard lock{printed_mutex};
    printed.insert(lines_printed.begin(), lines_printed.end());
    return found;
}

const Manual* manual_under_test()
{
    static const std::optional<Manual> manual = []() -> std::optional<Manual> {
        const char* path = std::getenv("VEXMOL_MAN_PAGE");
        if (path == nullptr || *path == '\0') {
            return std::nullopt;
        }
        return read_manual(path);
    }();
    return manual ? &*manual : nullptr;
}

void expect_documented(const RunResult& result, const std::string& label)
{
    const Manual* manual = manual_under_test();
    if (manual == nullptr) {
        return;
    }
    for (const std::string& disagreement : disagreements(*manual, result)) {
        ADD_FAILURE() << "the manual page disagrees with the run: " << disagreement << "\n"
                      << label << "\nstatus " << result.status << "\nstdout:\n"
                      << result.out << "stderr:\n"
                      << result.err;
    }
}

std::set<std::size_t> printed_lines()
{
    const std::lock_guard lock{printed_mutex};
    return printed;
}

}  // namespace e2e
