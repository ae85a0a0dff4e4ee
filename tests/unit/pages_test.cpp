#include "fake_platform.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The text as it arrives: every LF as CR LF.
std::string crlf(std::string const& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

std::string opening(std::string const& title) {
    return crlf("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\n<html>\n<head>\n"
                "<title>" + title + "</title>\n"
                "<link rev=made href=\"mailto:gallery@pixfold.example\">\n</head>\n<body>\n"
                "<!-- $include stdheader.inc -->\n<hr>\n"
                "<p>\x8D\xC5\x8F\x49\x8D\x58\x90\x56:\n<!-- $timestamp -->\n</p>\n<hr>\n");
}

std::string const closing = crlf("<hr>\n<!-- $include stdfooter.inc -->\n</body>\n</html>\n");
std::string const index_top = opening("A Picture Index") + crlf("<h1>A Picture Index</h1>\n");

std::string entry(std::string const& page, std::string const& anchor, std::string const& image,
                  int width, int height) {
    return crlf("<a href=\"" + page + "\" name=\"" + anchor + "\"><img src=\"" + image +
                "\" alt=\"Thumbnail Picture\" width=\"" + std::to_string(width) + "\" height=\"" +
                std::to_string(height) + "\"></a>\n<p>!</p>\n");
}

class pages_test : public ::testing::Test {
  protected:
    void SetUp() override { fake::current = {}; }
    void add_picture(std::string const& ppm_path, int width, int height) {
        fake::current.files[ppm_path] = {fake::ppm(width, height)};
    }
};

TEST_F(pages_test, picture_page_is_22_lines_around_the_sized_image) {
    add_picture("photos/cat.ppm", 640, 480);
    EXPECT_EQ(fake::run({"photos/cat"}), 0);
    std::string const back = "<p><a href=\"index.html#photos/cat\">BACK</a></p>\n";
    EXPECT_EQ(fake::current.output,
              opening("Picture photos/cat") +
                  crlf(back + "<hr>\n<img src=\"photos/cat.jpg\" alt=\"Picture photos/cat\" "
                              "width=\"640\" height=\"480\">\n<hr>\n" + back) +
                  closing);
    EXPECT_EQ(std::count(fake::current.output.begin(), fake::current.output.end(), '\n'), 22);
    EXPECT_EQ(fake::current.error, "");
    EXPECT_EQ(fake::current.opened, std::vector<std::string>{"photos/cat.ppm"});
}

TEST_F(pages_test, usage_for_any_other_argument_count_reads_nothing) {
    std::string const usage =
        crlf("usage1: pixfold path_without_ext\nusage2: pixfold (file list from stdin)\n");
    add_picture("a.ppm", 1, 1);
    for (int count : {0, 3, 4}) {
        fake::current.input = "./a.jpg\n";
        fake::current.output.clear();
        fake::current.operations.clear();
        EXPECT_EQ(fake::run_with_argument_count(count, {"a", "b", "c"}), 0);
        EXPECT_EQ(fake::current.output, usage);
        EXPECT_EQ(fake::current.operations.size(), 1u); // the one write of the usage
    }
}

TEST_F(pages_test, names_are_escaped_but_never_a_trail_byte) {
    add_picture("a&b<\"%>.ppm", 1, 2);
    EXPECT_EQ(fake::run({"a&b<\"%>"}), 0);
    EXPECT_NE(fake::current.output.find("<title>Picture a&amp;b&lt;&quot;%&gt;</title>"),
              std::string::npos);
    EXPECT_NE(fake::current.output.find("<img src=\"a&amp;b&lt;&quot;%&gt;.jpg\" alt=\"Picture "
                                        "a&amp;b&lt;&quot;%&gt;\""),
              std::string::npos);
    // In Johab 0x3C can be the second byte of a character; alone it is '<'.
    fake::current = {};
    fake::current.code_page = 1361;
    add_picture("\x88<<.ppm", 1, 2);
    EXPECT_EQ(fake::run({"\x88<<"}), 0);
    EXPECT_NE(fake::current.output.find("#\x88<&lt;\">BACK"), std::string::npos);
}

TEST_F(pages_test, listed_code_pages_keep_their_lead_bytes_and_others_take_the_systems) {
    // A system whose Johab table starts at 0x84 does not make 0x82 a character of its own.
    fake::current.code_page = 1361;
    fake::current.system_lead_bytes = {0x84, 0x85};
    add_picture("\x82<.ppm", 1, 2);
    EXPECT_EQ(fake::run({"\x82<"}), 0);
    EXPECT_NE(fake::current.output.find("#\x82<\">BACK"), std::string::npos);
    // A code page not listed here steps over the lead bytes that the system names.
    fake::current = {};
    fake::current.code_page = 1250;
    fake::current.system_lead_bytes = {0xA0};
    add_picture(".ppm", 1, 2);
    fake::current.input = "./a\xA0.b\n";
    EXPECT_EQ(fake::run({}), 0);
    EXPECT_NE(fake::current.output.find("name=\"a\xA0.b\""), std::string::npos);
}

TEST_F(pages_test, base_path_too_long_for_its_suffix_stops_before_any_output) {
    std::string const base(256, 'b');
    EXPECT_EQ(fake::run({base}), 2);
    EXPECT_EQ(fake::current.output, "");
    EXPECT_EQ(fake::current.error, base + ": File name too long\r\n");
    EXPECT_TRUE(fake::current.opened.empty());
    add_picture(base.substr(1) + ".ppm", 3, 4);
    EXPECT_EQ(fake::run({base.substr(1)}), 0);
}

TEST_F(pages_test, index_has_one_entry_per_list_line_in_order) {
    add_picture("./sunset.ppm", 160, 120);
    add_picture("./a b.ppm", 1, 2);
    fake::current.input = "./sunset.jpg\r\n./a b.jpg\n./sunset.jpg";
    EXPECT_EQ(fake::run({}), 0);
    EXPECT_EQ(fake::current.output, index_top + entry("sunset.html", "sunset", "./sunset.jpg", 160, 120) +
                                        entry("a b.html", "a b", "./a b.jpg", 1, 2) +
                                        entry("sunset.html", "sunset", "./sunset.jpg", 160, 120) +
                                        closing);
    fake::current.output.clear();
    fake::current.input = "";
    EXPECT_EQ(fake::run({}), 0);
    EXPECT_EQ(fake::current.output, index_top + closing);
    EXPECT_EQ(std::count(fake::current.output.begin(), fake::current.output.end(), '\n'), 18);
}

TEST_F(pages_test, index_stops_after_the_complete_entries_before_a_failing_line) {
    add_picture("./1.ppm", 1, 1);
    add_picture("./2.ppm", 2, 2);
    fake::current.files["./3.ppm"] = {"P6\n"};
    fake::current.input = "./1.jpg\n./2.jpg\n./3.jpg\n./1.jpg\n";
    EXPECT_EQ(fake::run({}), 2);
    std::string const two = index_top + entry("1.html", "1", "./1.jpg", 1, 1) +
                            entry("2.html", "2", "./2.jpg", 2, 2);
    EXPECT_EQ(fake::current.output, two + "Fatal Error\r\n");
    EXPECT_EQ(fake::current.error, "");

    fake::current.output.clear();
    fake::current.input = "./1.jpg\n./2.jpg\n\n./1.jpg\n";
    EXPECT_EQ(fake::run({}), 2);
    EXPECT_EQ(fake::current.output, two);
    EXPECT_EQ(fake::current.error, "No such file or directory\r\n");
}

TEST_F(pages_test, index_stops_at_a_line_whose_names_do_not_fit) {
    add_picture("./1.ppm", 1, 1);
    std::string const long_line = "./" + std::string(254, 'n') + ".jpg"; // 260 bytes
    fake::current.input = "./1.jpg\n" + long_line + "\n./1.jpg\n";
    EXPECT_EQ(fake::run({}), 2);
    EXPECT_EQ(fake::current.output, index_top + entry("1.html", "1", "./1.jpg", 1, 1));
    EXPECT_EQ(fake::current.error, long_line.substr(0, 259) + ": File name too long\r\n");
    EXPECT_EQ(fake::current.opened.size(), 1u);

    // 257 bytes fit, but the PPM path made by appending to a lone lead byte would not.
    fake::current.output.clear();
    fake::current.error.clear();
    fake::current.code_page = 932;
    std::string const lead_line = "ab" + std::string(255, 'x') + "\x81"; // 258 bytes, no '.'
    fake::current.input = lead_line + "\n";
    EXPECT_EQ(fake::run({}), 2);
    EXPECT_EQ(fake::current.error, lead_line + ": File name too long\r\n");
}

TEST_F(pages_test, short_lines_have_an_empty_page_name_and_anchor) {
    add_picture("x", 5, 6);
    fake::current.files[".ppm"] = {fake::ppm(7, 8)};
    fake::current.input = std::string("x\n.\0x\n", 6);
    EXPECT_EQ(fake::run({}), 0);
    EXPECT_EQ(fake::current.output,
              index_top + entry("", "", "x", 5, 6) + entry("", "", ".jpg", 7, 8) + closing);
}

// Fails every operation of a small index run in turn: whatever fails, the page bytes before it
// arrive, no entry is cut in half, at most one report is made, and the status tells.
TEST_F(pages_test, every_single_failed_operation_gives_its_exact_output) {
    std::string input;
    for (int picture = 0; picture < 40; ++picture) {
        std::string const name = "./picture-" + std::to_string(picture);
        add_picture(name + ".ppm", picture, picture + 1);
        input += name + ".jpg\n";
    }
    fake::current.input = input;
    ASSERT_EQ(fake::run({}), 0);
    fake::machine const clean = fake::current;
    ASSERT_GE(clean.output_writes.size(), 2u);

    // The clean page up to and including the entry with this number (0: no entry).
    auto const through_entry = [&](std::size_t entries) {
        std::size_t end = index_top.size();
        for (std::size_t i = 0; i < entries; ++i)
            end = clean.output.find("<p>!</p>\r\n", end) + std::string("<p>!</p>\r\n").size();
        return clean.output.substr(0, end);
    };

    for (std::size_t n = 1; n <= clean.operations.size(); ++n) {
        SCOPED_TRACE("failing operation " + std::to_string(n));
        fake::current = clean;
        fake::current.input = input;
        fake::current.output.clear();
        fake::current.error.clear();
        fake::current.output_writes.clear();
        fake::current.operations.clear();
        fake::current.opened.clear();
        fake::current.fail_operation = n;
        int const status = fake::run({});
        EXPECT_EQ(fake::current.open_files, 0);
        auto const kind = clean.operations[n - 1];
        auto const pictures_before = static_cast<std::size_t>(
            std::count(clean.operations.begin(), clean.operations.begin() + static_cast<long>(n),
                       fake::operation::open) - 1);
        switch (kind) {
        case fake::operation::open:
            EXPECT_EQ(status, 2);
            EXPECT_EQ(fake::current.output, through_entry(pictures_before));
            EXPECT_EQ(fake::current.error, "./picture-" + std::to_string(pictures_before) +
                                               ".ppm: Permission denied\r\n");
            break;
        case fake::operation::read_file: // a read error is the end of the file
            EXPECT_EQ(status, 2);
            EXPECT_EQ(fake::current.output, through_entry(pictures_before) + "Fatal Error\r\n");
            EXPECT_EQ(fake::current.error, "");
            break;
        case fake::operation::read_input: // the list ends there, and the run fails
            EXPECT_EQ(status, 2);
            EXPECT_EQ(fake::current.output, n == 1 ? index_top + closing : clean.output);
            EXPECT_EQ(fake::current.error, "stdin: Read error\r\n");
            break;
        case fake::operation::write_output: {
            // The block that failed is missing; everything else arrives, and the run fails.
            std::size_t const write = static_cast<std::size_t>(
                std::count(clean.operations.begin(), clean.operations.begin() + static_cast<long>(n),
                           fake::operation::write_output) - 1);
            std::size_t start = 0;
            for (std::size_t i = 0; i < write; ++i) start += clean.output_writes[i];
            EXPECT_EQ(status, 2);
            EXPECT_EQ(fake::current.output,
                      clean.output.substr(0, start) +
                          clean.output.substr(start + clean.output_writes[write]));
            EXPECT_EQ(fake::current.error, "stdout: Write error\r\n");
            break;
        }
        case fake::operation::write_error: ADD_FAILURE() << "a clean run reports nothing"; break;
        }
    }
}

} // namespace
