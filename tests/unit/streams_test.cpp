#include "fake_platform.h"
#include "streams.h"

#include <gtest/gtest.h>

namespace {

// Starts the streams on a machine with this standard input, as a new process would.
void start_with_input(std::string input, std::size_t read_size = 1 << 20, bool console = false) {
    fake::current = {};
    fake::current.input = std::move(input);
    fake::current.input_read_size = read_size;
    fake::current.input_is_console = console;
    fake::start();
}

// The input that the run has not read.
std::string unread_input() {
    return fake::current.input.substr(fake::current.input_taken);
}

// Every line that read_list_line gives until the end, each ending in '|'.
std::string read_all_lines() {
    char line[name_buffer_size];
    std::size_t size = 0;
    std::string lines;
    while (read_list_line(line, size) == list_line::read) lines += std::string(line, size) + "|";
    return lines;
}

TEST(translate_line_ends, sends_every_line_feed_as_carriage_return_line_feed) {
    std::string const text = "a\nb\r\n\n";
    char out[16];
    std::size_t const size = translate_line_ends(text.data(), text.size(), out);
    EXPECT_EQ(std::string(out, size), "a\r\nb\r\r\n\r\n");
}

TEST(write_out, collects_blocks_of_4096_bytes_and_writes_the_rest_at_exit) {
    start_with_input("");
    std::string const block(4095, 'x');
    write_out(block.data(), block.size());
    write_out("\n"); // the 4096th byte fills the block; it goes out only when more comes
    EXPECT_TRUE(fake::current.output_writes.empty());
    write_out("y\n");
    ASSERT_EQ(fake::current.output_writes.size(), 1u);
    EXPECT_EQ(fake::current.output_writes[0], 4097u); // one LF in the block became CR LF
    EXPECT_EQ(fake::status_of_exit([] { exit_with_status(0); }), 0);
    EXPECT_EQ(fake::current.output, block + "\r\ny\r\n");
    EXPECT_EQ(fake::current.output_writes.size(), 2u);
}

TEST(write_out, writes_each_call_at_once_to_a_console) {
    start_with_input("");
    fake::current.output_is_console = true;
    fake::start();
    write_out("one\n");
    EXPECT_EQ(fake::current.output, "one\r\n");
    write_out(std::string(10000, 'z').c_str());
    EXPECT_EQ(fake::current.output.size(), 10005u);
}

TEST(write_out, failed_write_turns_success_into_status_2_with_one_report) {
    start_with_input("");
    fake::current.fail_operation = 1;
    write_out(std::string(5000, 'a').c_str()); // the first block fails, the rest arrives
    EXPECT_EQ(fake::status_of_exit([] { exit_with_status(0); }), 2);
    EXPECT_EQ(fake::current.output, std::string(5000 - 4096, 'a'));
    EXPECT_EQ(fake::current.error, "stdout: Write error\r\n");
}

TEST(report_error, writes_path_colon_message_and_line_end_translated) {
    start_with_input("");
    report_error("a\nb", "Permission denied");
    report_error("", "No such file or directory");
    EXPECT_EQ(fake::current.error, "a\r\nb: Permission denied\r\nNo such file or directory\r\n");
    EXPECT_TRUE(fake::current.output.empty());
}

TEST(read_list_line, reads_text_mode_lines) {
    start_with_input("one\r\ntwo\rthree\n\nlast");
    EXPECT_EQ(read_all_lines(), "one|two\rthree||last|");
    start_with_input("");
    EXPECT_EQ(read_all_lines(), "");
    start_with_input("\n");
    EXPECT_EQ(read_all_lines(), "|");
    start_with_input("a\r");
    EXPECT_EQ(read_all_lines(), "a\r|");
}

TEST(read_list_line, joins_carriage_return_and_line_feed_across_reads) {
    start_with_input("ab\r\ncd\r\r\n", 1);
    EXPECT_EQ(read_all_lines(), "ab|cd\r|");
    EXPECT_EQ(fake::current.operations.size(), 10u); // one read per byte, and one at the end
}

TEST(read_list_line, stops_at_control_z_in_a_file_and_reads_nothing_after_it) {
    start_with_input("one\ntwo\n\x1Athree\n", 4);
    EXPECT_EQ(read_all_lines(), "one|two|");
    EXPECT_EQ(unread_input(), "ee\n"); // the block holding Ctrl-Z was the last one read
    start_with_input("one\ntw\x1Ao\n");
    EXPECT_EQ(read_all_lines(), "one|tw|");
    start_with_input("a\r\x1A\n");
    EXPECT_EQ(read_all_lines(), "a\r|");
}

TEST(read_list_line, keeps_zero_bytes_in_the_line) {
    start_with_input(std::string("a\0b\n", 4));
    char line[name_buffer_size];
    std::size_t size = 0;
    ASSERT_EQ(read_list_line(line, size), list_line::read);
    EXPECT_EQ(std::string(line, size), std::string("a\0b", 3));
}

TEST(read_list_line, reads_control_z_from_a_console_by_typed_lines) {
    // Each read of a console returns one typed line.
    start_with_input("ab\x1A"
                     "cd\nef\n\x1Agh\n",
                     0, true);
    fake::current.input_read_size = 7;
    EXPECT_EQ(read_all_lines(), "abef|");
    start_with_input("one\n\x1A\nnever\n", 4, true);
    EXPECT_EQ(read_all_lines(), "one|");
}

TEST(read_list_line, gives_the_first_259_bytes_of_a_longer_line_and_reads_no_further) {
    std::string const fits(259, 'f');
    start_with_input(fits + "\r\n" + fits + "g\nnext\n", 261);
    char line[name_buffer_size];
    std::size_t size = 0;
    ASSERT_EQ(read_list_line(line, size), list_line::read);
    EXPECT_EQ(size, 259u);
    ASSERT_EQ(read_list_line(line, size), list_line::too_long);
    EXPECT_EQ(std::string(line), fits);
    EXPECT_EQ(unread_input(), "next\n"); // the block after the long line stays unread
}

// A failed read of standard input ends the list there: the lines before it count, the line it
// cut short does not, nothing more is read, and the run ends with 2 and one report after the
// page text.
TEST(read_list_line, ends_the_list_at_a_failed_read_and_fails_the_run) {
    struct failing_input {
        bool console;
        std::size_t read_size;
    };
    // A file or a pipe, read in blocks, and a console, read one typed line at a time.
    for (auto const [console, read_size] : {failing_input{false, 10}, failing_input{true, 4}}) {
        SCOPED_TRACE(console ? "console" : "file or pipe");
        start_with_input("one\ntwo\nthree\n", read_size, console);
        fake::current.fail_operation = console ? 3 : 2;
        fake::current.counted_kind = fake::operation::read_input;
        EXPECT_EQ(read_all_lines(), "one|two|"); // "th" or "thre" was cut short
        char line[name_buffer_size];
        std::size_t size = 0;
        EXPECT_EQ(read_list_line(line, size), list_line::end);
        EXPECT_EQ(fake::current.operations.size(), console ? 3u : 2u);
        write_out("page\n");
        EXPECT_EQ(fake::status_of_exit([] { exit_with_status(0); }), 2);
        EXPECT_EQ(fake::current.output, "page\r\n");
        EXPECT_EQ(fake::current.error, "stdin: Read error\r\n");
    }
}

TEST(exit_with_status, reports_a_failed_read_and_a_failed_write_once_each) {
    start_with_input("a\n");
    fake::current.fail_operation = 1; // the first read
    EXPECT_EQ(read_all_lines(), "");
    fake::current.fail_operation = 2; // and the one write of the page, at exit
    write_out("lost\n");
    EXPECT_EQ(fake::status_of_exit([] { exit_with_status(0); }), 2);
    EXPECT_TRUE(fake::current.output.empty());
    EXPECT_EQ(fake::current.error, "stdin: Read error\r\nstdout: Write error\r\n");
}

} // namespace
