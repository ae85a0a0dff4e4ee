#include "imaging/jpeg_segments.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vips/vips8>

using vips::VImage;
using namespace std::string_literals;

namespace {

std::string segment(unsigned char marker, std::string const& payload) {
    std::size_t const length = payload.size() + 2;
    return "\xFF"s + static_cast<char>(marker) + static_cast<char>(length >> 8) +
           static_cast<char>(length & 0xFF) + payload;
}

std::string const soi = "\xFF\xD8", eoi = "\xFF\xD9";
std::string const jfif = segment(0xE0, "JFIF\0\x01\x02\x01\x00\x48\x00\x48\x00\x00"s);
std::string const jfif_with_thumbnail =
    segment(0xE0, "JFIF\0\x01\x02\x01\x00\x48\x00\x48\x01\x01"s + "\x10\x20\x30");
std::string const exif = segment(0xE1, "Exif\0\0MM\0*\0\0\0\x08 GPS 48N 2E Make Model Serial"s);
std::string const xmp = segment(0xE1, "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>"s);
std::string const icc_first = segment(0xE2, "ICC_PROFILE\0\x01\x02 first half\xFF\xD9"s);
std::string const icc_second = segment(0xE2, "ICC_PROFILE\0\x02\x02 second half"s);
std::string const mpf = segment(0xE2, "MPF\0II*\0 preview offsets"s);
std::string const flashpix = segment(0xE2, "FPXR\0\0 contents"s);
std::string const photoshop = segment(0xED, "Photoshop 3.0\0008BIM\x04\x04 owner"s);
std::string const adobe = segment(0xEE, "Adobe\0\x64\x00\x00\x00\x00\x02"s);
std::string const comment = segment(0xFE, "taken by someone at home");
// Tables whose bytes look like markers: only the lengths may tell where a segment ends.
std::string const quantisation = segment(0xDB, "\x00\xFF\xD9\xFF\xE1\x01\x02"s);
std::string const huffman = segment(0xC4, "\x00\x01\xFF\xDA\x00\x03"s);
std::string const arithmetic = segment(0xCC, "\x00\x11"s);
std::string const progressive_frame = segment(0xC2, "\x08\x00\x10\x00\x10\x01\x01\x11\x00"s);
std::string const restart_interval = segment(0xDD, "\x00\x04"s);
std::string const line_count = segment(0xDC, "\x00\x10"s);
std::string const expand = segment(0xDF, "\x11"s);
std::string const scan_header = segment(0xDA, "\x01\x01\x00\x00\x3F\x00"s);
// Entropy-coded data with stuffed 0xFF bytes and restart markers, which belong to the scan.
std::string const scan_data = "\x12\xFF\x00\xE1\xFF\xD0\x34\xFF\xD7\xFF\x00\xFF\x00\x56"s;

std::string vendor_segments() {
    std::string vendors;
    for (unsigned char marker = 0xE3; marker <= 0xEF; ++marker)
        vendors += segment(marker, marker == 0xEE ? "Ducky owner" : "Vendor owner");
    return vendors;
}

std::string stripped(std::string const& jpeg) {
    std::string kept = "untouched";
    EXPECT_TRUE(without_private_segments(jpeg, kept)) << testing::PrintToString(jpeg);
    return kept;
}

} // namespace

TEST(jpeg_segments, keeps_what_decoding_needs_and_drops_every_private_segment) {
    std::string const tables = quantisation + huffman + arithmetic + restart_interval;
    std::string const scan = scan_header + scan_data;
    std::string const jpeg = soi + jfif + exif + xmp + icc_first + mpf + icc_second + flashpix +
                             photoshop + adobe + vendor_segments() + comment + tables +
                             progressive_frame + scan + line_count + expand + eoi;
    EXPECT_EQ(stripped(jpeg), soi + jfif + icc_first + icc_second + adobe + tables +
                                  progressive_frame + scan + line_count + expand + eoi);

    // A JFIF segment with a thumbnail, or with anything past its fields, goes as a whole.
    std::string const padded_jfif = segment(0xE0, "JFIF\0\x01\x02\x01\x00\x48\x00\x48\x00\x00!"s);
    std::string const jfxx = segment(0xE0, "JFXX\0\x10 thumbnail"s);
    EXPECT_EQ(stripped(soi + jfif_with_thumbnail + padded_jfif + jfxx + tables + scan + eoi),
              soi + tables + scan + eoi);
}

TEST(jpeg_segments, scans_keep_their_data_to_the_byte_between_tables_and_fill_bytes) {
    std::string const second_data = "\x00\xFF\x00\xFF\xD1\xFF"s;
    std::string const jpeg = soi + quantisation + progressive_frame + huffman + scan_header +
                             scan_data + "\xFF\xFF"s + huffman + comment + exif + scan_header +
                             second_data + "\xFF\xFF\xFF"s + restart_interval + scan_header +
                             scan_data + "\xFF"s + eoi + "\xFF\xD9";
    std::string const expected = soi + quantisation + progressive_frame + huffman + scan_header +
                                 scan_data + huffman + scan_header + second_data.substr(0, 5) +
                                 restart_interval + scan_header + scan_data + eoi;
    EXPECT_EQ(stripped(jpeg), expected);
    EXPECT_EQ(stripped(expected), expected);
}

TEST(jpeg_segments, drops_everything_after_the_end_of_image_and_refuses_a_picture_cut_short) {
    std::string const picture =
        soi + jfif + quantisation + progressive_frame + huffman + scan_header + scan_data + eoi;
    // A phone's preview image after the picture, with its own EXIF.
    std::string const preview = soi + exif + quantisation + scan_header + scan_data + eoi;
    std::string const jpeg = picture + preview + "trailer";
    for (std::size_t size = 0; size <= jpeg.size(); ++size) {
        SCOPED_TRACE(size);
        std::string kept = "untouched";
        bool const whole = size >= picture.size();
        EXPECT_EQ(without_private_segments(std::string_view(jpeg).substr(0, size), kept), whole);
        EXPECT_EQ(kept, whole ? picture : "untouched");
    }
}

TEST(jpeg_segments, refuses_bytes_whose_markers_cannot_be_walked) {
    std::string const tail = quantisation + scan_header + scan_data + eoi;
    for (std::string const& bad : {
             "GIF89a"s,
             "\xFF\xD9"s,
             "\xFF\xD8\xFF"s,
             soi + "\x00"s + tail,
             soi + "\xFF\x00"s + tail,         // a stuffed zero where a marker should be
             soi + soi + tail,                 // a second start of image
             soi + "\xFF\xE0\x00\x01"s + tail, // a length shorter than itself
             soi + "\xFF\xE1\x40\x00"s + tail, // a length past the end
             soi + "\xFF\xE1\x00"s,            // a length cut short
             soi + tail.substr(0, tail.size() - 2) + "\xFF\xFF"s, // a scan without an end
             soi + quantisation + "junk"s + eoi,
         }) {
        std::string kept = "untouched";
        EXPECT_FALSE(without_private_segments(bad, kept)) << testing::PrintToString(bad);
        EXPECT_EQ(kept, "untouched");
    }
}

class jpeg_segments_of_pictures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static std::once_flag started;
        std::call_once(started, [] { VIPS_INIT("jpeg_segments_test"); });
    }

    static VImage decoded(std::string const& jpeg) {
        return VImage::new_from_buffer(jpeg.data(), jpeg.size(), "");
    }

    static void expect_same_pixels(std::string const& a, std::string const& b) {
        VImage const first = decoded(a), second = decoded(b);
        ASSERT_EQ(first.width(), second.width());
        ASSERT_EQ(first.height(), second.height());
        ASSERT_EQ(first.bands(), second.bands());
        EXPECT_EQ((first - second).abs().max(), 0.0);
    }
};

TEST_F(jpeg_segments_of_pictures, samples_with_private_segments_come_back_to_their_own_bytes) {
    int seen = 0;
    for (auto const& sample : std::filesystem::directory_iterator(PIXFOLD_SAMPLES)) {
        if (sample.path().extension() != ".jpg") continue;
        SCOPED_TRACE(sample.path().string());
        ++seen;
        std::ifstream file(sample.path(), std::ios::binary);
        std::string const original{std::istreambuf_iterator<char>(file),
                                   std::istreambuf_iterator<char>()};
        ASSERT_FALSE(original.empty());
        // Private segments before the frame and the scan, and a preview after the end.
        std::size_t const scan = original.find("\xFF\xDA");
        ASSERT_NE(scan, std::string::npos);
        std::string published = original;
        published.insert(scan, photoshop + comment);
        published.insert(2, exif + xmp + mpf);
        published += original;
        EXPECT_EQ(stripped(published), original);
        expect_same_pixels(published, original);
    }
    EXPECT_GE(seen, 5);
}

TEST_F(jpeg_segments_of_pictures, a_picture_keeps_its_colour_profile_and_loses_its_metadata) {
    VImage picture = VImage::new_from_file(PIXFOLD_SAMPLES "/clouds.jpg")
                         .icc_export(VImage::option()->set("output_profile", "srgb"));
    picture = picture.copy();
    static char const xmp_packet[] = "<x:xmpmeta xmlns:x='adobe:ns:meta/'>owner</x:xmpmeta>";
    picture.set("xmp-data", nullptr, const_cast<char*>(xmp_packet), sizeof xmp_packet);
    static char const iptc_record[] =
        "Photoshop 3.0\0008BIM\x04\x04\0\0\0\0\0\x0a\x1c\x02\x50\0\x05Owner";
    picture.set("iptc-data", nullptr, const_cast<char*>(iptc_record), sizeof iptc_record - 1);
    picture.set("exif-ifd0-Make", "Maker");
    picture.set("exif-ifd0-Artist", "Owner");
    void* buffer = nullptr;
    std::size_t size = 0;
    picture.write_to_buffer(".jpg", &buffer, &size,
                            VImage::option()->set("strip", false)->set("interlace", true));
    std::string const original(static_cast<char*>(buffer), size);
    g_free(buffer);

    std::string const kept = stripped(original);
    EXPECT_LT(kept.size(), original.size());
    VImage const before = decoded(original), after = decoded(kept);
    for (char const* field : {"exif-data", "xmp-data", "iptc-data"}) {
        EXPECT_NE(before.get_typeof(field), 0) << field;
        EXPECT_EQ(after.get_typeof(field), 0) << field;
    }
    std::size_t before_size = 0, after_size = 0;
    void const* const before_icc = before.get_blob("icc-profile-data", &before_size);
    void const* const after_icc = after.get_blob("icc-profile-data", &after_size);
    EXPECT_EQ(std::string_view(static_cast<char const*>(after_icc), after_size),
              std::string_view(static_cast<char const*>(before_icc), before_size));
    expect_same_pixels(original, kept);
}
