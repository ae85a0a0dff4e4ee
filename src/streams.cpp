#include "streams.h"

#include "platform/platform.h"

#include <cstring>

namespace {

constexpr std::size_t output_block_size = 4096;
constexpr std::size_t input_block_size = 65536;
constexpr unsigned char end_of_file_byte = 0x1A; // Ctrl-Z

// Standard output: collected bytes before translation, and what the console test said.
char output_block[output_block_size];
std::size_t output_block_fill;
bool output_is_console;
bool output_write_failed;

// Standard input: the block read last, and where reading stands in it.
char input_block[input_block_size];
std::size_t input_position;
std::size_t input_fill;
bool input_ended;
bool input_read_failed;
bool input_is_console;
bool input_console_known; // asked only when a Ctrl-Z comes, the one byte whose rule depends on it
bool input_at_typed_line_start;
bool input_dropping_typed_line;
int input_pushed_back; // a byte read ahead after a CR, or -1

using write_function = bool (*)(char const*, std::size_t);

// Writes bytes through the function with LF as CR LF; false when anything did not arrive.
bool write_translated(write_function write, char const* bytes, std::size_t size) {
    char translated[2 * output_block_size];
    bool delivered = true;
    while (size > 0) {
        std::size_t const piece = size < output_block_size ? size : output_block_size;
        delivered &= write(translated, translate_line_ends(bytes, piece, translated));
        bytes += piece;
        size -= piece;
    }
    return delivered;
}

void write_out_block() {
    if (!write_translated(platform_write_output, output_block, output_block_fill))
        output_write_failed = true;
    output_block_fill = 0;
}

// The next byte of standard input with the Ctrl-Z rules applied, or -1 at its end. A failed
// read ends the input too, and is remembered for the exit.
int next_raw_input_byte() {
    for (;;) {
        if (input_ended) return -1;
        if (input_position == input_fill) {
            input_position = 0;
            input_read_failed = !platform_read_input(input_block, input_block_size, input_fill);
            if (input_fill == 0) {
                input_ended = true;
                return -1;
            }
        }
        auto const byte = static_cast<unsigned char>(input_block[input_position++]);
        if (input_dropping_typed_line) {
            if (byte == '\n') {
                input_dropping_typed_line = false;
                input_at_typed_line_start = true;
            }
            continue;
        }
        if (byte == end_of_file_byte) {
            // In a file or a pipe Ctrl-Z is the end, and nothing after it is ever read; so it
            // is at the start of a typed line. Typed later in a line, it takes itself and the
            // rest of that typed line away, and the line goes on with the next typed line.
            if (!input_console_known) {
                input_is_console = platform_input_is_console();
                input_console_known = true;
            }
            if (!input_is_console || input_at_typed_line_start) {
                input_ended = true;
                return -1;
            }
            input_dropping_typed_line = true;
            continue;
        }
        input_at_typed_line_start = byte == '\n';
        return byte;
    }
}

// The next byte of standard input with CR LF read as LF, or -1 at its end.
int next_input_byte() {
    int byte = input_pushed_back;
    if (byte != -1)
        input_pushed_back = -1;
    else
        byte = next_raw_input_byte();
    if (byte == '\r') {
        // A CR stays part of the line unless an LF follows it.
        int const after = next_raw_input_byte();
        if (after == '\n') return '\n';
        input_pushed_back = after;
    }
    return byte;
}

// Whether a byte of standard input needs the rules of next_input_byte: every other byte is
// taken as it is, whatever the stream.
bool needs_input_rules(char byte) {
    return byte == '\n' || byte == '\r' || byte == static_cast<char>(end_of_file_byte);
}

// Copies the bytes of the current input block up to the next one that needs the rules, at
// most room of them, to out; returns how many. Lines are mostly such plain bytes, so this
// takes them without a call per byte.
std::size_t take_plain_input(char* out, std::size_t room) {
    if (input_ended || input_dropping_typed_line || input_pushed_back != -1) return 0;
    std::size_t const start = input_position;
    std::size_t const limit = input_fill - start < room ? input_fill : start + room;
    std::size_t at = start;
    while (at < limit && !needs_input_rules(input_block[at])) ++at;
    if (at == start) return 0;
    std::memcpy(out, input_block + start, at - start);
    input_position = at;
    input_at_typed_line_start = false;
    return at - start;
}

} // namespace

std::size_t translate_line_ends(char const* bytes, std::size_t size, char* out) {
    char* const out_start = out;
    char const* const end = bytes + size;
    while (bytes < end) {
        auto const* line_feed = static_cast<char const*>(
            std::memchr(bytes, '\n', static_cast<std::size_t>(end - bytes)));
        std::size_t const run = static_cast<std::size_t>((line_feed ? line_feed : end) - bytes);
        std::memcpy(out, bytes, run);
        out += run;
        bytes += run;
        if (line_feed) {
            *out++ = '\r';
            *out++ = '\n';
            ++bytes;
        }
    }
    return static_cast<std::size_t>(out - out_start);
}

void start_streams() {
    output_block_fill = 0;
    output_is_console = platform_output_is_console();
    output_write_failed = false;
    input_position = 0;
    input_fill = 0;
    input_ended = false;
    input_read_failed = false;
    input_console_known = false;
    input_at_typed_line_start = true;
    input_dropping_typed_line = false;
    input_pushed_back = -1;
}

void write_out(char const* bytes, std::size_t size) {
    if (output_is_console) {
        if (!write_translated(platform_write_output, bytes, size)) output_write_failed = true;
        return;
    }
    while (size > 0) {
        // A full block goes out only when a further byte comes, so the last one waits for exit.
        if (output_block_fill == output_block_size) write_out_block();
        std::size_t const room = output_block_size - output_block_fill;
        std::size_t const piece = size < room ? size : room;
        std::memcpy(output_block + output_block_fill, bytes, piece);
        output_block_fill += piece;
        bytes += piece;
        size -= piece;
    }
}

void write_out(char const* text) {
    write_out(text, std::strlen(text));
}

void report_error(char const* path, char const* message) {
    // Standard error is the last resort: if it cannot be written, there is nobody left to tell.
    if (*path != '\0') {
        write_translated(platform_write_error, path, std::strlen(path));
        write_translated(platform_write_error, ": ", 2);
    }
    write_translated(platform_write_error, message, std::strlen(message));
    write_translated(platform_write_error, "\n", 1);
}

list_line read_list_line(char (&line)[name_buffer_size], std::size_t& size) {
    int byte = next_input_byte();
    if (byte == -1) return list_line::end;
    std::size_t length = 0;
    for (; byte != -1 && byte != '\n'; byte = next_input_byte()) {
        if (length == name_buffer_size - 1) {
            line[length] = '\0';
            size = length;
            return list_line::too_long;
        }
        line[length++] = static_cast<char>(byte);
        length += take_plain_input(line + length, name_buffer_size - 1 - length);
    }
    // A line that a failed read cut short is not known to be a whole name: the list ends before
    // it.
    if (input_read_failed) return list_line::end;
    line[length] = '\0';
    size = length;
    return list_line::read;
}

void fatal_error() {
    write_out("Fatal Error\n");
    exit_with_status(2);
}

void stop_name_too_long(char const* name) {
    report_error(name, "File name too long");
    exit_with_status(2);
}

void exit_with_status(int status) {
    write_out_block();
    // A list that could not be read to its end, or a page that did not arrive whole, must not
    // pass for a whole page.
    if (input_read_failed) {
        report_error("stdin", "Read error");
        status = 2;
    }
    if (output_write_failed) {
        report_error("stdout", "Write error");
        status = 2;
    }
    platform_exit(status);
}
