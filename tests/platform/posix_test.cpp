#include "platform/codeset_names.h"
#include "platform/posix.h"

#include <cerrno>
#include <gtest/gtest.h>

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

} // namespace
