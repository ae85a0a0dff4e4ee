/* Writes a gallery of N pictures for the benchmarks, in one process: for each picture a PPM
 * companion with a real header and a few bytes of pixel data, and one line "./name.jpg" in the
 * file list. The JPEG files themselves are never made: pixfold never opens them.
 *
 *   make_gallery DIRECTORY COUNT
 *
 * DIRECTORY must exist; the list goes to DIRECTORY/list.txt. The same COUNT always gives the
 * same gallery, so runs on different days compare. */
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* Words for names of realistic length; about a third of them hold spaces. */
static char const* const places[] = {"beach",    "harbour",    "old town", "garden", "mountain hut",
                                     "lake",     "market",     "station",  "bridge", "cathedral",
                                     "vineyard", "river bank", "forest",   "island"};
static char const* const subjects[] = {"sunset", "walk",     "family",   "boats", "snow",
                                       "dinner", "panorama", "birthday", "fog",   "cat"};

/* A small linear congruential generator: the same sequence on every machine. */
static uint32_t next_random(uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return *state >> 8;
}

static void fail(char const* what, char const* name) {
    fprintf(stderr, "make_gallery: %s %s: %s\n", what, name, strerror(errno));
    exit(1);
}

static void write_all(int descriptor, char const* bytes, size_t size, char const* name) {
    while (size > 0) {
        ssize_t const written = write(descriptor, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            fail("cannot write", name);
        }
        bytes += written;
        size -= (size_t)written;
    }
}

/* Makes the name of picture number index, without directory and suffix. */
static int make_name(char* name, size_t capacity, unsigned long index, uint32_t* state) {
    uint32_t const style = next_random(state) % 4u;
    unsigned const year = 2004u + next_random(state) % 20u;
    unsigned const month = 1u + next_random(state) % 12u;
    unsigned const day = 1u + next_random(state) % 28u;
    char const* const place = places[next_random(state) % (sizeof places / sizeof *places)];
    char const* const subject = subjects[next_random(state) % (sizeof subjects / sizeof *subjects)];
    switch (style) {
    case 0: /* what a camera writes */
        return snprintf(name, capacity, "IMG_%07lu", index);
    case 1: /* a date and a place, with spaces */
        return snprintf(name, capacity, "%u-%02u-%02u %s %lu", year, month, day, place, index);
    case 2: /* words joined by underscores */
        return snprintf(name, capacity, "%u_%s_%s_%06lu", year, place, subject, index);
    default: /* short and plain */
        return snprintf(name, capacity, "%s-%lu", subject, index);
    }
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fputs("usage: make_gallery DIRECTORY COUNT\n", stderr);
        return 2;
    }
    char const* const directory = argv[1];
    char* end = NULL;
    unsigned long const count = strtoul(argv[2], &end, 10);
    if (*argv[2] == '\0' || *end != '\0') {
        fputs("make_gallery: COUNT must be a number\n", stderr);
        return 2;
    }
    if (chdir(directory) != 0) fail("cannot enter", directory);

    int const list = open("list.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (list < 0) fail("cannot create", "list.txt");
    static char list_block[1 << 16];
    size_t list_fill = 0;

    uint32_t state = 20240601u;
    for (unsigned long index = 0; index < count; ++index) {
        char name[200];
        int const length = make_name(name, sizeof name, index, &state);
        if (length < 0 || (size_t)length >= sizeof name - 8) {
            fputs("make_gallery: name too long\n", stderr);
            return 1;
        }

        /* The header: magic, "width height", maximum value; then a few bytes of pixels. */
        char ppm_path[sizeof name + 4];
        snprintf(ppm_path, sizeof ppm_path, "%s.ppm", name);
        unsigned const width = 1u + next_random(&state) % 8000u;
        unsigned const height = 1u + next_random(&state) % 6000u;
        char ppm[96];
        int const header = snprintf(ppm, sizeof ppm, "P6\n%u %u\n255\n", width, height);
        size_t const pixels = 3u * (1u + next_random(&state) % 4u);
        for (size_t byte = 0; byte < pixels; ++byte)
            ppm[(size_t)header + byte] = (char)(next_random(&state) & 0xFFu);
        int const file = open(ppm_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (file < 0) fail("cannot create", ppm_path);
        write_all(file, ppm, (size_t)header + pixels, ppm_path);
        if (close(file) != 0) fail("cannot close", ppm_path);

        if (list_fill + (size_t)length + 8 > sizeof list_block) {
            write_all(list, list_block, list_fill, "list.txt");
            list_fill = 0;
        }
        list_fill += (size_t)snprintf(list_block + list_fill, sizeof list_block - list_fill,
                                      "./%s.jpg\n", name);
    }
    write_all(list, list_block, list_fill, "list.txt");
    if (close(list) != 0) fail("cannot close", "list.txt");
    return 0;
}
