// Prints, one "NAME NUMBER TEXT" line each, the number and the strerror text
// of the errors the end-to-end tests expect. Built with the program's own
// toolchain and run the way the program is (under its emulator), it tells the
// tests how the machine and libc the program runs on number and word them:
// MIPS numbers many errors apart from x86 and Arm, and musl words some apart
// from glibc.

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

struct Error {
    const char* name;
    int number;
};

constexpr Error errors[] = {
    {"EACCES", EACCES}, {"EADDRINUSE", EADDRINUSE}, {"ECONNREFUSED", ECONNREFUSED},
    {"EISDIR", EISDIR}, {"EMFILE", EMFILE},         {"ENOENT", ENOENT},
};

}  // namespace

int main()
{
    for (const auto& error : errors) {
        std::printf("%s %d %s\n", error.name, error.number, std::strerror(error.number));
    }
    return 0;
}
