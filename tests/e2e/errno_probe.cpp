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
    {"EISDIR", EISDIR}, {"EMFILE", EMFILE},         {"ENOBUFS", ENOBUFS},
    {"ENOENT", ENOENT}, {"EPERM", EPERM},
};

// No printf, as in the program: on a core without an FPU its floating-point code cannot run.
void put_number(int number)
{
    char digits[12] = {};
    char* first = digits + sizeof digits - 1;
    do {
        *--first = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    std::fputs(first, stdout);
}

}  // namespace

int main()
{
    for (const auto& error : errors) {
        std::fputs(error.name, stdout);
        std::fputc(' ', stdout);
        put_number(error.number);
        std::fputc(' ', stdout);
        std::fputs(std::strerror(error.number), stdout);
        std::fputc('\n', stdout);
    }
    return 0;
}
