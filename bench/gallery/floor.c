/*
 * The least work that a publishable gallery of photographs needs: the floor that
 * pixfold-gallery SRC OUT is measured against. For every JPEG in SRC it makes what a gallery
 * must publish and nothing else:
 *  - OUT/NAME.jpg, the picture upright by its EXIF orientation and shrunk into the web box,
 *    quality 85 with optimized Huffman tables, its colour profile kept and no EXIF, XMP or IPTC;
 *  - OUT/t/NAME.jpg, the thumbnail made from the web copy's pixels, quality 80.
 *
 *   floor [-j N] [--size 1600] [--thumb-size 200] [--filter lanczos3|triangle] [--margin F]
 *         SRC OUT
 *
 * libjpeg-turbo decodes at the smallest DCT scale M/8 that still covers the web box, which
 * skips most of the work of a large photograph; --margin F asks for a scale that covers F times
 * the box (1 to 8), for a shrink that has pixels to spare. The shrink is a separable filter of its
 * own in fixed point: Lanczos-3 by default (the gallery shrinks by Lanczos-3 down the columns and
 * by Catmull-Rom's cubic along the rows), or a triangle, up to 2 dB softer
 * (bench/gallery/sharpness.sh measures both); vertical first on rows as they come out of the
 * decoder (a ring of as many rows as the filter reaches), then horizontal on the fewer output
 * rows; nothing but the web copy is held whole. Turning upright is done on the shrunk
 * pixels, where it costs least. A picture that fits the box is still decoded and encoded, the
 * simplest honest floor. CMYK becomes RGB by the plain formula, without a colour profile (the bench
 * photographs hold no CMYK). No pages, no PPM files, no temporary files and renames, no state:
 * those are the gallery's own overhead.
 *
 * -j N runs N threads, each taking the next picture (default: the processors online). Status 0
 * when every picture was made, 2 when any failed (named on standard error) or on a usage error.
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <getopt.h>
#include <math.h>
#include <pthread.h>
#include <setjmp.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

/* jpeglib.h needs FILE declared before it. */
#include <jpeglib.h>

enum { web_quality = 85, thumb_quality = 80, weight_bits = 14, message_size = 4096 };

enum filter_kind { filter_triangle, filter_lanczos3 };

static int web_box = 1600;
static int thumb_box = 200;
static enum filter_kind filter = filter_lanczos3;
static double decode_margin = 1.0; /* the DCT scale covers this many times the web copy */
static char const* source_dir;
static char const* out_dir;
static char** names;
static size_t name_count;
static atomic_size_t next_picture;
static atomic_int failures;

/* --- the filter ------------------------------------------------------------------------- */

/* For each output position, the input positions it reads and their weights in fixed point,
   summing to 1 << weight_bits. */
struct taps {
    int* start;
    int* count;
    int16_t* weight; /* count[o] weights for output o at o * width */
    int width;       /* the largest count */
};

static double sinc(double x) {
    if (x == 0.0) return 1.0;
    double const px = M_PI * x;
    return sin(px) / px;
}

static double kernel(double x) {
    x = fabs(x);
    if (filter == filter_lanczos3) return x < 3.0 ? sinc(x) * sinc(x / 3.0) : 0.0;
    return x < 1.0 ? 1.0 - x : 0.0;
}

/* Taps of a resampling from in to out positions; the kernel is stretched by the reduction so
   that every input pixel contributes (an enlargement keeps it as it is). Positions past the
   edges are left out and the rest renormalized. */
static int make_taps(struct taps* t, int in, int out) {
    double const scale = (double)in / out;
    double const stretch = scale > 1.0 ? scale : 1.0;
    double const reach = (filter == filter_lanczos3 ? 3.0 : 1.0) * stretch;
    t->width = (int)ceil(reach) * 2 + 1;
    t->start = malloc(sizeof(int) * (size_t)out);
    t->count = malloc(sizeof(int) * (size_t)out);
    t->weight = malloc(sizeof(int16_t) * (size_t)out * (size_t)t->width);
    double* real = malloc(sizeof(double) * (size_t)t->width);
    if (!t->start || !t->count || !t->weight || !real) {
        free(real);
        return -1;
    }
    for (int o = 0; o < out; o++) {
        double const centre = (o + 0.5) * scale - 0.5;
        int first = (int)floor(centre - reach) + 1;
        int last = (int)ceil(centre + reach) - 1;
        if (first < 0) first = 0;
        if (last > in - 1) last = in - 1;
        if (last - first + 1 > t->width) last = first + t->width - 1;
        double sum = 0.0;
        for (int i = first; i <= last; i++) sum += real[i - first] = kernel((i - centre) / stretch);
        if (sum == 0.0) { /* cannot happen for a kernel that is 1 at 0, but stay defined */
            first = last = (int)lround(centre < 0 ? 0 : centre > in - 1 ? in - 1 : centre);
            real[0] = sum = 1.0;
        }
        int16_t* w = t->weight + (size_t)o * (size_t)t->width;
        int total = 0, biggest = 0;
        for (int i = 0; i <= last - first; i++) {
            w[i] = (int16_t)lround(real[i] / sum * (1 << weight_bits));
            total += w[i];
            if (w[i] > w[biggest]) biggest = i;
        }
        w[biggest] = (int16_t)(w[biggest] + ((1 << weight_bits) - total));
        t->start[o] = first;
        t->count[o] = last - first + 1;
    }
    free(real);
    return 0;
}

static void free_taps(struct taps* t) {
    free(t->start);
    free(t->count);
    free(t->weight);
}

static uint8_t clamp_pixel(int32_t sum) {
    int32_t const v = (sum + (1 << (weight_bits - 1))) >> weight_bits;
    return (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v);
}

/* sums += w * row over a whole row; restrict lets the compiler take many pixels at a time. */
static void add_row(int32_t* restrict sums, uint8_t const* restrict row, int32_t w, size_t n) {
    for (size_t i = 0; i < n; i++) sums[i] += w * row[i];
}

static void settle_row(uint8_t* restrict out, int32_t const* restrict sums, size_t n) {
    for (size_t i = 0; i < n; i++) out[i] = clamp_pixel(sums[i]);
}

/* A source of rows, asked for in rising order; a row stays valid while no row more than the
   vertical taps' width further down has been asked for. Returns NULL on failure. */
typedef uint8_t const* (*row_source)(void* context, int y);

/* Shrinks (or keeps) an image of in_w x in_h pixels of `channels` bytes into out, out_w x out_h. */
static int resample(int in_w, int in_h, int channels, row_source fetch, void* context, int out_w,
                    int out_h, uint8_t* out) {
    struct taps across = {0}, down = {0};
    size_t const in_row = (size_t)in_w * (size_t)channels;
    int32_t* sums = malloc(sizeof(int32_t) * in_row);
    uint8_t* column_row = malloc(in_row);
    int status = -1;
    if (!sums || !column_row || make_taps(&across, in_w, out_w) != 0 ||
        make_taps(&down, in_h, out_h) != 0)
        goto done;
    for (int y = 0; y < out_h; y++) {
        /* Vertical: one row of in_w pixels from the rows this output row reaches. */
        int16_t const* wy = down.weight + (size_t)y * (size_t)down.width;
        memset(sums, 0, sizeof(int32_t) * in_row);
        for (int k = 0; k < down.count[y]; k++) {
            uint8_t const* row = fetch(context, down.start[y] + k);
            if (!row) goto done;
            add_row(sums, row, wy[k], in_row);
        }
        settle_row(column_row, sums, in_row);
        /* Horizontal: the output row from that one. */
        uint8_t* o = out + (size_t)y * (size_t)out_w * (size_t)channels;
        for (int x = 0; x < out_w; x++) {
            int16_t const* wx = across.weight + (size_t)x * (size_t)across.width;
            uint8_t const* p = column_row + (size_t)across.start[x] * (size_t)channels;
            int const n = across.count[x];
            if (channels == 3) {
                int32_t r = 0, g = 0, b = 0;
                for (int k = 0; k < n; k++, p += 3) {
                    r += wx[k] * p[0];
                    g += wx[k] * p[1];
                    b += wx[k] * p[2];
                }
                *o++ = clamp_pixel(r);
                *o++ = clamp_pixel(g);
                *o++ = clamp_pixel(b);
            } else {
                int32_t v = 0;
                for (int k = 0; k < n; k++) v += wx[k] * p[k];
                *o++ = clamp_pixel(v);
            }
        }
    }
    status = 0;
done:
    free_taps(&across);
    free_taps(&down);
    free(sums);
    free(column_row);
    return status;
}

/* Rows of an image held whole in memory. */
struct memory_image {
    uint8_t const* pixels;
    size_t row_bytes;
};

static uint8_t const* memory_row(void* context, int y) {
    struct memory_image const* image = context;
    return image->pixels + (size_t)y * image->row_bytes;
}

/* --- decoding --------------------------------------------------------------------------- */

struct error_trap {
    struct jpeg_error_mgr manager;
    jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

static void trap_error(j_common_ptr cinfo) {
    struct error_trap* trap = (struct error_trap*)cinfo->err;
    cinfo->err->format_message(cinfo, trap->message);
    longjmp(trap->back, 1);
}

/* Warnings (a stray byte before a marker, an unknown EXIF field) are no reason to stop. */
static void ignore_warning(j_common_ptr cinfo, int level) {
    (void)cinfo;
    (void)level;
}

/* The decoder's rows, kept in a ring as long as the vertical taps reach back. */
struct decoder_rows {
    struct jpeg_decompress_struct* cinfo;
    uint8_t* ring;
    uint8_t* cmyk; /* a decoded CMYK row before it becomes RGB, or NULL */
    size_t row_bytes;
    int ring_rows;
    int decoded; /* rows taken from the decoder so far */
};

/* CMYK as Adobe writes it stores the inks inverted; plain CMYK does not. */
static void cmyk_to_rgb(uint8_t const* in, uint8_t* out, int width, int inverted) {
    for (int x = 0; x < width; x++, in += 4, out += 3) {
        unsigned const k = inverted ? in[3] : 255u - in[3];
        for (int c = 0; c < 3; c++) {
            unsigned const ink = inverted ? in[c] : 255u - in[c];
            out[c] = (uint8_t)((ink * k + 127) / 255);
        }
    }
}

/* A decoding error longjmps from here past resample(), whose few buffers of a failed picture are
   then not freed: a bench tool can afford that. */
static uint8_t const* decoder_row(void* context, int y) {
    struct decoder_rows* rows = context;
    while (rows->decoded <= y) {
        uint8_t* slot = rows->ring + (size_t)(rows->decoded % rows->ring_rows) * rows->row_bytes;
        JSAMPROW target = rows->cmyk ? rows->cmyk : slot;
        if (jpeg_read_scanlines(rows->cinfo, &target, 1) != 1) return NULL;
        if (rows->cmyk)
            cmyk_to_rgb(rows->cmyk, slot, (int)rows->cinfo->output_width,
                        rows->cinfo->saw_Adobe_marker);
        rows->decoded++;
    }
    return rows->ring + (size_t)(y % rows->ring_rows) * rows->row_bytes;
}

/* The EXIF orientation (1 to 8) from the APP1 markers the decoder kept, 1 when there is none. */
static int exif_orientation(struct jpeg_decompress_struct const* cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1 || m->data_length < 14 || memcmp(m->data, "Exif\0\0", 6))
            continue;
        uint8_t const* tiff = m->data + 6;
        size_t const size = m->data_length - 6;
        int const little = tiff[0] == 'I';
#define U16(p) (little ? (uint32_t)((p)[0] | (p)[1] << 8) : (uint32_t)((p)[0] << 8 | (p)[1]))
#define U32(p) (little ? (U16(p) | U16((p) + 2) << 16) : (U16(p) << 16 | U16((p) + 2)))
        uint32_t const ifd = U32(tiff + 4);
        if (ifd > size - 2) return 1;
        uint32_t const entries = U16(tiff + ifd);
        for (uint32_t e = 0; e < entries && ifd + 2 + 12 * (e + 1) <= size; e++) {
            uint8_t const* entry = tiff + ifd + 2 + 12 * e;
            if (U16(entry) == 0x0112) {
                uint32_t const value = U16(entry + 8);
                return value >= 1 && value <= 8 ? (int)value : 1;
            }
        }
#undef U32
#undef U16
        return 1;
    }
    return 1;
}

/* --- turning and encoding --------------------------------------------------------------- */

/* The picture as shown, from the stored pixels (w x h) and the EXIF orientation. */
static void turn_upright(uint8_t const* in, int w, int h, int channels, int orientation,
                         uint8_t* out) {
    int const out_w = orientation >= 5 ? h : w;
    int const out_h = orientation >= 5 ? w : h;
    for (int y = 0; y < out_h; y++) {
        for (int x = 0; x < out_w; x++) {
            int sx, sy;
            switch (orientation) {
            case 2:
                sx = w - 1 - x, sy = y;
                break;
            case 3:
                sx = w - 1 - x, sy = h - 1 - y;
                break;
            case 4:
                sx = x, sy = h - 1 - y;
                break;
            case 5:
                sx = y, sy = x;
                break;
            case 6:
                sx = y, sy = h - 1 - x;
                break;
            case 7:
                sx = w - 1 - y, sy = h - 1 - x;
                break;
            case 8:
                sx = w - 1 - y, sy = x;
                break;
            default:
                sx = x, sy = y;
                break;
            }
            memcpy(out + ((size_t)y * (size_t)out_w + (size_t)x) * (size_t)channels,
                   in + ((size_t)sy * (size_t)w + (size_t)sx) * (size_t)channels, (size_t)channels);
        }
    }
}

static int encode(char const* path, uint8_t const* pixels, int w, int h, int channels, int quality,
                  JOCTET const* profile, unsigned profile_size, char* message) {
    FILE* file = fopen(path, "wb");
    if (!file) {
        snprintf(message, message_size, "%s: %s", path, strerror(errno));
        return -1;
    }
    struct jpeg_compress_struct cinfo;
    memset(&cinfo, 0, sizeof cinfo);
    struct error_trap trap;
    JSAMPROW* rows = malloc(sizeof(JSAMPROW) * (size_t)h);
    cinfo.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = trap_error;
    trap.manager.emit_message = ignore_warning;
    if (!rows || setjmp(trap.back)) {
        snprintf(message, message_size, "%s: %s", path, rows ? trap.message : "out of memory");
        jpeg_destroy_compress(&cinfo);
        fclose(file);
        free(rows);
        return -1;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = (JDIMENSION)w;
    cinfo.image_height = (JDIMENSION)h;
    cinfo.input_components = channels;
    cinfo.in_color_space = channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    if (profile) jpeg_write_icc_profile(&cinfo, profile, profile_size);
    for (int y = 0; y < h; y++)
        rows[y] = (JSAMPROW)(pixels + (size_t)y * (size_t)w * (size_t)channels);
    jpeg_write_scanlines(&cinfo, rows, (JDIMENSION)h);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    free(rows);
    if (fclose(file) != 0) {
        snprintf(message, message_size, "%s: %s", path, strerror(errno));
        return -1;
    }
    return 0;
}

/* --- one picture ------------------------------------------------------------------------ */

/* The size of a w x h picture shrunk into a box, never enlarged; the long side fills the box. */
static void fit_box(int w, int h, int box, int* out_w, int* out_h) {
    if (w <= box && h <= box) {
        *out_w = w, *out_h = h;
    } else if (w >= h) {
        *out_w = box;
        *out_h = (int)(((long long)h * box + w / 2) / w);
    } else {
        *out_h = box;
        *out_w = (int)(((long long)w * box + h / 2) / h);
    }
    if (*out_w < 1) *out_w = 1;
    if (*out_h < 1) *out_h = 1;
}

/* Everything a picture holds; freed at the end whatever happened. */
struct picture {
    struct jpeg_decompress_struct cinfo;
    struct error_trap trap;
    FILE* file;
    JOCTET* profile;
    unsigned profile_size;
    struct decoder_rows rows;
    uint8_t* stored; /* the web copy as stored, before turning */
    uint8_t* shown;  /* the web copy upright */
    uint8_t* thumb;
    char* paths[3]; /* source, web copy, thumbnail */
};

static int make_picture(struct picture* p, char* message) {
    p->file = fopen(p->paths[0], "rb");
    if (!p->file) {
        snprintf(message, message_size, "%s", strerror(errno));
        return -1;
    }
    p->cinfo.err = jpeg_std_error(&p->trap.manager);
    p->trap.manager.error_exit = trap_error;
    p->trap.manager.emit_message = ignore_warning;
    if (setjmp(p->trap.back)) {
        snprintf(message, message_size, "%s", p->trap.message);
        return -1;
    }
    jpeg_create_decompress(&p->cinfo);
    jpeg_stdio_src(&p->cinfo, p->file);
    jpeg_save_markers(&p->cinfo, JPEG_APP0 + 1, 0xffff); /* EXIF, for the orientation */
    jpeg_save_markers(&p->cinfo, JPEG_APP0 + 2, 0xffff); /* the colour profile */
    jpeg_read_header(&p->cinfo, TRUE);
    int const orientation = exif_orientation(&p->cinfo);
    J_COLOR_SPACE const space = p->cinfo.jpeg_color_space;
    int const cmyk = space == JCS_CMYK || space == JCS_YCCK;
    int const channels = space == JCS_GRAYSCALE ? 1 : 3;
    p->cinfo.out_color_space = channels == 1 ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    /* A CMYK profile does not describe the RGB pixels made from it. */
    if (!cmyk) jpeg_read_icc_profile(&p->cinfo, &p->profile, &p->profile_size);

    /* The web copy's size as stored (before turning), then the smallest DCT scale covering it. */
    int const turned = orientation >= 5;
    int const stored_w = (int)p->cinfo.image_width, stored_h = (int)p->cinfo.image_height;
    int shown_w, shown_h;
    fit_box(turned ? stored_h : stored_w, turned ? stored_w : stored_h, web_box, &shown_w,
            &shown_h);
    int const web_w = turned ? shown_h : shown_w, web_h = turned ? shown_w : shown_h;
    p->cinfo.scale_denom = 8;
    for (p->cinfo.scale_num = 1; p->cinfo.scale_num < 8; p->cinfo.scale_num++) {
        jpeg_calc_output_dimensions(&p->cinfo);
        if (p->cinfo.output_width >= decode_margin * web_w &&
            p->cinfo.output_height >= decode_margin * web_h)
            break;
    }
    jpeg_start_decompress(&p->cinfo);
    int const decoded_w = (int)p->cinfo.output_width, decoded_h = (int)p->cinfo.output_height;

    struct taps probe = {0};
    if (make_taps(&probe, decoded_h, web_h) != 0) {
        free_taps(&probe);
        snprintf(message, message_size, "out of memory");
        return -1;
    }
    p->rows.ring_rows = probe.width;
    free_taps(&probe);
    p->rows.cinfo = &p->cinfo;
    p->rows.row_bytes = (size_t)decoded_w * (size_t)channels;
    p->rows.ring = malloc(p->rows.row_bytes * (size_t)p->rows.ring_rows);
    if (cmyk) p->rows.cmyk = malloc((size_t)decoded_w * 4);
    size_t const web_bytes = (size_t)web_w * (size_t)web_h * (size_t)channels;
    p->stored = malloc(web_bytes);
    if (!p->rows.ring || (cmyk && !p->rows.cmyk) || !p->stored) {
        snprintf(message, message_size, "out of memory");
        return -1;
    }
    if (resample(decoded_w, decoded_h, channels, decoder_row, &p->rows, web_w, web_h, p->stored) !=
        0) {
        snprintf(message, message_size, "the decoder stopped early");
        return -1;
    }
    /* The filter may not reach the last rows; the decoder wants them taken all the same. */
    while (p->rows.decoded < decoded_h)
        if (!decoder_row(&p->rows, p->rows.decoded)) break;
    jpeg_finish_decompress(&p->cinfo);

    uint8_t const* web = p->stored;
    if (orientation != 1) {
        p->shown = malloc(web_bytes);
        if (!p->shown) {
            snprintf(message, message_size, "out of memory");
            return -1;
        }
        turn_upright(p->stored, web_w, web_h, channels, orientation, p->shown);
        web = p->shown;
    }
    if (encode(p->paths[1], web, shown_w, shown_h, channels, web_quality, p->profile,
               p->profile_size, message) != 0)
        return -1;

    int thumb_w, thumb_h;
    fit_box(shown_w, shown_h, thumb_box, &thumb_w, &thumb_h);
    p->thumb = malloc((size_t)thumb_w * (size_t)thumb_h * (size_t)channels);
    struct memory_image source = {web, (size_t)shown_w * (size_t)channels};
    if (!p->thumb || resample(shown_w, shown_h, channels, memory_row, &source, thumb_w, thumb_h,
                              p->thumb) != 0) {
        snprintf(message, message_size, "out of memory");
        return -1;
    }
    return encode(p->paths[2], p->thumb, thumb_w, thumb_h, channels, thumb_quality, p->profile,
                  p->profile_size, message);
}

static char* joined(char const* a, char const* b, char const* c, char const* d) {
    size_t const size = strlen(a) + strlen(b) + strlen(c) + strlen(d) + 1;
    char* path = malloc(size);
    if (path) snprintf(path, size, "%s%s%s%s", a, b, c, d);
    return path;
}

static void process(char const* name) {
    struct picture p;
    memset(&p, 0, sizeof p);
    char message[message_size] = "out of memory";
    size_t const stem_size = (size_t)(strrchr(name, '.') - name);
    char* stem = strndup(name, stem_size);
    int status = -1;
    if (stem) {
        p.paths[0] = joined(source_dir, "/", name, "");
        p.paths[1] = joined(out_dir, "/", stem, ".jpg");
        p.paths[2] = joined(out_dir, "/t/", stem, ".jpg");
        if (p.paths[0] && p.paths[1] && p.paths[2]) status = make_picture(&p, message);
    }
    if (status != 0) {
        fprintf(stderr, "floor: %s: %s\n", name, message);
        atomic_fetch_add(&failures, 1);
    }
    jpeg_destroy_decompress(&p.cinfo);
    if (p.file) fclose(p.file);
    free(p.profile);
    free(p.rows.ring);
    free(p.rows.cmyk);
    free(p.stored);
    free(p.shown);
    free(p.thumb);
    for (int i = 0; i < 3; i++) free(p.paths[i]);
    free(stem);
}

static void* worker(void* unused) {
    (void)unused;
    for (;;) {
        size_t const i = atomic_fetch_add(&next_picture, 1);
        if (i >= name_count) return NULL;
        process(names[i]);
    }
}

/* --- the folder ------------------------------------------------------------------------- */

static int is_jpeg_name(char const* name) {
    char const* dot = strrchr(name, '.');
    if (name[0] == '.' || !dot || dot == name) return 0;
    return strcasecmp(dot, ".jpg") == 0 || strcasecmp(dot, ".jpeg") == 0;
}

static int by_bytes(void const* a, void const* b) {
    return strcmp(*(char* const*)a, *(char* const*)b);
}

static int list_pictures(void) {
    DIR* dir = opendir(source_dir);
    if (!dir) return -1;
    size_t capacity = 0;
    for (struct dirent* entry; (entry = readdir(dir));) {
        if (!is_jpeg_name(entry->d_name)) continue;
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) continue;
        if (name_count == capacity) {
            capacity = capacity ? capacity * 2 : 256;
            char** more = realloc(names, sizeof(char*) * capacity);
            if (!more) return -1;
            names = more;
        }
        if (!(names[name_count++] = strdup(entry->d_name))) return -1;
    }
    closedir(dir);
    qsort(names, name_count, sizeof(char*), by_bytes);
    return 0;
}

static int usage(void) {
    fprintf(stderr, "usage: floor [-j N] [--size N] [--thumb-size N] "
                    "[--filter lanczos3|triangle] [--margin F] SRC OUT\n");
    return 2;
}

static int positive(char const* text, int* value) {
    char* end;
    long const v = strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || v < 1 || v > 65500) return -1;
    *value = (int)v;
    return 0;
}

int main(int argc, char** argv) {
    long const online = sysconf(_SC_NPROCESSORS_ONLN);
    int jobs = online > 0 ? (int)online : 1;
    static struct option const options[] = {{"size", required_argument, NULL, 's'},
                                            {"thumb-size", required_argument, NULL, 't'},
                                            {"filter", required_argument, NULL, 'f'},
                                            {"margin", required_argument, NULL, 'm'},
                                            {NULL, 0, NULL, 0}};
    for (int opt; (opt = getopt_long(argc, argv, "j:", options, NULL)) != -1;) {
        if (opt == 'j' && positive(optarg, &jobs) == 0) continue;
        if (opt == 's' && positive(optarg, &web_box) == 0) continue;
        if (opt == 't' && positive(optarg, &thumb_box) == 0) continue;
        if (opt == 'm') {
            char* end;
            decode_margin = strtod(optarg, &end);
            if (*end == '\0' && decode_margin >= 1.0 && decode_margin <= 8.0) continue;
            return usage();
        }
        if (opt == 'f' && strcmp(optarg, "triangle") == 0) {
            filter = filter_triangle;
            continue;
        }
        if (opt == 'f' && strcmp(optarg, "lanczos3") == 0) {
            filter = filter_lanczos3;
            continue;
        }
        return usage();
    }
    if (argc - optind != 2) return usage();
    source_dir = argv[optind];
    out_dir = argv[optind + 1];
    if (list_pictures() != 0) {
        fprintf(stderr, "floor: %s: %s\n", source_dir, strerror(errno));
        return 2;
    }
    char* thumbs = joined(out_dir, "/t", "", "");
    if (!thumbs || (mkdir(out_dir, 0777) != 0 && errno != EEXIST) ||
        (mkdir(thumbs, 0777) != 0 && errno != EEXIST)) {
        fprintf(stderr, "floor: %s: %s\n", thumbs ? thumbs : out_dir, strerror(errno));
        return 2;
    }
    free(thumbs);

    if ((size_t)jobs > name_count) jobs = name_count > 0 ? (int)name_count : 1;
    pthread_t* threads = malloc(sizeof(pthread_t) * (size_t)jobs);
    if (!threads) return 2;
    /* The main thread is one of the jobs. */
    for (int i = 1; i < jobs; i++)
        if (pthread_create(&threads[i], NULL, worker, NULL) != 0) {
            fprintf(stderr, "floor: cannot start a thread\n");
            return 2;
        }
    worker(NULL);
    for (int i = 1; i < jobs; i++) pthread_join(threads[i], NULL);
    free(threads);
    for (size_t i = 0; i < name_count; i++) free(names[i]);
    free(names);
    return atomic_load(&failures) == 0 ? 0 : 2;
}
