// Texts from outside are echoed so that a message always stays one line.

#include "messages.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

namespace {

using namespace std::string_literals;

TEST(Echo, EscapesControlBytesAndNothingElse)
{
    const struct {
        std::string text;
        std::string echoed;
    } cases[] = {
        {"", ""},
        {"/var/run/logd.sock", "/var/run/logd.sock"},
        {"a\nb", "a\\x0ab"},
        {"x\ndestination address : 127.0.0.1:5140.", "x\\x0adestination address : 127.0.0.1:5140."},
        {"\r\t\x1b[31m", "\\x0d\\x09\\x1b[31m"},
        {"del\x7f", "del\\x7f"},
        {"\x01\x1f\x20", "\\x01\\x1f "},
        {"nul\0byte"s, "nul\\x00byte"},
        {"back\\slash \\x0a", "back\\slash \\x0a"},
        {"caf\xc3\xa9 \x80\xff", "caf\xc3\xa9 \x80\xff"},
        {std::string(128, '\n'),
         [] {
             std::string all;
             for (int i = 0; i < 128; ++i) {
                 all += "\\x0a";
             }
             return all;
         }()},
        {std::string(129, 'a'), std::string(128, 'a') + "..."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(message::Echo{c.text}.c_str(), c.echoed) << c.echoed;
    }
}

// Lines are written without printf; these are the numbers and lengths where
// a writer of its own could go wrong, each against the printf text it replaces.
TEST(Line, WritesNumbersAndLongTextsAsPrintfWould)
{
    const std::string long_program(600, 'p');
    const struct {
        std::function<void()> print;
        std::string expected;
        bool on_stderr = false;
    } cases[] = {
        {[] { message::udp_send_failed(-1, 0); },
         "[line:218] [main] send udp data failed! fd : -1, errno : 0, msg : "s + std::strerror(0) + ".\n"},
        {[] { message::unix_send_failed(INT_MIN, INT_MAX); },
         "[line:244] [main] send udp data failed! fd : -2147483648, errno : 2147483647, msg : "s
             + std::strerror(INT_MAX) + ".\n"},
        {[] { message::destination("127.0.0.1", UINT16_MAX); }, "destination address : 127.0.0.1:65535.\n"},
        {[] { message::unix_path_unaddressable("p", SIZE_MAX); },
         "[ERROR] [line:229] [main] unix domain path too long! at most " + std::to_string(SIZE_MAX)
             + " characters, path : p.\n"},
        {[&] { message::unrecognized_option(long_program.c_str(), 'x'); },
         long_program + ": unrecognized option: x\n", true},
    };
    for (const auto& c : cases) {
        if (c.on_stderr) {
            testing::internal::CaptureStderr();
            c.print();
            EXPECT_EQ(testing::internal::GetCapturedStderr(), c.expected);
        }
        else {
            testing::internal::CaptureStdout();
            c.print();
            EXPECT_EQ(testing::internal::GetCapturedStdout(), c.expected);
        }
    }
}

}  // namespace
