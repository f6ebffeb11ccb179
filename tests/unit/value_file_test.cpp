// Loading the value from real files: what is sent for every shape of content.

#include "temporary_directory.hpp"
#include "value_file.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

std::string a(std::size_t count) { return std::string(count, 'a'); }

class ValueFile : public testing::Test {
protected:
    // Writes the content to a file and returns what the loader makes of it.
    std::string load(const std::string& content)
    {
        const auto path = directory_.path() / "value";
        std::ofstream{path, std::ios::binary | std::ios::trunc} << content;
        PostRequest request{};
        request.value.fill('#');  // nothing of an earlier value may survive
        EXPECT_EQ(read_file_info(path.c_str(), request.value), ResultCode::success);
        const std::uint32_t length = take_file_content(request.value);
        for (std::size_t i = length; i < request.value.size(); ++i) {
            EXPECT_EQ(request.value[i], '\0') << "byte " << i << " behind the value is not cleared";
        }
        return {request.value.data(), length};
    }

    TemporaryDirectory directory_;
};

TEST_F(ValueFile, SendsTheContentLessOnlyATrailingLineEnd)
{
    using namespace std::string_literals;
    const struct {
        std::string content;
        std::string sent;
    } cases[] = {
        {"", ""},
        {"\n", ""},
        {"x", "x"},
        {"abc", "abc"},
        {"abc\n", "abc"},
        {"abc\r\n", "abc\r"},
        {"abc\n\n", "abc\n"},
        {"two\nlines\n", "two\nlines"},
        {"ab\0cd\n"s, "ab"},
        {"\0abc"s, ""},
        {"\xff\xfe caf\xc3\xa9\x80\n", "\xff\xfe caf\xc3\xa9\x80"},
        {a(1022), a(1022)},
        {a(1022) + "\n", a(1022)},
        {a(1023), a(1023)},
        {a(1023) + "\n", a(1023)},
        {a(1024), a(1023)},
        {a(1024) + "\n", a(1023)},
        {a(1025), a(1023)},
        {a(2000), a(1023)},
        {a(2000) + "\n", a(1023)},
        {a(1022) + "\nb", a(1022) + "\n"},
        {a(1023) + "\0tail"s, a(1023)},
        {a(1024) + "\0tail"s, a(1023)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(load(c.content), c.sent) << "content of " << c.content.size() << " bytes";
    }
}

TEST_F(ValueFile, ReportsFilesThatCannotBeRead)
{
    ValueField::element_type storage[value_size] = {'k', 'e', 'p', 't'};
    const ValueField value{storage};
    const auto missing = directory_.path() / "missing";

    CaptureStdout();
    EXPECT_EQ(read_file_info(missing.c_str(), value), ResultCode::open_failed);
    EXPECT_EQ(GetCapturedStdout(), "[ERROR] [line:37] [read_file_info] fopen " + missing.string()
                                       + " failed! errno : 2, msg : No such file or directory.\n");
    EXPECT_EQ(std::string_view(storage, 4), "kept");

    CaptureStdout();
    EXPECT_EQ(read_file_info(directory_.path().c_str(), value), ResultCode::read_failed);
    EXPECT_EQ(GetCapturedStdout(),
              "[ERROR] [line:43] [read_file_info] fread failed! errno : 21, msg : Is a directory.\n");

    CaptureStdout();
    EXPECT_EQ(read_file_info(nullptr, value), ResultCode::null_argument);
    EXPECT_EQ(GetCapturedStdout(), "[ERROR] [line:28] [read_file_info] the argument point is NULL!\n");
}

}  // namespace
