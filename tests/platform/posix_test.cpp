#include "platform/codeset_names.h"
#include "platform/posix.h"
#include "read_all_input.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

TEST(open_failure_of_errno, maps_each_reason_onto_one_of_five_messages) {
    for (int error : {ENOENT, ENOTDIR, ENAMETOOLONG, ENXIO, ENODEV})
        EXPECT_EQ(open_failure_of_errno(error), open_failure::not_found) << error;
    for (int error : {EACCES, EPERM, EBUSY, ETXTBSY, EROFS, EAGAIN, EWOULDBLOCK})
        EXPECT_EQ(open_failure_of_errno(error), open_failure::permission_denied) << error;
    for (int error : {EMFILE, ENFILE})
        EXPECT_EQ(open_failure_of_errno(error), open_failure::too_many_open_files) << error;
    for (int error : {ENOMEM, ENOSPC, EDQUOT})
        EXPECT_EQ(open_failure_of_errno(error), open_failure::not_enough_space) << error;
    for (int error : {EINVAL, ELOOP, EISDIR, EFBIG, 0})
        EXPECT_EQ(open_failure_of_errno(error), open_failure::invalid_argument) << error;
}

TEST(code_page_of_codeset, knows_the_double_byte_sets_in_any_letter_case) {
    EXPECT_EQ(code_page_of_codeset("SHIFT_JIS"), 932u);
    EXPECT_EQ(code_page_of_codeset("shift_jisx0213"), 932u);
    EXPECT_EQ(code_page_of_codeset("Windows-31J"), 932u);
    EXPECT_EQ(code_page_of_codeset("gb18030"), 936u);
    EXPECT_EQ(code_page_of_codeset("EUC-KR"), 949u);
    EXPECT_EQ(code_page_of_codeset("Big5-HKSCS"), 950u);
    EXPECT_EQ(code_page_of_codeset("johab"), 1361u);
    EXPECT_EQ(code_page_of_codeset("UTF-8"), 65001u);
    EXPECT_EQ(code_page_of_codeset("ANSI_X3.4-1968"), 1252u);
    EXPECT_EQ(code_page_of_codeset("SJIS-extra"), 1252u); // a prefix is not a match
    EXPECT_EQ(code_page_of_codeset(""), 1252u);
}

// Puts a descriptor in the place of a standard stream for one test, and the stream back after.
class standard_stream : public ::testing::Test {
  protected:
    void TearDown() override {
        for (int stream : {STDIN_FILENO, STDOUT_FILENO}) {
            if (saved_[stream] >= 0) {
                dup2(saved_[stream], stream);
                close(saved_[stream]);
            }
        }
    }

    // Makes the descriptor the stream and closes it (-1 closes the stream).
    void replace(int stream, int descriptor) {
        if (saved_[stream] < 0) saved_[stream] = dup(stream);
        if (descriptor < 0) {
            close(stream);
            return;
        }
        dup2(descriptor, stream);
        close(descriptor);
    }

  private:
    int saved_[2] = {-1, -1};
};

TEST_F(standard_stream, input_tells_its_end_from_a_failed_read) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "./a.jpg\n", 8), 8);
    close(ends[1]);
    replace(STDIN_FILENO, ends[0]);
    std::string bytes;
    EXPECT_TRUE(read_all_input(bytes));
    EXPECT_EQ(bytes, "./a.jpg\n");

    // A directory opens, but reading it fails.
    replace(STDIN_FILENO, open("/", O_RDONLY | O_DIRECTORY));
    EXPECT_FALSE(read_all_input(bytes));
    // So does reading a descriptor open for writing only.
    replace(STDIN_FILENO, open("/dev/null", O_WRONLY));
    EXPECT_FALSE(read_all_input(bytes));
    // A process started without standard input has an empty one.
    replace(STDIN_FILENO, -1);
    EXPECT_TRUE(read_all_input(bytes));
    EXPECT_EQ(bytes, "./a.jpg\n");
}

TEST_F(standard_stream, waits_for_a_pipe_that_another_program_left_non_blocking) {
    int input[2];
    ASSERT_EQ(pipe2(input, O_NONBLOCK), 0);
    replace(STDIN_FILENO, input[0]);
    std::thread late_writer([writer = input[1]] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(write(writer, "late\n", 5), 5);
        close(writer);
    });
    std::string bytes;
    EXPECT_TRUE(read_all_input(bytes));
    late_writer.join();
    EXPECT_EQ(bytes, "late\n");

    // Standard output: far more than the pipe holds, while a reader takes its time.
    int output[2];
    ASSERT_EQ(pipe2(output, O_NONBLOCK), 0);
    fcntl(output[0], F_SETFL, 0); // the reader's end only blocks
    replace(STDOUT_FILENO, output[1]);
    std::string const page(1 << 20, 'p');
    std::string arrived;
    std::thread slow_reader([reader = output[0], &arrived] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        char piece[4096];
        for (ssize_t got; (got = read(reader, piece, sizeof piece)) > 0;)
            arrived.append(piece, static_cast<std::size_t>(got));
        close(reader);
    });
    bool const written = platform_write_output(page.data(), page.size());
    replace(STDOUT_FILENO, -1); // the reader sees the end
    slow_reader.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(arrived.size(), page.size());
}

} // namespace
