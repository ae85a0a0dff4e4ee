#include "options.h"

#include <gtest/gtest.h>

namespace {

command parse(std::vector<std::string> const& arguments, gallery_options& options,
              std::string& message) {
    options = {};
    message.clear();
    return parse_options(arguments, options, message);
}

} // namespace

TEST(parse_options, one_folder_is_in_place_two_are_source_and_output) {
    gallery_options options;
    std::string message;
    ASSERT_EQ(parse({"photos"}, options, message), command::build);
    EXPECT_TRUE(options.in_place);
    EXPECT_EQ(options.source, "photos");
    EXPECT_EQ(options.output, "photos");

    ASSERT_EQ(parse({"--force", "photos", "web", "--keep-companions"}, options, message),
              command::build);
    EXPECT_FALSE(options.in_place);
    EXPECT_EQ(options.source, "photos");
    EXPECT_EQ(options.output, "web");
    EXPECT_TRUE(options.force);
    EXPECT_TRUE(options.keep_companions);
    EXPECT_EQ(options.web_box, 1600);
    EXPECT_EQ(options.thumbnail_box, 200);
    EXPECT_EQ(options.workers, 0);
}

TEST(parse_options, numbers_come_in_every_usual_form) {
    gallery_options options;
    std::string message;
    for (std::vector<std::string> const& form :
         std::vector<std::vector<std::string>>{{"-j", "3", "a", "b"},
                                               {"-j3", "a", "b"},
                                               {"--jobs", "3", "a", "b"},
                                               {"--jobs=3", "a", "b"}}) {
        ASSERT_EQ(parse(form, options, message), command::build) << message;
        EXPECT_EQ(options.workers, 3);
    }
    ASSERT_EQ(parse({"--size=800", "--thumb-size", "150", "a", "b"}, options, message),
              command::build);
    EXPECT_EQ(options.web_box, 800);
    EXPECT_EQ(options.thumbnail_box, 150);
    for (auto const& [form, order] :
         {std::pair{std::vector<std::string>{"--order", "date", "a"}, picture_order::date},
          std::pair{std::vector<std::string>{"--order=date", "a"}, picture_order::date},
          std::pair{std::vector<std::string>{"--order=name", "a"}, picture_order::name},
          std::pair{std::vector<std::string>{"a"}, picture_order::name}}) {
        ASSERT_EQ(parse(form, options, message), command::build) << message;
        EXPECT_EQ(options.order, order);
    }
    // After "--" a name that starts with '-' is a folder.
    ASSERT_EQ(parse({"--", "-photos"}, options, message), command::build);
    EXPECT_EQ(options.source, "-photos");
}

TEST(parse_options, says_what_is_wrong) {
    gallery_options options;
    std::string message;
    EXPECT_EQ(parse({"-h"}, options, message), command::help);
    EXPECT_EQ(parse({"a", "--help"}, options, message), command::help);
    EXPECT_EQ(parse({}, options, message), command::wrong);
    EXPECT_EQ(message, "no folder given");
    EXPECT_EQ(parse({"a", "b", "c"}, options, message), command::wrong);
    EXPECT_EQ(parse({"--fast", "a"}, options, message), command::wrong);
    EXPECT_EQ(message, "unknown option --fast");
    EXPECT_EQ(parse({"--order", "time", "a"}, options, message), command::wrong);
    EXPECT_EQ(message, "option --order takes name or date, not \"time\"");
    EXPECT_EQ(parse({"a", "--order"}, options, message), command::wrong);
    EXPECT_EQ(parse({"a", "-j"}, options, message), command::wrong);
    EXPECT_EQ(message, "option -j needs a number");
    for (char const* wrong : {"0", "-1", "2x", "", "99999999999"}) {
        EXPECT_EQ(parse({"--thumb-size", wrong, "a"}, options, message), command::wrong) << wrong;
        EXPECT_NE(message.find("takes a number"), std::string::npos) << wrong;
    }
    // In place the pages show the originals: a web size there would be silently ignored.
    EXPECT_EQ(parse({"--size", "800", "a"}, options, message), command::wrong);
    EXPECT_NE(message.find("SRC OUT"), std::string::npos);
}
