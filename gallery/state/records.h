// What the gallery made for each picture and each album, and from what: a later run redoes only
// what changed, and removes only files that it made itself. The manifest and the journal hold
// these records on the disk (manifest.h); the plan reads them, and the making writes them back.
#pragma once

#include "imaging/image_size.h"
#include "system/types.h"

#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A moment in seconds since 1970 and nanoseconds.
struct moment {
    std::int64_t seconds = 0;
    std::int32_t nanoseconds = 0;

    auto operator<=>(moment const&) const = default;
};

struct picture_record {
    file_stamp stamp;           // of the source when its files were made
    int web_box = 0;            // the box of its web-size copy; 0 when the gallery is in place
    int thumbnail_box = 0;      // the box of its thumbnail
    bool companion = false;     // its PPM companion beside the page was made and kept
    bool finished = true;       // false for a claim: its files may be there, whole or not at all
    std::string link;           // the name that pixfold wrote its pages with; empty when an earlier
                                // version made them, with the name as it is
    image_size shown;           // the size its page shows
    image_size thumbnail;       // the size of its thumbnail
    std::uint64_t page_key = 0; // of everything its page was written from
    // When it was taken, as its EXIF says; none when it says nothing. Not known (dated false)
    // for the record of an earlier version, which did not read it.
    std::optional<moment> taken;
    bool dated = true;

    bool operator==(picture_record const&) const = default;
};

struct album_record {
    std::string link;            // the name of its folder in its parent's links
    std::uint64_t index_key = 0; // of everything its index was written from
    std::uint64_t cover_key = 0; // of the thumbnail its cover was copied from; 0 for the top
    bool finished = true;        // false for a claim, as for a picture

    bool operator==(album_record const&) const = default;
};

struct gallery_records {
    std::map<std::string, picture_record> pictures; // by the picture's path in the source folder
    std::map<std::string, album_record> albums;     // by the album's path; "" for the top

    bool operator==(gallery_records const&) const = default;
};

// The files of the picture named NAME in ALBUM, as its record says it was made: every one of
// them is there once it is finished, the page first, since it goes first, so that no page is
// left without the files it shows.
std::vector<std::string> files_of(std::string const& album, std::string const& name,
                                  picture_record const& record);
// The same but its page: the files of its images.
std::vector<std::string> image_files_of(std::string const& album, std::string const& name,
                                        picture_record const& record);
// The files that the record claims for the picture: they may be there or not.
std::vector<std::string> claimed_files(std::string const& album, std::string const& name,
                                       picture_record const& record);
// The files of an album as its record says; the top has no cover.
std::vector<std::string> files_of(std::string const& album, album_record const& record);
