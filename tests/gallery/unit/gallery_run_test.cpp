// Whole runs of pixfold-gallery on the in-memory system, pixfold included: every call of the
// disk that can fail is failed in turn, and the gallery must say so, stay whole, and come out
// of the next run as a clean build would.
#include "fake_system.h"
#include "gallery.h"
#include "imaging/imaging.h"
#include "layout/layout.h"
#include "state/manifest.h"
#include "state/whole_files.h"
#include "status/terminal_status.h"
#include "system/system.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>

namespace {

using fake_system::call;
using files = std::map<std::string, std::string>;

std::string sample(std::string const& name) {
    std::ifstream file(std::string(PIXFOLD_SAMPLES) + "/" + name + ".jpg", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string const io_error = std::strerror(EIO);

class gallery_run : public ::testing::Test {
  protected:
    void SetUp() override { new_machine(); }

    // A machine with pixfold and nothing else.
    static void new_machine() {
        fake_system::current = {};
        fake_system::current.pixfold_programs.insert("/bin/pixfold");
        fake_system::current.environment["PIXFOLD"] = "/bin/pixfold";
    }

    static void add_picture(std::string const& path, std::string const& sample_name,
                            std::int64_t modified = 1'700'000'000) {
        fake_system::add_file(path, sample(sample_name), modified);
    }

    static gallery_options options(std::vector<std::string> const& folders,
                                   bool keep_companions = false) {
        gallery_options made;
        made.source = folders.front();
        made.in_place = folders.size() == 1;
        made.output = folders.back();
        made.workers = 2;
        made.web_box = 100;
        made.thumbnail_box = 40;
        made.keep_companions = keep_companions;
        return made;
    }

    static int build(gallery_options const& with) {
        fake_system::current.error.clear();
        fake_system::current.calls.clear();
        terminal_status shown;
        return build_gallery(with, shown);
    }
};

// The files of the gallery that a visitor sees: its state left out.
files visible(std::string const& folder) {
    files found = fake_system::files_under(folder);
    std::erase_if(found, [](auto const& file) { return file.first.starts_with(".pixfold"); });
    return found;
}

// The index's entries, by the names of the pages they link to.
std::vector<std::string> index_entries(std::string const& index) {
    std::vector<std::string> entries;
    std::istringstream lines(index);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("<a href=\""))
            entries.push_back(line.substr(9, line.find('"', 9) - 9));
    return entries;
}

// The thumbnails that an index shows.
std::vector<std::string> index_images(std::string const& index) {
    std::vector<std::string> images;
    for (std::size_t at = 0; (at = index.find("<img src=\"", at)) != std::string::npos;) {
        at += 10;
        images.push_back(index.substr(at, index.find('"', at) - at));
    }
    return images;
}

// Every page of a picture stands beside the files it shows, and every entry of an index links
// to a page that is there and shows a thumbnail that is there.
void expect_pages_whole(files const& gallery, bool web_copies) {
    for (auto const& [path, bytes] : gallery) {
        std::string const album = layout::folder_of(path);
        if (path == layout::index(album)) {
            EXPECT_TRUE(bytes.ends_with("</html>\r\n")) << path << " is cut short";
            for (std::string const& page : index_entries(bytes))
                EXPECT_EQ(gallery.count(album.empty() ? page : album + "/" + page), 1u)
                    << path << " links to a missing " << page;
            for (std::string const& image : index_images(bytes))
                EXPECT_EQ(gallery.count(album.empty() ? image : album + "/" + image), 1u)
                    << path << " shows a missing " << image;
        }
        if (!path.ends_with(".html") || bytes.find("alt=\"Picture ") == std::string::npos) continue;
        std::string const file = layout::last_part(path);
        std::string const name = file.substr(0, file.size() - 5);
        EXPECT_EQ(gallery.count(layout::thumbnail(album, name)), 1u) << path;
        if (web_copies) {
            EXPECT_EQ(gallery.count(layout::web_copy(album, name)), 1u) << path;
        }
    }
}

// The paths at which two galleries differ, for a message.
std::string differences(files const& a, files const& b) {
    std::string paths;
    for (auto const& [path, bytes] : a)
        if (b.count(path) == 0 || b.at(path) != bytes) paths += " " + path;
    for (auto const& [path, bytes] : b)
        if (a.count(path) == 0) paths += " +" + path;
    return paths;
}

// A picture's page without its line of links to the pictures beside it.
std::string without_beside(std::string const& page) {
    static std::regex const beside("\r\n<p>(FIRST|<a href=\"[^\"]*\">PREVIOUS</a>) \\| "
                                   "(LAST|<a href=\"[^\"]*\">NEXT</a>)</p>");
    return std::regex_replace(page, beside, "");
}

// The lines of standard error that tell of the injected failure.
std::vector<std::string> failure_messages() {
    std::vector<std::string> found;
    std::istringstream lines(fake_system::current.error);
    for (std::string line; std::getline(lines, line);)
        if (line.find(io_error) != std::string::npos) found.push_back(line);
    return found;
}

} // namespace

TEST_F(gallery_run, writes_every_page_by_pixfold_and_a_second_run_writes_nothing) {
    add_picture("src/clouds.jpg", "clouds");
    add_picture("src/IMG_0001.JPG", "rainbow");
    add_picture("src/blue planet.jpg", "blue planet");
    fake_system::add_file("src/notes.txt", "not a picture\n", 1);
    ASSERT_EQ(build(options({"src", "out"})), 0) << fake_system::current.error;
    files const gallery = visible("out");
    EXPECT_EQ(index_entries(gallery.at("index.html")),
              (std::vector<std::string>{"IMG_0001.html", "blue planet.html", "clouds.html"}));
    expect_pages_whole(gallery, true);
    EXPECT_EQ(gallery.count("notes.txt"), 0u);
    // The page is pixfold's, sized from the web-size copy as the page shows it.
    EXPECT_NE(gallery.at("clouds.html")
                  .find("<img src=\"clouds.jpg\" alt=\"Picture clouds\" "
                        "width=\"100\" height=\"75\">\r\n"),
              std::string::npos);
    // The state keeps the manifest and the sizes that the index is written from, nothing more.
    std::vector<std::string> state;
    for (auto const& [path, bytes] : fake_system::files_under("out/.pixfold-gallery"))
        state.push_back(path);
    EXPECT_EQ(state, (std::vector<std::string>{"manifest", "sizes/t/IMG_0001.ppm",
                                               "sizes/t/blue planet.ppm", "sizes/t/clouds.ppm"}));
    EXPECT_EQ(fake_system::files_under("out/.pixfold-gallery").at("sizes/t/clouds.ppm"),
              "P6\n40 30\n255\n");

    std::map<std::string, std::int64_t> before;
    for (auto const& [path, entry] : fake_system::current.files) before[path] = entry.modified;
    ASSERT_EQ(build(options({"src", "out"})), 0);
    EXPECT_EQ(fake_system::current.calls[call::write], 0);
    EXPECT_EQ(fake_system::current.calls[call::rename], 0);
    EXPECT_EQ(fake_system::current.calls[call::append], 0);
    for (auto const& [path, entry] : fake_system::current.files) {
        if (!entry.is_folder) {
            EXPECT_EQ(before[path], entry.modified) << path;
        }
    }
}

namespace {

// A run over a gallery: the pictures it starts from, and the run itself.
struct scenario {
    char const* what;
    std::function<void()> before; // brings the machine to where the run starts
    std::function<void()> change; // what changed since, if anything
    gallery_options with;
};

// The gallery at the start of the rerun: three pictures, made with their companions kept.
void first_gallery(gallery_options const& with) {
    fake_system::add_file("src/clouds.jpg", sample("clouds"), 1'700'000'001);
    fake_system::add_file("src/IMG_0001.JPG", sample("rainbow"), 1'700'000'002);
    fake_system::add_file("src/tartan.v2.jpg", sample("tartan.v2"), 1'700'000'003);
    // Albums, with SRC OUT; in place, folders left out.
    fake_system::add_file("src/2024/a.jpg", sample("gingham check"), 1'700'000'004);
    fake_system::add_file("src/2024/holiday/b.jpg", sample("blue planet"), 1'700'000'005);
    fake_system::add_file("src/2025/c.jpg", sample("clouds"), 1'700'000'006);
    // A file of the user's among the gallery's, which no run may touch.
    fake_system::add_file(with.output + "/mine.html", "the user's own\n", 1);
}

// Since then one picture changed, one is gone and one is new, and one album went.
void changes() {
    fake_system::add_file("src/clouds.jpg", sample("squiggles"), 1'700'000'100);
    fake_system::current.files.erase("src/IMG_0001.JPG");
    fake_system::add_file("src/new.jpg", sample("camouflage"), 1'700'000'101);
    fake_system::add_file("src/2024/holiday/d.jpg", sample("rainbow"), 1'700'000'102);
    fake_system::current.files.erase("src/2025/c.jpg");
}

} // namespace

TEST_F(gallery_run, every_failed_call_is_told_leaves_the_gallery_whole_and_the_next_run_mends_it) {
    gallery_options const source_out = options({"src", "out"}, true);
    gallery_options in_place = options({"src"}, true);
    in_place.output = "src";

    for (gallery_options const& with : {source_out, in_place}) {
        std::string const out = with.output;
        for (bool rerun : {false, true}) {
            SCOPED_TRACE(std::string(with.in_place ? "in place" : "SRC OUT") +
                         (rerun ? ", rerun" : ", first run"));
            // Where the run starts, and the gallery that a clean build makes of the result.
            auto const start = [&] {
                new_machine();
                first_gallery(with);
                if (rerun) {
                    ASSERT_EQ(build(with), 0) << fake_system::current.error;
                    changes();
                }
            };
            start();
            files const before = visible(out);
            ASSERT_EQ(build(with), 0) << fake_system::current.error;
            files const clean = fake_system::files_under(out);
            std::map<call, int> const counted = fake_system::current.calls;

            for (call kind :
                 {call::write, call::append, call::rename, call::remove, call::make_folder,
                  call::sync, call::lock, call::read, call::list, call::run}) {
                int const count = counted.count(kind) != 0 ? counted.at(kind) : 0;
                for (int number = 1; number <= count; ++number) {
                    SCOPED_TRACE("call " + std::to_string(static_cast<int>(kind)) + " number " +
                                 std::to_string(number) + " of " + std::to_string(count));
                    start();
                    fake_system::current.fail_at[kind] = number;
                    int const status = build(with);
                    fake_system::current.fail_at.clear();

                    std::string const error = fake_system::current.error;
                    EXPECT_EQ(status, 2) << error;
                    std::vector<std::string> const told = failure_messages();
                    ASSERT_FALSE(told.empty()) << error;
                    for (std::string const& line : told)
                        EXPECT_NE(line.find('/'), std::string::npos) << "names no file: " << line;
                    // Every file there is whole: as it was, or as the clean build made it; the
                    // indexes and covers may leave out the pictures that failed, and the pages
                    // lead past them.
                    files const after = visible(out);
                    for (auto const& [path, bytes] : after) {
                        if (layout::last_part(path) == "index.html" ||
                            layout::last_part(path) == "index.jpg")
                            continue;
                        auto const old = before.find(path);
                        auto const made = clean.find(path);
                        auto const same = [&](std::string const& other) {
                            return other == bytes || without_beside(other) == without_beside(bytes);
                        };
                        EXPECT_TRUE((old != before.end() && same(old->second)) ||
                                    (made != clean.end() && same(made->second)))
                            << path << " is half made; " << error;
                    }
                    expect_pages_whole(after, !with.in_place);

                    ASSERT_EQ(build(with), 0) << fake_system::current.error;
                    files const mended = fake_system::files_under(out);
                    EXPECT_TRUE(mended == clean)
                        << "the next run did not mend the gallery:" << differences(mended, clean)
                        << "; first " << error;
                }
            }
        }
    }
}

TEST_F(gallery_run, a_lock_that_cannot_be_taken_is_told_by_its_file_and_reason) {
    add_picture("src/clouds.jpg", "clouds");
    fake_system::current.locked_by_another = true;
    EXPECT_EQ(build(options({"src", "out"})), 2);
    EXPECT_EQ(fake_system::current.error,
              "pixfold-gallery: out: another pixfold-gallery is writing this gallery\n");

    // Not another run, but a lock file that cannot be opened at all.
    fake_system::current.locked_by_another = false;
    for (int code : {EACCES, EMFILE}) {
        fake_system::current.fail_at[call::lock] = 1;
        fake_system::current.failure_code = code;
        EXPECT_EQ(build(options({"src", "out"})), 2);
        EXPECT_EQ(fake_system::current.error,
                  "pixfold-gallery: out/.pixfold-gallery: cannot lock it: " +
                      std::string(std::strerror(code)) + "\n");
    }
    // Stopped so early, the gallery holds nothing of the run: no thumbnails' folder, no work.
    EXPECT_EQ(fake_system::current.files.count("out/t"), 0u);
    EXPECT_EQ(fake_system::current.files.count("out/.pixfold-gallery/work"), 0u);
}

TEST_F(gallery_run, without_pixfold_nothing_is_made) {
    add_picture("src/clouds.jpg", "clouds");
    fake_system::current.pixfold_programs.clear();
    EXPECT_EQ(build(options({"src", "out"})), 2);
    EXPECT_NE(fake_system::current.error.find("cannot find pixfold"), std::string::npos);
    EXPECT_EQ(fake_system::files_under("out").size(), 0u);
    EXPECT_EQ(fake_system::current.files.count("out"), 0u);
}

TEST_F(gallery_run, files_of_a_gone_picture_that_cannot_be_removed_are_told_and_tried_again) {
    add_picture("src/clouds.jpg", "clouds");
    add_picture("src/rainbow.jpg", "rainbow");
    ASSERT_EQ(build(options({"src", "out"})), 0);
    fake_system::current.files.erase("src/rainbow.jpg");
    fake_system::current.failing_paths.insert("out/rainbow.html");
    EXPECT_EQ(build(options({"src", "out"})), 2);
    EXPECT_EQ(failure_messages(),
              (std::vector<std::string>{"pixfold-gallery: out/rainbow.html: cannot remove it: " +
                                        io_error}));
    // Its page is no longer in the index, and stays with every file it shows.
    files gallery = visible("out");
    EXPECT_EQ(index_entries(gallery.at("index.html")), (std::vector<std::string>{"clouds.html"}));
    EXPECT_EQ(gallery.count("t/rainbow.jpg"), 1u);
    EXPECT_NE(fake_system::files_under("out").at(".pixfold-gallery/manifest").find("rainbow.jpg"),
              std::string::npos);

    fake_system::current.failing_paths.clear();
    EXPECT_EQ(build(options({"src", "out"})), 0) << fake_system::current.error;
    gallery = visible("out");
    for (std::string const file : {"rainbow.html", "rainbow.jpg", "t/rainbow.jpg", "t/rainbow.ppm"})
        EXPECT_EQ(gallery.count(file), 0u) << file;
}

TEST_F(gallery_run, an_index_that_pixfold_could_not_write_is_told_with_its_fatal_error) {
    add_picture("src/clouds.jpg", "clouds");
    ASSERT_EQ(build(options({"src", "out"})), 0);
    // A size header that lost its size: pixfold ends the index with its fatal error.
    fake_system::add_file("out/.pixfold-gallery/sizes/t/clouds.ppm", "P6\n", 1);
    fake_system::current.files.erase("out/index.html");
    EXPECT_EQ(build(options({"src", "out"})), 2);
    EXPECT_EQ(fake_system::current.error, "pixfold-gallery: index.html: not written: pixfold "
                                          "stopped with status 2: Fatal Error\n");
    EXPECT_EQ(fake_system::current.files.count("out/index.html"), 0u);
}

TEST_F(gallery_run, a_journal_that_cannot_be_removed_is_told_as_such) {
    add_picture("src/clouds.jpg", "clouds");
    fake_system::add_file("out/.pixfold-gallery/journal", "", 1); // an interrupted run's
    fake_system::current.failure_code = EACCES;
    // Reading it works; only its removal at the end fails.
    fake_system::current.on_rename = [](std::string const& path) {
        if (path == "out/.pixfold-gallery/manifest")
            fake_system::current.failing_paths.insert("out/.pixfold-gallery/journal");
    };
    EXPECT_EQ(build(options({"src", "out"})), 2);
    EXPECT_EQ(fake_system::current.error,
              "pixfold-gallery: out/.pixfold-gallery/journal: cannot remove it: " +
                  std::string(std::strerror(EACCES)) + "\n");
    EXPECT_EQ(fake_system::files_under("out").count(".pixfold-gallery/manifest"), 1u);
}

TEST_F(gallery_run, a_file_is_claimed_in_the_journal_before_it_appears) {
    add_picture("src/clouds.jpg", "clouds");
    add_picture("src/rainbow.jpg", "rainbow");
    // The moment each made file appears, the journal already claims it for its picture.
    std::map<std::string, std::string> journal_when_placed;
    fake_system::current.on_rename = [&](std::string const& path) {
        std::string journal;
        if (path.find("/.pixfold-gallery/") == std::string::npos) {
            os::read_file("src/.pixfold-gallery/journal", journal);
            journal_when_placed[path] = journal;
        }
    };
    ASSERT_EQ(build(options({"src"}, true)), 0) << fake_system::current.error;
    ASSERT_EQ(journal_when_placed.count("src/clouds.ppm"), 1u);
    for (auto const& [path, journal] : journal_when_placed) {
        std::string const source = path.find("clouds") != std::string::npos ? "clouds" : "rainbow";
        EXPECT_NE(journal.find(" cp\t" + source + "\t" + source + ".jpg\n"), std::string::npos)
            << path << " appeared unclaimed; the journal held: " << journal;
    }

    // Stopped at that moment, with the companion in place and no line of its picture but the
    // claim, the next run still knows the companion for the gallery's own.
    auto interrupted = fake_system::current.files;
    fake_system::current.on_rename = [&](std::string const& path) {
        if (path == "src/clouds.ppm") interrupted = fake_system::current.files;
    };
    fake_system::current.files.erase("src/.pixfold-gallery/manifest");
    std::erase_if(fake_system::current.files,
                  [](auto const& file) { return file.first.starts_with("src/clouds."); });
    add_picture("src/clouds.jpg", "clouds");
    ASSERT_EQ(build(options({"src"}, true)), 0);
    fake_system::current.files = interrupted;
    fake_system::current.on_rename = nullptr;
    fake_system::current.files.erase("src/clouds.jpg");
    ASSERT_EQ(build(options({"src"}, true)), 0) << fake_system::current.error;
    EXPECT_EQ(fake_system::current.files.count("src/clouds.ppm"), 0u);
    EXPECT_EQ(fake_system::current.files.count("src/t/clouds.jpg"), 0u);
}

TEST_F(gallery_run, files_that_a_run_which_did_not_end_left_cut_short_are_made_again) {
    add_picture("src/clouds.jpg", "clouds");
    add_picture("src/rainbow.jpg", "rainbow");
    add_picture("src/tartan.v2.jpg", "tartan.v2");
    ASSERT_EQ(build(options({"src", "out"})), 0);
    files const clean = fake_system::files_under("out");
    // As a power cut can leave a run that had made two pictures: their lines in the journal,
    // one page empty, one thumbnail cut short; the manifest of the run before names neither.
    std::string const last_manifest = clean.at(".pixfold-gallery/manifest");
    std::string journal, kept;
    std::istringstream lines(last_manifest);
    for (std::string line; std::getline(lines, line);)
        (line.find("\tclouds.jpg") != std::string::npos ||
                 line.find("\trainbow.jpg") != std::string::npos
             ? journal
             : kept) += line + "\n";
    fake_system::add_file("out/.pixfold-gallery/manifest", kept, 1);
    fake_system::add_file("out/.pixfold-gallery/journal", journal, 1);
    fake_system::add_file("out/clouds.html", "", 1);
    fake_system::add_file("out/t/rainbow.jpg", clean.at("t/rainbow.jpg").substr(0, 100), 1);

    ASSERT_EQ(build(options({"src", "out"})), 0) << fake_system::current.error;
    EXPECT_TRUE(fake_system::files_under("out") == clean)
        << differences(fake_system::files_under("out"), clean);
    // Both made again, and only they: the index shows them as it did.
    EXPECT_EQ(fake_system::current.calls[call::run], 2);
}

TEST(whole_files, know_a_file_cut_short_by_its_kind) {
    EXPECT_TRUE(is_whole("a.html", "<html>\r\n</html>\r\n"));
    EXPECT_FALSE(is_whole("a.html", "<html>\r\n</ht"));
    EXPECT_FALSE(is_whole("a.html", ""));
    EXPECT_TRUE(is_whole("t/a.jpg", "\xFF\xD8...\xFF\xD9"));
    EXPECT_FALSE(is_whole("t/a.jpg", "\xFF\xD8..."));
    EXPECT_FALSE(is_whole("t/a.jpg", ""));
    EXPECT_TRUE(is_whole(".pixfold-gallery/sizes/t/a.ppm", "P6\n40 30\n255\n"));
    EXPECT_FALSE(is_whole(".pixfold-gallery/sizes/t/a.ppm", "P6\n40"));
}

TEST_F(gallery_run, a_gallery_of_an_earlier_version_is_taken_over_without_making_it_again) {
    add_picture("src/clouds.jpg", "clouds");
    add_picture("src/a#b.jpg", "rainbow");
    ASSERT_EQ(build(options({"src", "out"})), 0);
    files const clean = fake_system::files_under("out");

    // As the earlier version left it: its manifest, and whole PPM files of the thumbnails in
    // t/, from which its pages, written with the names as they are, were sized.
    std::string earlier = "pixfold-gallery manifest 1\n";
    for (auto const& [source, record] :
         read_manifest(clean.at(".pixfold-gallery/manifest"), "").records.pictures)
        earlier += std::to_string(record.stamp.size) + " " +
                   std::to_string(record.stamp.modified_seconds) + " " +
                   std::to_string(record.stamp.modified_nanoseconds) + " " +
                   std::to_string(record.web_box) + " " + std::to_string(record.thumbnail_box) +
                   " -\t" + source + "\n";
    fake_system::add_file("out/.pixfold-gallery/manifest", earlier, 1);
    std::erase_if(fake_system::current.files, [](auto const& file) {
        return file.first.starts_with("out/.pixfold-gallery/sizes");
    });
    for (auto const& [name, link] : {std::pair{"clouds", "clouds"}, std::pair{"a#b", "a%23b"}}) {
        std::string const size = clean.at(layout::thumbnail_size("", link));
        fake_system::add_file("out/t/" + std::string(name) + ".ppm",
                              size + std::string(3600, '\x7F'), 1);
    }

    // Only the picture whose link changed is decoded again; the other's page is written again
    // from the sizes taken over, for its markers.
    fake_system::current.failing_paths.insert("src/clouds.jpg");
    ASSERT_EQ(build(options({"src", "out"})), 0) << fake_system::current.error;
    files after = fake_system::files_under("out");
    // Not read again, the picture taken over is not known to have been taken when it was.
    std::string const manifest = ".pixfold-gallery/manifest";
    gallery_records taken_over = read_manifest(after.at(manifest), "").records;
    gallery_records const made = read_manifest(clean.at(manifest), "").records;
    EXPECT_FALSE(taken_over.pictures.at("clouds.jpg").dated);
    taken_over.pictures.at("clouds.jpg").dated = true;
    EXPECT_TRUE(taken_over == made);
    after[manifest] = clean.at(manifest);
    EXPECT_TRUE(after == clean) << differences(after, clean);
}

TEST_F(gallery_run, a_file_a_cut_left_short_is_made_again_though_the_journal_lost_its_lines) {
    add_picture("src/clouds.jpg", "clouds");
    add_picture("src/rainbow.jpg", "rainbow");
    ASSERT_EQ(build(options({"src", "out"})), 0);
    files const clean = fake_system::files_under("out");

    // A run that replaces every file, cut short once a page is in place; of what it wrote, the
    // disk kept that page but half of it, and the journal that was there, but empty.
    auto cut = fake_system::current.files;
    fake_system::current.on_rename = [&](std::string const& path) {
        if (path == "out/clouds.html") cut = fake_system::current.files;
    };
    gallery_options forced = options({"src", "out"});
    forced.force = true;
    ASSERT_EQ(build(forced), 0);
    fake_system::current.on_rename = nullptr;
    fake_system::current.files = cut;
    std::string& page = fake_system::current.files.at("out/clouds.html").bytes;
    page.resize(page.size() / 2);
    fake_system::current.files.at("out/.pixfold-gallery/journal").bytes.clear();
    ASSERT_EQ(build(options({"src", "out"})), 0) << fake_system::current.error;
    EXPECT_TRUE(fake_system::files_under("out") == clean)
        << differences(fake_system::files_under("out"), clean);

    // After a run that did not end, an empty file is never whole, whenever it was written.
    fake_system::current.files.at("out/t/rainbow.jpg").bytes.clear();
    fake_system::add_file("out/.pixfold-gallery/journal", "", 1);
    ASSERT_EQ(build(options({"src", "out"})), 0);
    EXPECT_EQ(fake_system::files_under("out").at("t/rainbow.jpg"), clean.at("t/rainbow.jpg"));
}

TEST_F(gallery_run, clears_refuses_and_keeps_by_the_rules_that_guard_the_files) {
    struct rule {
        char const* what;
        std::function<void()> arrange;
        gallery_options with;
        int status;
        std::function<void()> check;
    };
    // Left by a run that was cut short; a file where a worker's folder goes too.
    auto const stale_work = [] {
        fake_system::add_file("out/.pixfold-gallery/work/0", "stale", 1);
        fake_system::add_file("out/.pixfold-gallery/work/7/page/clouds.ppm", "P6\n1 1\n255\n", 1);
        fake_system::current.on_rename = [](std::string const& path) {
            if (!path.starts_with("out/.pixfold-gallery")) {
                EXPECT_EQ(fake_system::current.files.count("out/.pixfold-gallery/work/7"), 0u);
            }
        };
    };
    rule const rules[] = {
        {"SRC and OUT one folder is refused, nothing written in it", [] {},
         options({"src", "./src/"}), 2,
         [] {
             EXPECT_NE(fake_system::current.error.find("SRC and OUT are one folder"),
                       std::string::npos);
             EXPECT_EQ(fake_system::files_under("src").size(), 1u);
         }},
        {"a stale work folder is cleared before the first file appears", stale_work,
         options({"src", "out"}), 0,
         [] { EXPECT_EQ(fake_system::current.files.count("out/.pixfold-gallery/work"), 0u); }},
        {"a run whose index failed leaves an empty journal, so the next run writes it",
         [] { fake_system::current.failing_paths.insert("out/index.html"); },
         options({"src", "out"}), 2,
         [] {
             EXPECT_EQ(fake_system::files_under("out").at(".pixfold-gallery/journal"), "");
             fake_system::current.failing_paths.clear();
             fake_system::current.on_rename = nullptr;
             ASSERT_EQ(build(options({"src", "out"})), 0) << fake_system::current.error;
             EXPECT_EQ(fake_system::files_under("out").count("index.html"), 1u);
             EXPECT_EQ(fake_system::files_under("out").count(".pixfold-gallery/journal"), 0u);
         }},
    };
    for (rule const& each : rules) {
        SCOPED_TRACE(each.what);
        new_machine();
        add_picture("src/clouds.jpg", "clouds");
        each.arrange();
        EXPECT_EQ(build(each.with), each.status) << fake_system::current.error;
        each.check();
    }
}

TEST_F(gallery_run, a_companion_that_could_not_be_removed_stays_the_gallerys_till_it_is) {
    add_picture("src/a.jpg", "clouds");
    ASSERT_EQ(build(options({"src"}, true)), 0);
    // Changed, and its companion no longer wanted, which cannot be removed this time.
    add_picture("src/a.jpg", "rainbow", 1'700'000'100);
    fake_system::current.failing_paths.insert("src/a.ppm");
    EXPECT_EQ(build(options({"src"})), 2);
    EXPECT_EQ(fake_system::files_under("src").count("a.ppm"), 1u);
    fake_system::current.failing_paths.clear();
    ASSERT_EQ(build(options({"src"})), 0) << fake_system::current.error;
    EXPECT_EQ(fake_system::files_under("src").count("a.ppm"), 0u) << "taken for the user's";
}

TEST_F(gallery_run, a_picture_added_between_two_writes_its_files_its_neighbours_pages_and_index) {
    add_picture("src/a.jpg", "clouds");
    add_picture("src/c.jpg", "rainbow");
    add_picture("src/e.jpg", "tartan.v2");
    ASSERT_EQ(build(options({"src", "out"})), 0) << fake_system::current.error;
    add_picture("src/b.jpg", "squiggles");
    std::set<std::string> placed;
    fake_system::current.on_rename = [&](std::string const& path) {
        if (!path.starts_with("out/.pixfold-gallery")) placed.insert(path);
    };
    ASSERT_EQ(build(options({"src", "out"})), 0) << fake_system::current.error;
    EXPECT_EQ(placed, (std::set<std::string>{"out/b.html", "out/b.jpg", "out/t/b.jpg", "out/a.html",
                                             "out/c.html", "out/index.html"}));
    std::string const page = fake_system::files_under("out").at("b.html");
    EXPECT_NE(page.find("<p><a href=\"a.html\">PREVIOUS</a> | <a href=\"c.html\">NEXT</a></p>"),
              std::string::npos)
        << page;
}
