// Faults that fuzzing found, each kept as the smallest run that showed it.
#include "fake_platform.h"

#include <gtest/gtest.h>

namespace {

class fuzz_findings_test : public ::testing::Test {
  protected:
    void SetUp() override { fake::current = {}; }
};

// A lead byte followed by a byte that no trail byte can be: a reader of the page takes the
// second byte on its own, so an unescaped '"' would end the attribute and '<' the title.
TEST_F(fuzz_findings_test, markup_after_a_lead_byte_that_cannot_trail_is_escaped) {
    fake::current.code_page = 932;
    fake::current.files["./\x81\".ppm"] = {fake::ppm(1, 2)};
    fake::current.input = "./\x81\".jpg\n";
    EXPECT_EQ(fake::run({}), 0);
    EXPECT_NE(fake::current.output.find("<a href=\"\x81&quot;.html\" name=\"\x81&quot;\"><img "
                                        "src=\"./\x81&quot;.jpg\""),
              std::string::npos);

    fake::current = {};
    fake::current.code_page = 936;
    fake::current.files["\x81<\x81&\x81>.ppm"] = {fake::ppm(1, 2)};
    EXPECT_EQ(fake::run({"\x81<\x81&\x81>"}), 0);
    EXPECT_NE(fake::current.output.find("<title>Picture \x81&lt;\x81&amp;\x81&gt;</title>"),
              std::string::npos);

    // A real trail byte stays as it is: 0x81 0x40 in Shift-JIS, 0x88 0x3C in Johab.
    fake::current = {};
    fake::current.code_page = 932;
    fake::current.files["\x81@<.ppm"] = {fake::ppm(1, 2)};
    EXPECT_EQ(fake::run({"\x81@<"}), 0);
    EXPECT_NE(fake::current.output.find("<title>Picture \x81@&lt;</title>"), std::string::npos);
    fake::current = {};
    fake::current.code_page = 1361;
    fake::current.files["\x88<.ppm"] = {fake::ppm(1, 2)};
    EXPECT_EQ(fake::run({"\x88<"}), 0);
    EXPECT_NE(fake::current.output.find("<title>Picture \x88<</title>"), std::string::npos);
}

} // namespace
