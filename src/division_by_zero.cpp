// What an integer division by zero does on ARMv4.
//
// 32-bit Arm code for cores without a divide instruction divides in libgcc's
// helpers, which call __aeabi_idiv0 (__aeabi_ldiv0 for 64 bits) when the
// divisor is zero. On Arm Linux that raises SIGFPE, as a division by zero
// does on x86 or MIPS. The ARMv4 build links the bare-metal libgcc instead
// (Debian's Linux one is ARMv5 code), whose helpers would return a quotient
// of 0 and carry on; these raise SIGFPE as Linux's do. The program itself
// divides only by constants; musl divides by a value from /etc/resolv.conf.

#if defined(__ARM_EABI__) && defined(__ARM_ARCH_4__)

#include <csignal>

// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): names the Arm EABI gives them
extern "C" int __aeabi_idiv0(int quotient)
{
    static_cast<void>(std::raise(SIGFPE));
    return quotient;
}

extern "C" long long __aeabi_ldiv0(long long quotient)
{
    static_cast<void>(std::raise(SIGFPE));
    return quotient;
}
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

#endif
