// Telling by its spelling alone whether a path is the sender's.

#include "unix_address.hpp"

#include <gtest/gtest.h>

namespace {

TEST(SpellSamePath, ComparesComponentsLeavingOutEmptyAndDot)
{
    const struct {
        const char* path;
        bool same;
    } cases[] = {
        {"/tmp/vexmol_log_fd", true},
        {"/tmp/./vexmol_log_fd", true},
        {"//tmp//vexmol_log_fd", true},
        {"/./tmp/././vexmol_log_fd/.", true},
        {"/tmp/vexmol_log_fd/", true},
        {"/tmp/vexmol_log_f", false},
        {"/tmp/vexmol_log_fd2", false},
        {"/tmp/vexmol_log_fd/x", false},
        {"/tmp", false},
        {"/", false},
        {"", false},
        {"tmp/vexmol_log_fd", false},  // relative: only a look-up can tell
        {"/tmp/../tmp/vexmol_log_fd", false},
        {"/var/tmp/vexmol_log_fd", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(spell_same_path(c.path, "/tmp/vexmol_log_fd"), c.same) << c.path;
        EXPECT_EQ(spell_same_path("/tmp/vexmol_log_fd", c.path), c.same) << c.path;
    }
}

}  // namespace
