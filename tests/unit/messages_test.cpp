// Texts from outside are echoed so that a message always stays one line.

#include "messages.hpp"

#include <gtest/gtest.h>

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

}  // namespace
