/*
 * Runs one command and measures it as a whole process tree: wall time, the peak of the summed
 * resident set of every process in the tree, and the largest resident set of any one process.
 *
 *   measure [-i MILLISECONDS] -o RESULT_FILE -- COMMAND [ARGUMENT...]
 *
 * Gallery generators start many processes (convert, gm, exiftool, a pool of workers), so the
 * peak of the one process that GNU time waits for says little. This program:
 *  - becomes a child subreaper, so a process whose parent exits stays in the tree instead of
 *    moving to init;
 *  - every -i milliseconds (default 50) reads /proc/PID/stat of every process, keeps those that
 *    descend from it, and adds up their resident sets; the largest sum is the tree's peak. A
 *    process that lives shorter than the interval may be missed, and pages shared between
 *    processes (libraries) are counted once per process, as RSS sums do. A child that still
 *    shares its parent's address space (between vfork, which posix_spawn uses, and exec) is
 *    not counted: its resident set is its parent's, not memory of its own;
 *  - reaps every process of the tree with wait4 and keeps the largest ru_maxrss it reports:
 *    the kernel's exact peak of the largest single process (what GNU time prints as %M).
 * The wall time runs from the fork to the command's exit; the processor time is the user and
 * system time of every process of the tree (getrusage of the reaped children at the end, which
 * holds the orphans this subreaper reaped and everything their parents reaped). Sampling and reaping go on until
 * whatever the command left running has ended too, so the next measurement starts on a quiet
 * tree.
 *
 * RESULT_FILE gets one line:
 *   wall_seconds=S user_seconds=S system_seconds=S tree_peak_kib=K largest_process_kib=K
 *   samples=N status=X
 * and the program exits with the command's status (128 + signal when it was killed).
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <linux/kcmp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { max_processes = 65536 };

static pid_t pids[max_processes];
static pid_t parents[max_processes];
static long rss_pages[max_processes];

static double now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

/* Reads the parent and the resident pages of one process from /proc/PID/stat. */
static int read_stat(pid_t pid, pid_t *parent, long *rss) {
    char path[64], text[1024];
    snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        return -1;
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0)
        return -1;
    text[n] = '\0';
    /* The command name may hold spaces and parentheses: the fields start after the last ')'. */
    char *p = strrchr(text, ')');
    if (!p)
        return -1;
    /* Field 3 is the state, 4 the parent, 24 the resident set in pages. */
    int field = 2;
    long value4 = 0, value24 = 0;
    for (char *token = strtok(p + 1, " "); token; token = strtok(NULL, " ")) {
        field++;
        if (field == 4)
            value4 = strtol(token, NULL, 10);
        if (field == 24) {
            value24 = strtol(token, NULL, 10);
            break;
        }
    }
    if (field < 24)
        return -1;
    *parent = (pid_t)value4;
    *rss = value24;
    return 0;
}

/* Whether two processes share one address space, as a child does between vfork and exec. */
static int same_address_space(pid_t a, pid_t b) {
    return syscall(SYS_kcmp, a, b, KCMP_VM, 0, 0) == 0;
}

/* The summed resident set of every process that descends from this one, in pages. */
static long tree_rss_pages(pid_t self) {
    DIR *proc = opendir("/proc");
    if (!proc)
        return 0;
    int count = 0;
    struct dirent *entry;
    while ((entry = readdir(proc)) && count < max_processes) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue;
        pid_t pid = (pid_t)strtol(entry->d_name, NULL, 10);
        if (read_stat(pid, &parents[count], &rss_pages[count]) == 0)
            pids[count++] = pid;
    }
    closedir(proc);
    long total = 0;
    for (int i = 0; i < count; i++) {
        /* Walk up from each process; the tree is shallow, and a bound stops any cycle. */
        pid_t up = parents[i];
        for (int depth = 0; depth < 64 && up > 1; depth++) {
            if (up == self) {
                if (!same_address_space(pids[i], parents[i]))
                    total += rss_pages[i];
                break;
            }
            int j = 0;
            while (j < count && pids[j] != up)
                j++;
            if (j == count)
                break;
            up = parents[j];
        }
    }
    return total;
}

int main(int argc, char **argv) {
    long interval_ms = 50;
    const char *result_path = NULL;
    int opt;
    while ((opt = getopt(argc, argv, "+i:o:")) != -1) {
        if (opt == 'i')
            interval_ms = strtol(optarg, NULL, 10);
        else if (opt == 'o')
            result_path = optarg;
        else
            return 2;
    }
    if (!result_path || optind >= argc || interval_ms <= 0) {
        fprintf(stderr, "usage: measure [-i MILLISECONDS] -o RESULT_FILE -- COMMAND [ARGUMENT...]\n");
        return 2;
    }
    FILE *result = fopen(result_path, "w");
    if (!result) {
        perror(result_path);
        return 2;
    }
    if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
        perror("prctl(PR_SET_CHILD_SUBREAPER)");
        return 2;
    }
    /* SIGCHLD stays blocked and is taken by sigtimedwait: the sampling sleep ends at once when
       a process of the tree exits, so the command's exit time is not rounded to an interval. */
    sigset_t child_signal;
    sigemptyset(&child_signal);
    sigaddset(&child_signal, SIGCHLD);
    sigprocmask(SIG_BLOCK, &child_signal, NULL);

    pid_t self = getpid();
    long page_kib = sysconf(_SC_PAGESIZE) / 1024;
    double start = now();
    pid_t command = fork();
    if (command < 0) {
        perror("fork");
        return 2;
    }
    if (command == 0) {
        sigprocmask(SIG_UNBLOCK, &child_signal, NULL);
        execvp(argv[optind], argv + optind);
        perror(argv[optind]);
        _exit(127);
    }

    long peak_pages = 0, largest_kib = 0;
    int samples = 0, status = 0, command_done = 0, tree_empty = 0;
    double wall = 0;
    struct timespec interval = {interval_ms / 1000, (interval_ms % 1000) * 1000000L};
    /* Sampling goes on until the last process of the tree has ended, the command or not. */
    while (!tree_empty) {
        long pages = tree_rss_pages(self);
        samples++;
        if (pages > peak_pages)
            peak_pages = pages;
        sigtimedwait(&child_signal, NULL, &interval);
        /* Reap whatever has ended: the command itself, or orphans handed to this subreaper. */
        for (;;) {
            int child_status;
            struct rusage usage;
            pid_t done = wait4(-1, &child_status, WNOHANG, &usage);
            if (done < 0 && errno == ECHILD) {
                tree_empty = 1;
                break;
            }
            if (done <= 0)
                break;
            if (usage.ru_maxrss > largest_kib)
                largest_kib = usage.ru_maxrss;
            if (done == command) {
                wall = now() - start;
                command_done = 1;
                status = WIFEXITED(child_status) ? WEXITSTATUS(child_status)
                                                 : 128 + WTERMSIG(child_status);
            }
        }
    }
    if (!command_done)
        return 2;
    struct rusage tree;
    getrusage(RUSAGE_CHILDREN, &tree);
    fprintf(result,
            "wall_seconds=%.3f user_seconds=%.3f system_seconds=%.3f tree_peak_kib=%ld "
            "largest_process_kib=%ld samples=%d status=%d\n",
            wall, (double)tree.ru_utime.tv_sec + (double)tree.ru_utime.tv_usec / 1e6,
            (double)tree.ru_stime.tv_sec + (double)tree.ru_stime.tv_usec / 1e6,
            peak_pages * page_kib, largest_kib, samples, status);
    fclose(result);
    return status;
}
