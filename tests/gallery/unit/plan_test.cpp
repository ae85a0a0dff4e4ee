#include "layout/layout.h"
#include "plan/albums.h"
#include "plan/keys.h"
#include "plan/pages.h"
#include "plan/pictures.h"
#include "plan/removals.h"

#include "source/names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

constexpr file_stamp first_state{100, 1700000000, 1};
constexpr file_stamp second_state{120, 1700090000, 2};

// A scan of pictures at these paths, each album made from its folder, in the order a scan
// gives them; every name its own link.
scan_result scan_stamped(std::vector<std::pair<std::string, file_stamp>> sources) {
    std::sort(sources.begin(), sources.end(),
              [](auto const& a, auto const& b) { return a.first < b.first; });
    scan_result scanned;
    scanned.albums.push_back({"", "top", "", -1, {}, {}, false, false});
    std::map<std::string, int> albums{{"", 0}};
    std::function<int(std::string const&)> album_of = [&](std::string const& path) {
        if (auto const known = albums.find(path); known != albums.end()) return known->second;
        int const parent = album_of(layout::folder_of(path));
        int const index = static_cast<int>(scanned.albums.size());
        std::string const name = layout::last_part(path);
        scanned.albums.push_back({path, name, name, parent, {}, {}, false, false});
        scanned.albums[static_cast<std::size_t>(parent)].albums.push_back(index);
        albums[path] = index;
        return index;
    };
    for (auto const& [source, stamp] : sources) {
        std::string const album = layout::folder_of(source);
        std::string const file = layout::last_part(source);
        std::string const name = file.substr(0, file.rfind('.'));
        int const index = album_of(album);
        scanned.albums[static_cast<std::size_t>(index)].pictures.push_back(
            static_cast<int>(scanned.pictures.size()));
        scanned.pictures.push_back({source, album, index, name, name, stamp});
    }
    return scanned;
}

scan_result scan_of(std::vector<std::string> const& sources, file_stamp stamp = first_state) {
    std::vector<std::pair<std::string, file_stamp>> stamped;
    for (std::string const& source : sources) stamped.emplace_back(source, stamp);
    return scan_stamped(stamped);
}

// What the plan decides of the pictures.
struct planned {
    std::vector<picture_job> jobs;
    std::vector<removal> removals;
};

planned plan_of(scan_result const& scanned, gallery_records const& made, file_set const& present,
                gallery_settings const& settings) {
    return {plan_pictures(scanned, made, present, settings),
            plan_picture_removals(scanned, made, present, settings)};
}

// The records once the files of a removal are all gone, as the state keeps them.
void forget(removal const& done, gallery_records& made) {
    if (done.done == removal::then::forget_picture) made.pictures.erase(done.source);
    if (done.done == removal::then::forget_companion) made.pictures[done.source].companion = false;
    if (done.done == removal::then::forget_album) made.albums.erase(done.source);
}

// The images made as the state records them: each picture 160x120, its thumbnail 40x30.
void record_made(std::vector<picture_job> const& jobs, gallery_records& made) {
    for (picture_job const& job : jobs) {
        picture_record record = job.target;
        if (!job.date_only) record.shown = {160, 120};
        if (!job.date_only) record.thumbnail = {40, 30};
        record.companion |= made.pictures[job.item.source].companion;
        made.pictures[job.item.source] = record;
    }
}

// The pages that are written once the images are made, as the state records them; their
// sources.
std::vector<std::string> pages_made(scan_result const& scanned, gallery_records& made,
                                    file_set& present, gallery_settings const& settings,
                                    site_step const& site) {
    std::vector<std::string> sources;
    for (page_job const& job : plan_pages(scanned, made, present, settings, site)) {
        picture const& item = scanned.pictures[static_cast<std::size_t>(job.item_at)];
        made.pictures[item.source].page_key = job.key;
        present.insert(layout::page(item.album, item.name));
        sources.push_back(item.source);
    }
    return sources;
}

// The records of a whole gallery made from the scan, as a run would leave them, and the files
// they say are there.
void made_all(scan_result const& scanned, gallery_settings const& settings, gallery_records& made,
              file_set& present, site_step const& site = {}) {
    planned const plan = plan_of(scanned, made, present, settings);
    record_made(plan.jobs, made);
    for (removal const& done : plan.removals) forget(done, made);
    for (auto const& [source, record] : made.pictures)
        for (std::string const& path :
             files_of(layout::folder_of(source), picture_name_of(source), record))
            if (!path.ends_with(".html")) present.insert(path);
    pages_made(scanned, made, present, settings, site);
    album_plan const albums = plan_albums(scanned, made, present, settings, site);
    for (album_job const& job : albums.jobs) {
        std::string const& path = scanned.albums[static_cast<std::size_t>(job.album)].path;
        made.albums[path] = job.target;
        for (std::string const& file : files_of(path, job.target)) present.insert(file);
    }
    for (removal const& done : plan_album_removals(scanned, made, albums.shown, {}))
        forget(done, made);
}

std::vector<std::string> job_sources(planned const& plan) {
    std::vector<std::string> sources;
    for (picture_job const& job : plan.jobs) sources.push_back(job.item.source);
    return sources;
}

std::vector<std::string> sorted(std::vector<std::string> files) {
    std::sort(files.begin(), files.end());
    return files;
}

gallery_settings const in_place{0, 200, false, false, false};
gallery_settings const source_out{1600, 200, false, false, false};
gallery_settings const with_site{1600, 200, false, false, true};

// The sources of a site step whose dates are the days since 1970, and whose headers come from
// the folders.
site_sources site_of(scan_result const& scanned) {
    site_sources sources;
    sources.header_files.resize(scanned.albums.size());
    sources.footer_files.resize(scanned.albums.size());
    for (album const& each : scanned.albums) sources.shown_names.push_back(each.name);
    sources.date_of = [](std::int64_t seconds) { return std::to_string(seconds / 86400); };
    return sources;
}

} // namespace

TEST(plan, makes_what_is_new_changed_or_made_otherwise_and_leaves_the_rest) {
    struct row {
        char const* what;
        gallery_settings made_with;
        gallery_settings now;
        file_stamp stamp_now;
        bool remade;
    };
    gallery_settings const bigger_thumbnails{1600, 300, false, false, false};
    gallery_settings const smaller_copies{800, 200, false, false, false};
    gallery_settings const forced{1600, 200, false, true, false};
    row const rows[] = {
        {"unchanged", source_out, source_out, first_state, false},
        {"unchanged in place", in_place, in_place, first_state, false},
        {"picture changed", source_out, source_out, second_state, true},
        {"--thumb-size changed", source_out, bigger_thumbnails, first_state, true},
        {"--size changed", source_out, smaller_copies, first_state, true},
        {"--force", source_out, forced, first_state, true},
    };
    for (row const& case_ : rows) {
        SCOPED_TRACE(case_.what);
        gallery_records made;
        file_set present;
        made_all(scan_of({"a.jpg"}), case_.made_with, made, present);
        planned const plan = plan_of(scan_of({"a.jpg"}, case_.stamp_now), made, present, case_.now);
        EXPECT_EQ(plan.jobs.size(), case_.remade ? 1u : 0u);
        EXPECT_TRUE(plan.removals.empty());
        if (case_.remade) {
            EXPECT_EQ(plan.jobs[0].target.web_box, case_.now.web_box);
            EXPECT_EQ(plan.jobs[0].target.thumbnail_box, case_.now.thumbnail_box);
            EXPECT_EQ(plan.jobs[0].target.stamp, case_.stamp_now);
            EXPECT_TRUE(plan.jobs[0].had_files);
        }
    }
}

TEST(plan, remakes_a_picture_whose_made_file_was_deleted_or_never_finished) {
    scan_result const scanned = scan_of({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    gallery_records made;
    file_set present;
    made_all(scanned, source_out, made, present);
    made.pictures["d.jpg"].finished = false; // claimed by a run that was interrupted
    present.erase("t/a.jpg");
    present.erase("b.html");
    planned const plan = plan_of(scan_of({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "new.jpg"}), made,
                                 present, source_out);
    EXPECT_EQ(job_sources(plan), (std::vector<std::string>{"a.jpg", "d.jpg", "new.jpg"}));
    EXPECT_FALSE(plan.jobs[2].had_files);
    // A page alone is written again without a decode.
    std::vector<page_job> const pages = plan_pages(scanned, made, present, source_out, {});
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].item_at, 1) << "b.jpg";
}

TEST(plan, a_companion_that_the_user_had_is_never_touched) {
    gallery_settings const keeping{0, 200, true, false, false};
    gallery_records made;
    file_set present;
    present.insert("mine.ppm"); // the user's own
    made_all(scan_of({"mine.jpg", "ours.jpg"}), keeping, made, present);
    ASSERT_FALSE(made.pictures.at("mine.jpg").companion);
    ASSERT_TRUE(made.pictures.at("ours.jpg").companion);
    present.insert("theirs.ppm"); // the user's, beside a picture not made yet
    scan_result const scanned = scan_of({"mine.jpg", "ours.jpg", "theirs.jpg"});

    // Asked to keep companions, the gallery makes none where the user has one.
    planned const keep = plan_of(scanned, made, present, keeping);
    ASSERT_EQ(job_sources(keep), (std::vector<std::string>{"theirs.jpg"}));
    EXPECT_FALSE(keep.jobs[0].target.companion);
    EXPECT_FALSE(keep.jobs[0].claim.companion);
    EXPECT_TRUE(keep.removals.empty());

    // Asked no longer, it removes its own and only its own.
    planned const drop = plan_of(scanned, made, present, in_place);
    ASSERT_EQ(drop.removals.size(), 1u);
    EXPECT_EQ(drop.removals[0].files, (std::vector<std::string>{"ours.ppm"}));
    EXPECT_EQ(drop.removals[0].done, removal::then::forget_companion);
    EXPECT_EQ(job_sources(drop), (std::vector<std::string>{"theirs.jpg"}));

    // Once the picture of the user's companion is gone, the companion still stays.
    planned const gone = plan_of(scan_of(std::vector<std::string>{}), made, present, in_place);
    for (removal const& files : gone.removals)
        for (std::string const& file : files.files) EXPECT_NE(file, "mine.ppm");
}

TEST(plan, a_gone_pictures_files_go_but_those_that_a_picture_of_the_same_name_has) {
    gallery_records made;
    file_set present;
    made_all(scan_of({"IMG_1.JPG", "gone.jpg", "kept.jpg", "2024/gone.jpg"}), source_out, made,
             present);
    planned const plan = plan_of(scan_of({"IMG_1.jpg", "kept.jpg"}), made, present, source_out);
    ASSERT_EQ(plan.removals.size(), 3u);
    EXPECT_EQ(plan.removals[0].source, "2024/gone.jpg");
    EXPECT_EQ(sorted(plan.removals[0].files),
              (std::vector<std::string>{".pixfold-gallery/sizes/2024/t/gone.ppm", "2024/gone.html",
                                        "2024/gone.jpg", "2024/t/gone.jpg", "2024/t/gone.ppm"}));
    EXPECT_EQ(plan.removals[1].source, "IMG_1.JPG");
    EXPECT_TRUE(plan.removals[1].files.empty()) << "IMG_1.jpg makes the same files now";
    EXPECT_EQ(plan.removals[2].source, "gone.jpg");
    EXPECT_EQ(plan.removals[2].files.front(), "gone.html") << "the page goes first";

    // In place the picture itself is never among the files that go.
    gallery_records made_in_place;
    file_set present_in_place;
    made_all(scan_of({"gone.jpg"}), in_place, made_in_place, present_in_place);
    planned const in_place_plan =
        plan_of(scan_of(std::vector<std::string>{}), made_in_place, present_in_place, in_place);
    EXPECT_EQ(sorted(in_place_plan.removals[0].files),
              (std::vector<std::string>{".pixfold-gallery/sizes/t/gone.ppm", "gone.html",
                                        "t/gone.jpg", "t/gone.ppm"}));
}

TEST(plan, a_picture_whose_link_changed_is_made_again_and_its_old_size_headers_go) {
    // Made by an earlier version, with the name as its link and its thumbnail's size beside
    // the thumbnail; the size headers of a link no picture has are left over.
    gallery_records made;
    file_set present;
    made_all(scan_of({"caf\xC3\xA9.jpg", "plain.jpg"}), source_out, made, present);
    present.insert("t/plain.ppm");
    present.insert(".pixfold-gallery/sizes/t/gone%20away.ppm");
    scan_result scanned = scan_of({"caf\xC3\xA9.jpg", "plain.jpg"});
    scanned.pictures[0].link = "caf%C3%A9";
    planned const plan = plan_of(scanned, made, present, source_out);
    ASSERT_EQ(job_sources(plan), (std::vector<std::string>{"caf\xC3\xA9.jpg"}));
    EXPECT_EQ(plan.jobs[0].target.link, "caf%C3%A9");
    std::vector<std::string> removed;
    for (removal const& files : plan.removals) {
        EXPECT_EQ(files.done, removal::then::nothing);
        removed.insert(removed.end(), files.files.begin(), files.files.end());
    }
    EXPECT_EQ(sorted(removed), (std::vector<std::string>{".pixfold-gallery/sizes/t/caf\xC3\xA9.ppm",
                                                         ".pixfold-gallery/sizes/t/gone%20away.ppm",
                                                         "t/plain.ppm"}));
}

TEST(plan, a_page_whose_header_footer_or_date_changed_is_written_again_without_a_decode) {
    scan_result const scanned = scan_of({"a.jpg", "2024/b.jpg", "2024/holiday/c.jpg"});
    site_sources sources = site_of(scanned);
    gallery_records made;
    file_set present;
    made_all(scanned, with_site, made, present, site_step(scanned, sources));
    EXPECT_TRUE(plan_pages(scanned, made, present, with_site, site_step(scanned, sources)).empty());

    // A header for 2024 and the folders below it: their pictures' pages, and theirs alone.
    sources.header_files[1] = "<p>my site</p>";
    EXPECT_TRUE(plan_of(scanned, made, present, with_site).jobs.empty()) << "no decode";
    std::vector<page_job> const pages =
        plan_pages(scanned, made, present, with_site, site_step(scanned, sources));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(scanned.pictures[static_cast<std::size_t>(pages[0].item_at)].source, "2024/b.jpg");
    EXPECT_EQ(scanned.pictures[static_cast<std::size_t>(pages[1].item_at)].source,
              "2024/holiday/c.jpg");
    EXPECT_EQ(pages[1].shown, (image_size{160, 120}));

    // Without the site step the markers stay, so no page depends on them.
    gallery_records plain;
    file_set plain_present;
    made_all(scanned, source_out, plain, plain_present);
    EXPECT_TRUE(
        plan_pages(scanned, plain, plain_present, source_out, site_step(scanned, sources)).empty());
}

TEST(plan, a_page_leads_to_the_pictures_beside_it_and_is_written_again_when_they_change) {
    struct row {
        char const* what;
        std::vector<std::string> before, after, written;
    };
    row const rows[] = {
        {"nothing changed", {"a.jpg", "c.jpg"}, {"a.jpg", "c.jpg"}, {}},
        {"one added between two",
         {"a.jpg", "c.jpg", "e.jpg"},
         {"a.jpg", "b.jpg", "c.jpg", "e.jpg"},
         {"a.jpg", "b.jpg", "c.jpg"}},
        {"one added at the end",
         {"a.jpg", "b.jpg"},
         {"a.jpg", "b.jpg", "c.jpg"},
         {"b.jpg", "c.jpg"}},
        {"one gone",
         {"a.jpg", "b.jpg", "c.jpg", "d.jpg"},
         {"a.jpg", "c.jpg", "d.jpg"},
         {"a.jpg", "c.jpg"}},
        {"another album's",
         {"a.jpg", "x/b.jpg"},
         {"a.jpg", "x/b.jpg", "x/c.jpg"},
         {"x/b.jpg", "x/c.jpg"}},
    };
    for (row const& each : rows) {
        SCOPED_TRACE(each.what);
        gallery_records made;
        file_set present;
        scan_result const first = scan_of(each.before);
        made_all(first, with_site, made, present, site_step(first, site_of(first)));
        scan_result const scanned = scan_of(each.after);
        site_step const site(scanned, site_of(scanned));
        planned const plan = plan_of(scanned, made, present, with_site);
        record_made(plan.jobs, made);
        for (removal const& done : plan.removals) forget(done, made);
        EXPECT_EQ(pages_made(scanned, made, present, with_site, site), each.written);
    }

    // The first page says it is the first, the last that it is the last, and neither has a
    // dead link; the links go through the link names, as HTML.
    site_step const site;
    EXPECT_EQ(site.beside(nullptr, nullptr), "\r\n<p>FIRST | LAST</p>");
    std::string const previous = "a&b", next = "\x89\xD4";
    EXPECT_EQ(site.beside(&previous, &next), "\r\n<p><a href=\"a&amp;b.html\">PREVIOUS</a> | "
                                             "<a href=\"\x89\xD4.html\">NEXT</a></p>");
}

TEST(plan, a_picture_that_fails_loses_every_file_it_may_have_left_old_or_new) {
    gallery_records made;
    file_set present;
    made_all(scan_of({"a.jpg"}), source_out, made, present);
    gallery_settings const keeping{1600, 200, true, false, false};
    planned const plan = plan_of(scan_of({"a.jpg"}, second_state), made, present, keeping);
    ASSERT_EQ(plan.jobs.size(), 1u);
    removal const failed = failed_picture_removal(plan.jobs[0].item, plan.jobs[0].claim);
    EXPECT_EQ(failed.done, removal::then::forget_picture);
    EXPECT_EQ(sorted(failed.files),
              (std::vector<std::string>{".pixfold-gallery/sizes/t/a.ppm", "a.html", "a.jpg",
                                        "a.ppm", "t/a.jpg", "t/a.ppm"}));
}

TEST(albums, each_lists_its_albums_first_then_its_pictures_and_takes_its_cover_from_the_first) {
    scan_result const scanned =
        scan_of({"z.jpg", "2024/holiday/b.jpg", "2024/a.jpg", "2025/c.jpg", "2025/d.jpg"});
    gallery_records made;
    file_set present;
    planned const plan = plan_of(scanned, made, present, source_out);
    for (picture_job const& job : plan.jobs) {
        picture_record record = job.target;
        record.thumbnail = {static_cast<int>(job.item.source.size()), 10};
        made.pictures[job.item.source] = record;
    }
    album_plan const albums = plan_albums(scanned, made, present, source_out, {});
    ASSERT_EQ(albums.jobs.size(), 4u); // the top, 2024, its holiday and 2025
    album_job const& top = albums.jobs[0];
    EXPECT_EQ(top.list, "t/2024/index.jpg\nt/2025/index.jpg\nt/z.jpg\n");
    EXPECT_TRUE(top.write_index);
    EXPECT_FALSE(top.copy_cover) << "the top has no album above";
    album_job const& year = albums.jobs[1];
    EXPECT_EQ(scanned.albums[static_cast<std::size_t>(year.album)].path, "2024");
    EXPECT_EQ(year.list, "t/holiday/index.jpg\nt/a.jpg\n");
    // Its first entry is an album, so that album's cover is its own.
    EXPECT_EQ(year.cover_from, "2024/holiday/t/b.jpg");
    EXPECT_EQ(year.cover_size,
              (image_size{static_cast<int>(std::string("2024/holiday/b.jpg").size()), 10}));
    EXPECT_EQ(albums.jobs[3].cover_from, "2025/t/c.jpg");
}

namespace {

using stamped_sources = std::vector<std::pair<std::string, file_stamp>>;

struct album_writes {
    std::vector<std::string> indexes; // the albums whose index is written
    std::vector<std::string> covers;  // those whose cover is copied
};

// What a run over the second sources writes of the albums, after one over the first.
album_writes albums_written(stamped_sources const& before, stamped_sources const& now) {
    gallery_records made;
    file_set present;
    scan_result const first = scan_stamped(before);
    made_all(first, with_site, made, present, site_step(first, site_of(first)));
    scan_result const scanned = scan_stamped(now);
    site_step const site(scanned, site_of(scanned));
    record_made(plan_pictures(scanned, made, present, with_site), made);
    album_writes writes;
    for (album_job const& job : plan_albums(scanned, made, present, with_site, site).jobs) {
        std::string const& path = scanned.albums[static_cast<std::size_t>(job.album)].path;
        if (job.write_index) writes.indexes.push_back(path);
        if (job.copy_cover) writes.covers.push_back(path);
    }
    return writes;
}

} // namespace

TEST(albums, a_new_picture_rewrites_its_index_and_those_above_only_where_cover_or_date_changed) {
    stamped_sources const gallery = {
        {"a.jpg", first_state}, {"2024/b.jpg", first_state}, {"2024/holiday/c.jpg", first_state}};
    album_writes const nothing = albums_written(gallery, gallery);
    EXPECT_TRUE(nothing.indexes.empty() && nothing.covers.empty())
        << "a rerun with nothing changed writes nothing";

    // After the album's first picture, of the same day: that album's index alone.
    stamped_sources same_day = gallery;
    same_day.push_back({"2024/holiday/d.jpg", first_state});
    album_writes const day = albums_written(gallery, same_day);
    EXPECT_EQ(day.indexes, (std::vector<std::string>{"2024/holiday"}));
    EXPECT_TRUE(day.covers.empty());

    // Of a later day: the albums above take its date.
    stamped_sources later = gallery;
    later.push_back({"2024/holiday/d.jpg", second_state});
    EXPECT_EQ(albums_written(gallery, later).indexes,
              (std::vector<std::string>{"", "2024", "2024/holiday"}));

    // Before its first picture: a new cover, of a thumbnail of the same size, so the index
    // above shows it as it did. The album above takes its first album's cover, so that is new
    // too; the top's entry shows the same size, and the top is not written.
    stamped_sources cover = gallery;
    cover.push_back({"2024/holiday/a0.jpg", first_state});
    album_writes const new_cover = albums_written(gallery, cover);
    EXPECT_EQ(new_cover.indexes, (std::vector<std::string>{"2024/holiday"}));
    EXPECT_EQ(new_cover.covers, (std::vector<std::string>{"2024", "2024/holiday"}));
}

TEST(albums, one_gone_or_with_no_picture_left_loses_its_files_and_one_held_back_keeps_them) {
    gallery_records made;
    file_set present;
    made_all(scan_of({"a.jpg", "2024/holiday/b.jpg", "2025/c.jpg"}), source_out, made, present);
    ASSERT_EQ(made.albums.size(), 4u);
    scan_result const scanned = scan_of({"a.jpg", "2025/c.jpg"});
    auto const gone_after = [&](gallery_records const& records, std::set<int> const& held_back) {
        album_plan const albums = plan_albums(scanned, records, present, source_out, {}, held_back);
        EXPECT_FALSE(albums.shown[1]);
        // The top's index is written again without them.
        EXPECT_EQ(albums.jobs.at(0).album, 0);
        EXPECT_EQ(albums.jobs.at(0).list, "t/a.jpg\n");
        return plan_album_removals(scanned, records, albums.shown, held_back);
    };

    // 2025/c.jpg now fails: 2025 has nothing left to show.
    gallery_records failed = made;
    failed.pictures.at("2025/c.jpg").finished = false;
    std::vector<removal> const removals = gone_after(failed, {});
    std::vector<std::string> gone;
    for (removal const& each : removals) {
        EXPECT_EQ(each.done, removal::then::forget_album);
        gone.push_back(each.source);
    }
    EXPECT_EQ(gone, (std::vector<std::string>{"2024", "2024/holiday", "2025"}));
    removal const& holiday = removals[1];
    EXPECT_EQ(holiday.files,
              (std::vector<std::string>{"2024/holiday/index.html", "2024/t/holiday/index.jpg",
                                        ".pixfold-gallery/sizes/2024/t/holiday/index.ppm"}));
    EXPECT_EQ(holiday.folders.front(), "2024/holiday/t");

    // 2025's index could not be written: it is held back from the top's, and keeps its files.
    gone.clear();
    for (removal const& each : gone_after(made, {1})) gone.push_back(each.source);
    EXPECT_EQ(gone, (std::vector<std::string>{"2024", "2024/holiday"}));
}

TEST(albums, in_date_order_follow_the_time_taken_else_the_files_time_ties_by_name) {
    // Two phones and a camera whose counter passed 9999; c.gif says nothing of its time.
    std::vector<std::pair<std::string, std::optional<moment>>> const taken = {
        {"IMG_0001.jpg", moment{1000, 7}}, {"IMG_9999.jpg", moment{1000, 6}},
        {"PXL_1.jpg", moment{900, 0}},     {"c.gif", std::nullopt},
        {"d.jpg", moment{1000, 7}},        {"e.jpg", moment{-5, 0}}};
    stamped_sources sources;
    for (auto const& [source, when] : taken) sources.push_back({source, {1, 950, 0}});
    scan_result const scanned = scan_stamped(sources);
    gallery_records made;
    file_set present;
    made_all(scanned, source_out, made, present);
    for (auto const& [source, when] : taken) made.pictures.at(source).taken = when;
    gallery_settings by_date = source_out;
    by_date.order = picture_order::date;
    EXPECT_TRUE(plan_pictures(scanned, made, present, by_date).empty())
        << "the order changes no picture";
    album_plan const albums = plan_albums(scanned, made, present, by_date, {});
    ASSERT_EQ(albums.jobs.size(), 1u);
    EXPECT_TRUE(albums.jobs[0].write_index);
    EXPECT_EQ(albums.jobs[0].list,
              "t/e.jpg\nt/PXL_1.jpg\nt/c.jpg\nt/IMG_9999.jpg\nt/IMG_0001.jpg\nt/d.jpg\n");

    // A record of an earlier version does not say when its picture was taken: its file is read
    // for it, and for nothing else, in date order alone.
    made.pictures.at("c.gif").dated = false;
    EXPECT_TRUE(plan_pictures(scanned, made, present, source_out).empty());
    std::vector<picture_job> const jobs = plan_pictures(scanned, made, present, by_date);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_TRUE(jobs[0].date_only);
}
