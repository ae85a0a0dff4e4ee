/* Starts a program COUNT times, one after the other, straight through posix_spawn (no shell in
 * between), and prints the wall time of all starts together in seconds. Each start reads
 * standard input from IN and writes standard output to OUT, truncated first; a start that does
 * not end with status 0 stops the measurement. After the wall time comes the processor time
 * (user and system) that the starts took, which waiting for a busy processor does not inflate.
 *
 *   spawn_timer COUNT IN OUT PROGRAM [ARGUMENT...] */
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

static double now(void) {
    struct timespec clock;
    clock_gettime(CLOCK_MONOTONIC, &clock);
    return (double)clock.tv_sec + (double)clock.tv_nsec * 1e-9;
}

int main(int argc, char** argv) {
    if (argc < 5) {
        fputs("usage: spawn_timer COUNT IN OUT PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    long const count = strtol(argv[1], NULL, 10);
    if (count < 1) {
        fputs("spawn_timer: COUNT must be at least 1\n", stderr);
        return 2;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, argv[2], O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0644);

    double const start = now();
    double processor = 0;
    for (long run = 0; run < count; ++run) {
        pid_t child;
        int const failure = posix_spawn(&child, argv[4], &actions, NULL, argv + 4, environ);
        if (failure != 0) {
            fprintf(stderr, "spawn_timer: cannot start %s: %s\n", argv[4], strerror(failure));
            return 1;
        }
        int status;
        struct rusage usage;
        while (wait4(child, &status, 0, &usage) < 0)
            if (errno != EINTR) {
                perror("spawn_timer: wait4");
                return 1;
            }
        processor += (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     (double)(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            fprintf(stderr, "spawn_timer: %s ended with status %d\n", argv[4], status);
            return 1;
        }
    }
    printf("%.9f %.6f\n", now() - start, processor);
    return 0;
}
