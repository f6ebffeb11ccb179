/* Per-run cost harness for bench/run.sh.
 *
 *   harness time CONTENDERS RUNS WARMUP MESSAGE REFERENCE
 *   harness rss  CONTENDERS RUNS MESSAGE
 *   harness wrap CONTENDERS RUNS MESSAGE WRAPPER [ARG...]
 *
 * CONTENDERS has one contender a line, fields separated by tabs:
 *
 *   NAME  STDIN  MATCH  PROGRAM  ARG...
 *
 * STDIN is the file the contender reads as standard input; MATCH is "exact"
 * (the datagram must be MESSAGE) or "suffix" (it must end with MESSAGE, for
 * senders that add a header). "@PORT@" in an argument becomes the port of the
 * contender's own loopback receiver: every contender gets a UDP socket bound
 * to 127.0.0.1 on a port of its own, so the harness counts, per contender,
 * the datagrams that arrive and checks what they hold.
 *
 * time: RUNS rounds after WARMUP untimed ones; each round starts every
 * contender once, one after the other, starting at a different contender
 * each round, so drift and noise fall on all of them alike. Each run is timed
 * on its own, from just before posix_spawn to the return of wait4, whose
 * rusage gives the run's user and system time. Standard output and error go
 * to /dev/null. The receivers are drained between runs, outside the timed
 * part. Prints one tab-separated line per contender:
 *
 *   NAME RUNS EXITED_0 RECEIVED MATCHED WALL_MEDIAN_NS WALL_P10_NS WALL_P90_NS
 *   CPU_MEDIAN_NS CPU_MEAN_NS BLOCK_RATIO_MIN BLOCK_RATIO_MAX
 *
 * The block ratios: the rounds are cut into 5 blocks; in each, the
 * contender's median wall time over REFERENCE's median wall time.
 *
 * rss: runs each contender RUNS times under ptrace and, when it is about to
 * exit, reads VmHWM (peak resident set) from /proc/PID/status. Unlike the
 * rusage figure (and so /usr/bin/time %M), it does not include the memory the
 * process had before execve, in the parent's copy. Prints NAME and the median
 * and maximum VmHWM in KiB.
 *
 * wrap: runs each contender RUNS times behind WRAPPER (strace, time, ...),
 * with "@NAME@" and "@RUN@" in the wrapper's arguments replaced by the
 * contender's name and the run's number from 1, so that each run can write
 * its own file. Prints NAME RUNS EXITED_0 RECEIVED MATCHED.
 */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#define MAX_CONTENDERS 16
#define MAX_ARGS 32
#define BLOCKS 5

extern char** environ;

struct contender {
    char* name;
    char* stdin_path;
    int suffix_match;
    char* argv[MAX_ARGS + 1];
    int receiver;
    unsigned port;
    int64_t* wall_ns;
    int64_t* cpu_ns;
    long exited_0;
    long received;
    long matched;
};

static struct contender contenders[MAX_CONTENDERS];
static int count;
static const char* message;
static size_t message_len;

static void die(const char* what)
{
    fprintf(stderr, "harness: %s: %s\n", what, strerror(errno));
    exit(2);
}

static int64_t now_ns(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

static int open_receiver(unsigned* port)
{
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        die("socket");
    }
    int size = 1 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    struct sockaddr_in a = {.sin_family = AF_INET, .sin_addr.s_addr = htonl(INADDR_LOOPBACK)};
    socklen_t len = sizeof a;
    if (bind(fd, (struct sockaddr*)&a, sizeof a) != 0 || getsockname(fd, (struct sockaddr*)&a, &len) != 0) {
        die("bind 127.0.0.1");
    }
    *port = ntohs(a.sin_port);
    return fd;
}

/* arg with its first occurrence of key replaced by value. */
static char* replaced(const char* arg, const char* key, const char* value)
{
    const char* at = strstr(arg, key);
    if (at == NULL) {
        return strdup(arg);
    }
    char* out = malloc(strlen(arg) + strlen(value) + 1);
    sprintf(out, "%.*s%s%s", (int)(at - arg), arg, value, at + strlen(key));
    return out;
}

static char* with_port(const char* arg, unsigned port)
{
    char text[16];
    snprintf(text, sizeof text, "%u", port);
    return replaced(arg, "@PORT@", text);
}

static void read_contenders(const char* path)
{
    FILE* f = fopen(path, "r");
    if (f == NULL) {
        die(path);
    }
    char line[4096];
    while (fgets(line, sizeof line, f) != NULL) {
        line[strcspn(line, "\n")] = '\0';
        if (line[0] == '\0' || line[0] == '#') {
            continue;
        }
        if (count == MAX_CONTENDERS) {
            fprintf(stderr, "harness: too many contenders\n");
            exit(2);
        }
        struct contender* c = &contenders[count];
        c->receiver = open_receiver(&c->port);
        char* rest = line;
        char* field[3];
        for (int i = 0; i < 3; ++i) {
            field[i] = strsep(&rest, "\t");
        }
        if (rest == NULL || field[2] == NULL) {
            fprintf(stderr, "harness: bad line in %s: %s\n", path, line);
            exit(2);
        }
        c->name = strdup(field[0]);
        c->stdin_path = strdup(field[1]);
        c->suffix_match = strcmp(field[2], "suffix") == 0;
        int n = 0;
        for (char* arg; (arg = strsep(&rest, "\t")) != NULL && n < MAX_ARGS;) {
            c->argv[n++] = with_port(arg, c->port);
        }
        c->argv[n] = NULL;
        ++count;
    }
    fclose(f);
}

/* Counts and checks what has arrived for contender c; waits up to wait_ms for a first datagram. */
static void drain(struct contender* c, int wait_ms)
{
    char buf[65536];
    struct pollfd p = {.fd = c->receiver, .events = POLLIN};
    while (poll(&p, 1, wait_ms) == 1) {
        ssize_t n = recv(c->receiver, buf, sizeof buf, MSG_DONTWAIT);
        if (n < 0) {
            break;
        }
        ++c->received;
        size_t len = (size_t)n;
        if (len == message_len || (c->suffix_match && len > message_len)) {
            c->matched += memcmp(buf + len - message_len, message, message_len) == 0;
        }
        wait_ms = 0;
    }
}

static void file_actions(posix_spawn_file_actions_t* fa, const struct contender* c)
{
    posix_spawn_file_actions_init(fa);
    posix_spawn_file_actions_addopen(fa, 0, c->stdin_path, O_RDONLY, 0);
    posix_spawn_file_actions_addopen(fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(fa, 2, "/dev/null", O_WRONLY, 0);
}

static void run_once(struct contender* c, long slot, char** argv)
{
    posix_spawn_file_actions_t fa;
    file_actions(&fa, c);
    struct rusage ru;
    int status;
    pid_t pid;

    int64_t start = now_ns();
    if (posix_spawnp(&pid, argv[0], &fa, NULL, argv, environ) != 0) {
        die(argv[0]);
    }
    if (wait4(pid, &status, 0, &ru) != pid) {
        die("wait4");
    }
    int64_t wall = now_ns() - start;

    posix_spawn_file_actions_destroy(&fa);
    if (slot >= 0) {
        c->wall_ns[slot] = wall;
        c->cpu_ns[slot] = ((int64_t)ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000000000
                          + ((int64_t)ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1000;
        c->exited_0 += WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    drain(c, 0);
}

static int compare(const void* a, const void* b)
{
    int64_t x = *(const int64_t*)a;
    int64_t y = *(const int64_t*)b;
    return (x > y) - (x < y);
}

/* The q-quantile of values[0..n) by nearest rank; sorts a copy. */
static int64_t quantile(const int64_t* values, long n, double q)
{
    int64_t* copy = malloc((size_t)n * sizeof *copy);
    memcpy(copy, values, (size_t)n * sizeof *copy);
    qsort(copy, (size_t)n, sizeof *copy, compare);
    long i = (long)(q * (double)(n - 1) + 0.5);
    int64_t v = copy[i];
    free(copy);
    return v;
}

static int time_mode(long runs, long warmup, const char* reference)
{
    int ref = -1;
    for (int i = 0; i < count; ++i) {
        contenders[i].wall_ns = calloc((size_t)runs, sizeof(int64_t));
        contenders[i].cpu_ns = calloc((size_t)runs, sizeof(int64_t));
        if (strcmp(contenders[i].name, reference) == 0) {
            ref = i;
        }
    }
    if (ref < 0 || runs < BLOCKS) {
        fprintf(stderr, "harness: no contender named %s, or fewer than %d runs\n", reference, BLOCKS);
        return 2;
    }
    for (long round = 0; round < warmup; ++round) {
        for (int k = 0; k < count; ++k) {
            run_once(&contenders[k], -1, contenders[k].argv);
        }
    }
    for (int i = 0; i < count; ++i) {
        drain(&contenders[i], 200);
        contenders[i].received = contenders[i].matched = 0;
    }
    for (long round = 0; round < runs; ++round) {
        for (int k = 0; k < count; ++k) {
            struct contender* c = &contenders[(round + k) % count];
            run_once(c, round, c->argv);
        }
    }
    for (int i = 0; i < count; ++i) {
        drain(&contenders[i], 200);  // anything still in flight
    }

    long per_block = runs / BLOCKS;
    for (int i = 0; i < count; ++i) {
        struct contender* c = &contenders[i];
        double low = 1e9;
        double high = 0;
        for (int b = 0; b < BLOCKS; ++b) {
            double r = (double)quantile(c->wall_ns + b * per_block, per_block, 0.5)
                       / (double)quantile(contenders[ref].wall_ns + b * per_block, per_block, 0.5);
            low = r < low ? r : low;
            high = r > high ? r : high;
        }
        double cpu_sum = 0;
        for (long r = 0; r < runs; ++r) {
            cpu_sum += (double)c->cpu_ns[r];
        }
        printf("%s\t%ld\t%ld\t%ld\t%ld\t%lld\t%lld\t%lld\t%lld\t%.0f\t%.3f\t%.3f\n", c->name, runs,
               c->exited_0, c->received, c->matched, (long long)quantile(c->wall_ns, runs, 0.5),
               (long long)quantile(c->wall_ns, runs, 0.1), (long long)quantile(c->wall_ns, runs, 0.9),
               (long long)quantile(c->cpu_ns, runs, 0.5), cpu_sum / (double)runs, low, high);
    }
    return 0;
}

static long vm_hwm_kib(pid_t pid)
{
    char path[64];
    char line[256];
    long kib = -1;
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* f = fopen(path, "r");
    if (f == NULL) {
        return -1;
    }
    while (fgets(line, sizeof line, f) != NULL) {
        if (sscanf(line, "VmHWM: %ld kB", &kib) == 1) {
            break;
        }
    }
    fclose(f);
    return kib;
}

/* One run under ptrace, stopped at its exit to read its peak resident set. */
static long traced_peak(struct contender* c)
{
    pid_t pid = fork();
    if (pid < 0) {
        die("fork");
    }
    if (pid == 0) {
        int in = open(c->stdin_path, O_RDONLY);
        int null = open("/dev/null", O_WRONLY);
        if (in < 0 || null < 0 || dup2(in, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) {
            _exit(127);
        }
        ptrace(PTRACE_TRACEME, 0, NULL, NULL);
        execvp(c->argv[0], c->argv);
        _exit(127);
    }
    long peak = -1;
    int status;
    int options_set = 0;
    while (waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
        int sig = WSTOPSIG(status);
        if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            peak = vm_hwm_kib(pid);
            sig = 0;
        }
        else if (sig == SIGTRAP && !options_set) {  // stopped after execve
            ptrace(PTRACE_SETOPTIONS, pid, NULL, (void*)PTRACE_O_TRACEEXIT);
            options_set = 1;
            sig = 0;
        }
        ptrace(PTRACE_CONT, pid, NULL, (void*)(long)sig);
    }
    drain(c, 0);
    return peak;
}

static int rss_mode(long runs)
{
    int64_t* peaks = calloc((size_t)runs, sizeof *peaks);
    for (int i = 0; i < count; ++i) {
        for (long r = 0; r < runs; ++r) {
            peaks[r] = traced_peak(&contenders[i]);
        }
        printf("%s\t%lld\t%lld\n", contenders[i].name, (long long)quantile(peaks, runs, 0.5),
               (long long)quantile(peaks, runs, 1.0));
    }
    free(peaks);
    return 0;
}

static int wrap_mode(long runs, int wrapper_argc, char** wrapper_argv)
{
    char* argv[2 * MAX_ARGS + 1];
    if (wrapper_argc > MAX_ARGS) {
        fprintf(stderr, "harness: too many wrapper arguments\n");
        return 2;
    }
    for (int i = 0; i < count; ++i) {
        struct contender* c = &contenders[i];
        c->exited_0 = c->received = c->matched = 0;
        for (long r = 1; r <= runs; ++r) {
            char number[24];
            snprintf(number, sizeof number, "%ld", r);
            int n = 0;
            for (int k = 0; k < wrapper_argc; ++k) {
                char* named = replaced(wrapper_argv[k], "@NAME@", c->name);
                argv[n++] = replaced(named, "@RUN@", number);
                free(named);
            }
            for (int k = 0; c->argv[k] != NULL; ++k) {
                argv[n++] = c->argv[k];
            }
            argv[n] = NULL;
            int64_t wall = 0;
            int64_t cpu = 0;
            c->wall_ns = &wall;
            c->cpu_ns = &cpu;
            run_once(c, 0, argv);
            for (int k = 0; k < wrapper_argc; ++k) {
                free(argv[k]);
            }
        }
        drain(c, 200);
        printf("%s\t%ld\t%ld\t%ld\t%ld\n", c->name, runs, c->exited_0, c->received, c->matched);
    }
    return 0;
}

int main(int argc, char* argv[])
{
    signal(SIGPIPE, SIG_IGN);
    if (argc == 7 && strcmp(argv[1], "time") == 0) {
        message = argv[5];
        message_len = strlen(message);
        read_contenders(argv[2]);
        return time_mode(atol(argv[3]), atol(argv[4]), argv[6]);
    }
    if (argc == 5 && strcmp(argv[1], "rss") == 0) {
        message = argv[4];
        message_len = strlen(message);
        read_contenders(argv[2]);
        return rss_mode(atol(argv[3]) > 0 ? atol(argv[3]) : 1);
    }
    if (argc >= 6 && strcmp(argv[1], "wrap") == 0) {
        message = argv[4];
        message_len = strlen(message);
        read_contenders(argv[2]);
        return wrap_mode(atol(argv[3]), argc - 5, argv + 5);
    }
    fprintf(stderr, "usage: harness time CONTENDERS RUNS WARMUP MESSAGE REFERENCE\n"
                    "       harness rss CONTENDERS RUNS MESSAGE\n"
                    "       harness wrap CONTENDERS RUNS MESSAGE WRAPPER [ARG...]\n");
    return 2;
}
