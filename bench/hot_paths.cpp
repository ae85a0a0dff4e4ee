// The pieces of pixfold that run once or more per picture in user space, timed alone, so a
// change that slows one of them shows without a full gallery run.
#include "sources/code_pages.h"
#include "sources/companion_names.h"
#include "sources/picture_size.h"
#include "streams.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace {

// Second header lines as galleries have them: plain, with a trailing CR, with a maximum value.
constexpr char const* header_lines[] = {"640 480\n", "7999 5999\r\n", "16 9 255\n",
                                        "  1024   768\n"};

void parse_header_line(benchmark::State& state) {
    std::size_t sizes[std::size(header_lines)];
    for (std::size_t line = 0; line < std::size(header_lines); ++line)
        sizes[line] = std::strlen(header_lines[line]);
    std::size_t line = 0;
    for (auto _ : state) {
        picture_size const size = parse_picture_size(header_lines[line], sizes[line]);
        benchmark::DoNotOptimize(size);
        line = (line + 1) % std::size(header_lines);
    }
}
BENCHMARK(parse_header_line);

// List lines of the lengths make_gallery writes, in plain ASCII, and the same with Japanese
// words in Shift-JIS, whose bytes above 0x7F make replace_suffix walk character by character.
constexpr char const* ascii_lines[] = {"./IMG_0004711.jpg", "./2017-03-22 old town 481516.jpg",
                                       "./2011_mountain hut_panorama_004242.jpg",
                                       "./sunset-999999.jpg"};
constexpr char const* shift_jis_lines[] = {
    "./IMG_0004711 \x8E\xCA\x90\x5E.jpg", "./2017-03-22 \x8B\x9E\x93\x73 481516.jpg",
    "./2011_\x8E\x52\x8F\xAC\x89\xAE_004242.jpg", "./\x97\x5B\x93\xFA-999999.jpg"};

// The four names of one index entry: range(0) is the code page, range(1) 1 for Shift-JIS names.
void make_entry_names(benchmark::State& state) {
    lead_byte_table const lead_bytes =
        lead_bytes_of_code_page(static_cast<unsigned>(state.range(0)));
    auto const& lines = state.range(1) != 0 ? shift_jis_lines : ascii_lines;
    char ppm_path[name_buffer_size];
    char image_path[name_buffer_size];
    char page_name[name_buffer_size];
    char anchor_name[name_buffer_size];
    std::size_t line = 0;
    for (auto _ : state) {
        char const* const name = lines[line];
        bool fits = replace_suffix(name, ".ppm", ppm_path, lead_bytes);
        fits &= replace_suffix(name, ".jpg", image_path, lead_bytes);
        fits &= replace_suffix(name + 2, ".html", page_name, lead_bytes);
        fits &= replace_suffix(name + 2, "", anchor_name, lead_bytes);
        benchmark::DoNotOptimize(fits);
        benchmark::ClobberMemory();
        line = (line + 1) % std::size(lines);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(make_entry_names)->Args({1252, 0})->Args({932, 0})->Args({932, 1});

// One full output block of index entries, as it goes to a file with CR LF line ends.
void translate_output_block(benchmark::State& state) {
    std::string block;
    while (block.size() < 4096)
        block += "<a href=\"2017-03-22 old town 481516.html\" name=\"2017-03-22 old town 481516\">"
                 "<img src=\"./2017-03-22 old town 481516.jpg\" alt=\"Thumbnail Picture\" "
                 "width=\"4032\" height=\"3024\"></a>\n<p>!</p>\n";
    block.resize(4096);
    static char out[2 * 4096];
    for (auto _ : state) {
        std::size_t const size = translate_line_ends(block.data(), block.size(), out);
        benchmark::DoNotOptimize(size);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 4096);
}
BENCHMARK(translate_output_block);

} // namespace

BENCHMARK_MAIN();
