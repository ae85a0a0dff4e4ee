/* Starts a program COUNT times, one after the other, straight through posix_spawn (no shell in
 * between), and prints the wall time of all starts together in seconds. Each start reads
 * standard input from IN and writes standard output to OUT, truncated first; a start that does
 * not end with status 0 stops the measurement.
 *
 *   spawn_timer COUNT IN OUT PROGRAM [ARGUMENT...] */
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
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
    for (long run = 0; run < count; ++run) {
        pid_t child;
        int const failure = posix_spawn(&child, argv[4], &actions, NULL, argv + 4, environ);
        if (failure != 0) {
            fprintf(stderr, "spawn_timer: cannot start %s: %s\n", argv[4], strerror(failure));
            return 1;
        }
        int status;
        while (waitpid(child, &status, 0) < 0)
            if (errno != EINTR) {
                perror("spawn_timer: waitpid");
                return 1;
            }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            fprintf(stderr, "spawn_timer: %s ended with status %d\n", argv[4], status);
            return 1;
        }
    }
    printf("%.9f\n", now() - start);
    return 0;
}
