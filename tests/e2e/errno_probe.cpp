// Prints, one "NAME NUMBER TEXT" line each, the number and the strerror text
// of the errors the end-to-end tests expect, the resolver's h_errno codes with
// their hstrerror texts, and "LIBC 0 glibc" or "LIBC 0 musl". Built with the
// program's own toolchain and run the way the program is (under its
// emulator), it tells the tests how the machine and libc the program runs on
// number and word them: MIPS numbers many errors apart from x86 and Arm, and
// musl words some apart from glibc.

#include <netdb.h>

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

constexpr Error resolver_errors[] = {
    {"HOST_NOT_FOUND", HOST_NOT_FOUND},
    {"TRY_AGAIN", TRY_AGAIN},
    {"NO_RECOVERY", NO_RECOVERY},
    {"NO_DATA", NO_DATA},
};

// "NAME NUMBER TEXT", without printf, as in the program: on a core without
// an FPU its floating-point code cannot run.
void put_line(const char* name, int number, const char* text)
{
    char digits[12] = {};
    char* first = digits + sizeof digits - 1;
    do {
        *--first = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    std::fputs(name, stdout);
    std::fputc(' ', stdout);
    std::fputs(first, stdout);
    std::fputc(' ', stdout);
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
}

}  // namespace

int main()
{
    for (const auto& error : errors) {
        put_line(error.name, error.number, std::strerror(error.number));
    }
    for (const auto& error : resolver_errors) {
        put_line(error.name, error.number, hstrerror(error.number));
    }
#ifdef __GLIBC__
    std::puts("LIBC 0 glibc");
#else
    std::puts("LIBC 0 musl");
#endif
    return 0;
}
