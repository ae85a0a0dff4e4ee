#include "source/scan.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A source folder of files and folders, by path: a path ending in '/' is a folder, "->" makes a
// link to a folder.
class tree {
  public:
    explicit tree(std::vector<std::string> paths) {
        for (std::string const& path : paths) add(path);
    }

    scan_result scan(scan_settings const& settings = {}, std::string const& skipped = "") const {
        return scan_pictures(
            entries_of(""), "photos", settings,
            [this](std::string const& folder, std::vector<folder_entry>& found) {
                found = entries_of(folder);
                return folder == "unreadable" ? std::string("Permission denied") : std::string();
            },
            [&](std::string const& folder) { return folder == skipped; });
    }

  private:
    void add(std::string path) {
        bool const link = path.ends_with("->");
        if (link) path.resize(path.size() - 2);
        bool const folder = link || path.ends_with('/');
        if (path.ends_with('/')) path.pop_back();
        std::size_t const slash = path.rfind('/');
        std::string const parent = slash == std::string::npos ? "" : path.substr(0, slash);
        // The folders above come first, once each.
        if (!parent.empty() && folders_.count(parent) == 0) add(parent + "/");
        folder_entry entry;
        entry.name = slash == std::string::npos ? path : path.substr(slash + 1);
        entry.kind = folder ? file_kind::folder : file_kind::file;
        entry.is_link = link;
        entry.stamp = {1, 1700000000, 0};
        if (folder && folders_.count(path) != 0) return;
        folders_[parent].push_back(entry);
        if (folder) folders_[path];
    }

    std::vector<folder_entry> entries_of(std::string const& folder) const {
        auto const found = folders_.find(folder);
        return found == folders_.end() ? std::vector<folder_entry>{} : found->second;
    }

    std::map<std::string, std::vector<folder_entry>> folders_;
};

std::vector<std::string> album_paths(scan_result const& scanned) {
    std::vector<std::string> paths;
    for (album const& each : scanned.albums) paths.push_back(each.path);
    return paths;
}

std::vector<std::string> picture_sources(scan_result const& scanned, album const& of) {
    std::vector<std::string> sources;
    for (int index : of.pictures)
        sources.push_back(scanned.pictures[static_cast<std::size_t>(index)].source);
    return sources;
}

} // namespace

TEST(scan, walks_the_folders_that_hold_pictures_and_passes_over_the_rest) {
    tree const photos({"b.jpg", "a.JPG", "notes.txt", "2024/x.jpg", "2024/holiday/y.jpg",
                       "2024/holiday/stdheader.inc", "2025/", "empty/deeper/", ".hidden/z.jpg",
                       "2023/only/deep/w.jpg", "link->", "out/old.jpg", "unreadable/"});
    scan_result const scanned = photos.scan({}, "out");
    EXPECT_EQ(album_paths(scanned),
              (std::vector<std::string>{"", "2023", "2023/only", "2023/only/deep", "2024",
                                        "2024/holiday"}));
    album const& top = scanned.albums[0];
    EXPECT_EQ(top.name, "photos");
    EXPECT_EQ(picture_sources(scanned, top), (std::vector<std::string>{"a.JPG", "b.jpg"}));
    EXPECT_EQ(top.albums, (std::vector<int>{1, 4}));
    EXPECT_EQ(scanned.albums[5].parent, 4);
    EXPECT_TRUE(scanned.albums[5].has_header);
    EXPECT_FALSE(scanned.albums[4].has_header);
    EXPECT_EQ(picture_sources(scanned, scanned.albums[5]),
              (std::vector<std::string>{"2024/holiday/y.jpg"}));
    EXPECT_EQ(scanned.pictures[static_cast<std::size_t>(scanned.albums[5].pictures[0])].album,
              "2024/holiday");
    // A link is named; a folder that cannot be read is a picture left out.
    ASSERT_EQ(scanned.notes.size(), 2u);
    EXPECT_EQ(scanned.notes[0], "warning: link/: left out: a symbolic link to a folder");
    EXPECT_EQ(scanned.notes[1], "unreadable/: left out of the gallery: cannot read this folder: "
                                "Permission denied");
    EXPECT_EQ(scanned.left_out, 1);
}

TEST(scan, an_album_is_left_out_where_its_folder_would_take_a_place_the_album_above_has) {
    tree const photos({"t/a.jpg", "sunset.jpg", "sunset.html/b.jpg", "fine/c.jpg"});
    scan_result const scanned = photos.scan();
    EXPECT_EQ(album_paths(scanned), (std::vector<std::string>{"", "fine"}));
    ASSERT_EQ(scanned.notes.size(), 2u);
    EXPECT_NE(scanned.notes[0].find("sunset.html/: left out of the gallery"), std::string::npos);
    EXPECT_NE(scanned.notes[1].find("t/: left out of the gallery: an album t would share its "
                                    "folder with the thumbnails"),
              std::string::npos);
    EXPECT_EQ(scanned.left_out, 2);
    EXPECT_TRUE(scanned.pictures.size() == 2u) << "none of the albums left out stays";
}

TEST(scan, in_place_the_gallery_is_one_folder_and_names_the_folders_below) {
    tree const photos({"a.jpg", "IMG_1.JPG", "IMG_2.heic", "IMG_2.mov", "2024/x.jpg", "empty/",
                       ".hidden/", "t/a.jpg"});
    scan_settings in_place;
    in_place.albums = false;
    in_place.any_format = false;
    scan_result const scanned = photos.scan(in_place, "t");
    EXPECT_EQ(album_paths(scanned), (std::vector<std::string>{""}));
    EXPECT_EQ(picture_sources(scanned, scanned.albums[0]), (std::vector<std::string>{"a.jpg"}));
    std::vector<std::string> const notes = scanned.notes;
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_NE(notes[0].find("IMG_1.JPG: left out: a gallery in place takes only"),
              std::string::npos);
    EXPECT_NE(notes[1].find("IMG_2.heic: left out: a gallery in place takes only"),
              std::string::npos);
    EXPECT_EQ(notes[2], "warning: 2024/: left out: a gallery in place is one folder; "
                        "pixfold-gallery SRC OUT takes the folders below as albums");
    EXPECT_NE(notes[3].find("empty/"), std::string::npos);
    EXPECT_EQ(scanned.left_out, 0);
}

TEST(scan, takes_one_picture_of_a_stem_and_names_videos_and_raws_that_are_alone) {
    tree const phone(
        {"IMG_0001.JPG", "IMG_0001.HEIC", "IMG_0001.MOV", "IMG_0001.AAE",  "IMG_0002.heic",
         "IMG_0002.mov", "IMG_0003.GIF",  "IMG_0003.png", "IMG_0003.webp", "IMG_0004.JPG",
         "IMG_0004.DNG", "a.avif",        "b.TIFF",       "clip.mp4",      "DSC_1.NEF",
         "notes.txt",    "twin.HEIF",     "twin.heic",    "2024/a.mp4",    "2024/b.mov",
         "2024/c.avi",   "2024/d.3gp",    "2024/e.mkv",   "2024/f.m4v",    "2024/x.webp"});
    scan_result const scanned = phone.scan();
    EXPECT_EQ(picture_sources(scanned, scanned.albums[0]),
              (std::vector<std::string>{"IMG_0001.JPG", "IMG_0002.heic", "IMG_0003.png",
                                        "IMG_0004.JPG", "a.avif", "b.TIFF", "twin.HEIF"}));
    std::string const first = ", and its format comes first";
    EXPECT_EQ(
        scanned.notes,
        (std::vector<std::string>{
            "warning: IMG_0001.HEIC: not shown: IMG_0001.JPG already makes IMG_0001.jpg" + first,
            "warning: IMG_0003.GIF: not shown: IMG_0003.png already makes IMG_0003.jpg" + first,
            "warning: IMG_0003.webp: not shown: IMG_0003.png already makes IMG_0003.jpg" + first,
            "twin.heic: left out of the gallery: twin.HEIF already makes twin.jpg",
            "warning: clip.mp4: not shown: a video",
            "warning: DSC_1.NEF: not shown: a camera raw, which the image library cannot "
            "decode",
            "warning: 2024/: 6 videos not shown: a.mp4, b.mov, c.avi, d.3gp, and 2 more"}));
    EXPECT_EQ(scanned.left_out, 1) << "only two pictures of one format and name are a fault";
}
