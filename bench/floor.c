/* The floor: the least a one-shot UDP sender can do. One socket, one
 * sendto, one close, exit. No stdio, no output, no checks beyond the
 * argument count and the address form. Built static against musl, it makes
 * 7 system calls on x86-64: execve, arch_prctl, set_tid_address (musl's
 * start-up), socket, sendto, close, exit_group.
 *
 *   floor ADDRESS PORT TEXT      ADDRESS a dotted quad such as 127.0.0.1
 */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    struct sockaddr_in to = {0};
    unsigned long port = 0;

    if (argc != 4 || inet_aton(argv[1], &to.sin_addr) == 0) {
        return 2;
    }
    for (const char* p = argv[2]; *p >= '0' && *p <= '9' && port <= 65535; ++p) {
        port = port * 10 + (unsigned long)(*p - '0');
    }
    if (port == 0 || port > 65535) {
        return 2;
    }
    to.sin_family = AF_INET;
    to.sin_port = htons((unsigned short)port);

    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        return 1;
    }
    ssize_t sent = sendto(fd, argv[3], strlen(argv[3]), 0, (const struct sockaddr*)&to, sizeof to);
    close(fd);
    return sent < 0;
}
