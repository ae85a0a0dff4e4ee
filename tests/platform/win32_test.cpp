// The Win32 platform layer on its own: how failed opens are told apart, how files are shared,
// the standard handles, and the code page tables as the system reports them.
#include "platform/platform.h"
#include "platform/win32.h"
#include "read_all_input.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct system_error_case {
    unsigned long error;
    open_failure expected;
};

TEST(open_failure_of_system_error, maps_every_row_of_the_message_table) {
    system_error_case const cases[] = {
        // No such file or directory
        {ERROR_FILE_NOT_FOUND, open_failure::not_found},
        {ERROR_PATH_NOT_FOUND, open_failure::not_found},
        {ERROR_INVALID_DRIVE, open_failure::not_found},
        {ERROR_BAD_NETPATH, open_failure::not_found},
        {ERROR_BAD_NET_NAME, open_failure::not_found},
        {ERROR_BAD_PATHNAME, open_failure::not_found},
        {ERROR_FILENAME_EXCED_RANGE, open_failure::not_found},
        // Permission denied
        {ERROR_ACCESS_DENIED, open_failure::permission_denied},
        {ERROR_NETWORK_ACCESS_DENIED, open_failure::permission_denied},
        {ERROR_SHARING_VIOLATION, open_failure::permission_denied},
        {ERROR_LOCK_VIOLATION, open_failure::permission_denied},
        {ERROR_NOT_READY, open_failure::permission_denied},
        {ERROR_WRITE_PROTECT, open_failure::permission_denied},
        {ERROR_DRIVE_LOCKED, open_failure::permission_denied},
        // Too many open files
        {ERROR_TOO_MANY_OPEN_FILES, open_failure::too_many_open_files},
        // Not enough space
        {ERROR_NOT_ENOUGH_MEMORY, open_failure::not_enough_space},
        {ERROR_OUTOFMEMORY, open_failure::not_enough_space},
        {ERROR_NOT_ENOUGH_QUOTA, open_failure::not_enough_space},
        // Invalid argument: the named ones and anything else
        {ERROR_INVALID_NAME, open_failure::invalid_argument},
        {ERROR_INVALID_PARAMETER, open_failure::invalid_argument},
        {ERROR_SUCCESS, open_failure::invalid_argument},
        {ERROR_INVALID_FUNCTION, open_failure::invalid_argument},
        {ERROR_INVALID_HANDLE, open_failure::invalid_argument},
        {ERROR_DIRECTORY, open_failure::invalid_argument},
        {ERROR_FILE_EXISTS, open_failure::invalid_argument},
        {0xFFFFFFFFul, open_failure::invalid_argument},
    };
    for (auto const& row : cases)
        EXPECT_EQ(open_failure_of_system_error(row.error), row.expected) << "error " << row.error;
}

// A folder of its own for each test, under the system's temporary folder, removed afterwards.
class win32_platform : public ::testing::Test {
  protected:
    void SetUp() override {
        char temporary[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temporary), 0u);
        folder_ = std::string(temporary) + "pixfold-platform-" +
                  std::to_string(GetCurrentProcessId()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        saved_input_ = GetStdHandle(STD_INPUT_HANDLE);
        saved_output_ = GetStdHandle(STD_OUTPUT_HANDLE);
    }

    void TearDown() override {
        SetStdHandle(STD_INPUT_HANDLE, saved_input_);
        SetStdHandle(STD_OUTPUT_HANDLE, saved_output_);
        for (auto const& file : files_) DeleteFileA(file.c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    std::string make_file(char const* name, std::string const& bytes) {
        std::string const path = folder_ + "\\" + name;
        HANDLE const file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        EXPECT_TRUE(
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        CloseHandle(file);
        files_.push_back(path);
        return path;
    }

    std::string folder_;
    std::vector<std::string> files_;

  private:
    HANDLE saved_input_ = nullptr;
    HANDLE saved_output_ = nullptr;
};

std::string read_whole(platform_file file) {
    std::string bytes;
    char piece[7]; // small, so the file takes several reads
    for (std::size_t got; (got = platform_read_file(file, piece, sizeof piece)) != 0;)
        bytes.append(piece, got);
    return bytes;
}

TEST_F(win32_platform, reads_a_file_in_binary_mode) {
    std::string const content("P6\r\n640 480\n\x1A"
                              "255\n",
                              17);
    std::string const path = make_file("binary.ppm", content);
    platform_file file = 0;
    ASSERT_EQ(platform_open_file(path.c_str(), file), open_failure::none);
    EXPECT_EQ(read_whole(file), content); // CR and Ctrl-Z are data
    platform_close_file(file);
}

TEST_F(win32_platform, tells_the_reasons_of_a_failed_open) {
    platform_file file = 0;
    std::string const missing = folder_ + "\\missing.ppm";
    EXPECT_EQ(platform_open_file(missing.c_str(), file), open_failure::not_found);
    std::string const in_missing_folder = folder_ + "\\no folder\\missing.ppm";
    EXPECT_EQ(platform_open_file(in_missing_folder.c_str(), file), open_failure::not_found);
    EXPECT_EQ(platform_open_file("", file), open_failure::not_found);
    // A folder is no file: it cannot be opened for reading.
    EXPECT_EQ(platform_open_file(folder_.c_str(), file), open_failure::permission_denied);
    // Characters that no file name may hold.
    std::string const wildcard = folder_ + "\\pic?.ppm";
    EXPECT_EQ(platform_open_file(wildcard.c_str(), file), open_failure::invalid_argument);
    std::string const bar = folder_ + "\\a|b.ppm";
    EXPECT_EQ(platform_open_file(bar.c_str(), file), open_failure::invalid_argument);
}

TEST_F(win32_platform, shares_the_file_with_a_writer) {
    std::string const path = make_file("shared.ppm", "P6\n1 2\n");
    // Another program writes the file and lets others read it: the tool reads it all the same,
    // which it can only because it lets that program go on writing.
    HANDLE const writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    platform_file file = 0;
    ASSERT_EQ(platform_open_file(path.c_str(), file), open_failure::none);
    EXPECT_EQ(read_whole(file), "P6\n1 2\n");
    platform_close_file(file);
    CloseHandle(writer);

    // A program that lets nobody in: the file is in use.
    HANDLE const locker =
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locker, INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform_open_file(path.c_str(), file), open_failure::permission_denied);
    CloseHandle(locker);
}

TEST_F(win32_platform, sees_a_character_device_but_no_console_in_nul) {
    HANDLE const nul =
        CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(nul, INVALID_HANDLE_VALUE);
    SetStdHandle(STD_OUTPUT_HANDLE, nul);
    SetStdHandle(STD_INPUT_HANDLE, nul);
    EXPECT_TRUE(platform_output_is_console());
    EXPECT_FALSE(platform_input_is_console());
    CloseHandle(nul);

    std::string const path = make_file("list.txt", "a\n");
    HANDLE const file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    SetStdHandle(STD_OUTPUT_HANDLE, file);
    SetStdHandle(STD_INPUT_HANDLE, file);
    EXPECT_FALSE(platform_output_is_console());
    EXPECT_FALSE(platform_input_is_console());
    CloseHandle(file);
}

TEST_F(win32_platform, reads_a_pipe_to_its_end_and_fails_to_write_one_nobody_reads) {
    HANDLE reader = nullptr;
    HANDLE writer = nullptr;
    ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
    char const sent[] = "./a.jpg\r\n\x1A./b.jpg";
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(writer, sent, sizeof sent - 1, &written, nullptr));
    CloseHandle(writer);
    SetStdHandle(STD_INPUT_HANDLE, reader);
    std::string got;
    EXPECT_TRUE(read_all_input(got)); // a pipe whose writer has gone has ended, not failed
    EXPECT_EQ(got, std::string(sent, sizeof sent - 1)); // the layer passes every byte on
    CloseHandle(reader);

    ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
    CloseHandle(reader);
    SetStdHandle(STD_OUTPUT_HANDLE, writer);
    EXPECT_FALSE(platform_write_output("lost\n", 5));
    CloseHandle(writer);

    SetStdHandle(STD_OUTPUT_HANDLE, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(platform_write_output("lost\n", 5));
}

TEST(read_failure_is_end, only_for_a_pipe_or_file_that_has_ended) {
    for (unsigned long error : {ERROR_BROKEN_PIPE, ERROR_PIPE_NOT_CONNECTED, ERROR_HANDLE_EOF})
        EXPECT_TRUE(read_failure_is_end(error)) << "error " << error;
    for (unsigned long error : {ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE, ERROR_INVALID_FUNCTION,
                                ERROR_NOT_READY, ERROR_CRC, ERROR_OPERATION_ABORTED})
        EXPECT_FALSE(read_failure_is_end(error)) << "error " << error;
}

TEST_F(win32_platform, input_tells_its_end_from_a_failed_read) {
    std::string const path = make_file("list.txt", "./a.jpg\r\n");
    // A handle that may only write cannot be read: the read fails.
    HANDLE const writer =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    SetStdHandle(STD_INPUT_HANDLE, writer);
    std::string got;
    EXPECT_FALSE(read_all_input(got));
    CloseHandle(writer);

    HANDLE const reader =
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetStdHandle(STD_INPUT_HANDLE, reader);
    EXPECT_TRUE(read_all_input(got));
    EXPECT_EQ(got, "./a.jpg\r\n");
    CloseHandle(reader);

    // A process started without standard input has an empty one.
    SetStdHandle(STD_INPUT_HANDLE, nullptr);
    EXPECT_TRUE(read_all_input(got));
    EXPECT_EQ(got, "./a.jpg\r\n");
}

struct lead_range {
    unsigned first;
    unsigned last;
};

std::string lead_bytes_as_text(bool const (&is_lead)[256]) {
    std::string text;
    for (unsigned first = 0; first < 256; ++first) {
        if (!is_lead[first] || (first > 0 && is_lead[first - 1])) continue;
        unsigned last = first;
        while (last + 1 < 256 && is_lead[last + 1]) ++last;
        char range[16];
        wsprintfA(range, "%02X-%02X ", first, last);
        text += range;
    }
    return text;
}

TEST(win32_code_pages, lead_bytes_come_from_the_system_as_listed) {
    struct code_page_case {
        unsigned code_page;
        char const* lead_bytes;
    } const cases[] = {
        {932, "81-9F E0-FC "}, {936, "81-FE "}, {949, "81-FE "},
        {950, "81-FE "},       {1252, ""},      {65001, ""},
    };
    for (auto const& row : cases) {
        bool is_lead[256];
        std::memset(is_lead, 1, sizeof is_lead); // whatever was there before must go
        ASSERT_TRUE(platform_lead_bytes(row.code_page, is_lead)) << row.code_page;
        EXPECT_EQ(lead_bytes_as_text(is_lead), row.lead_bytes) << "code page " << row.code_page;
    }
}

TEST(win32_code_pages, johab_is_reported_as_the_system_has_it) {
    // The system's Johab table starts at 0x84, three bytes later than the tool's own list.
    bool is_lead[256] = {};
    ASSERT_TRUE(platform_lead_bytes(1361, is_lead));
    EXPECT_EQ(lead_bytes_as_text(is_lead), "84-D3 D8-DE E0-F9 ");
}

TEST(win32_code_pages, a_code_page_the_system_does_not_know_is_left_to_the_tool) {
    bool is_lead[256] = {};
    EXPECT_FALSE(platform_lead_bytes(12345, is_lead));
}

} // namespace
