#include "layout.h"
#include "plan.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr file_stamp first_state{100, 1700000000, 1};
constexpr file_stamp second_state{120, 1700000100, 2};

picture picture_of(std::string const& source, std::string const& name,
                   file_stamp stamp = first_state) {
    return {source, name, name, stamp};
}

// The record of a picture made with these settings from the stamp.
made_picture made_with(gallery_settings const& settings, std::string const& name,
                       file_stamp stamp = first_state, bool companion = false) {
    return {stamp, settings.web_box, settings.thumbnail_box, companion, true, name};
}

// Every file that the records say are made, as if they were all there.
present_files all_made(manifest const& made) {
    present_files present;
    for (auto const& [source, record] : made) {
        std::string const name = source.substr(0, source.rfind('.'));
        for (std::string const& file : layout::made_files(name, record)) present.insert(file);
    }
    return present;
}

std::vector<std::string> job_sources(gallery_plan const& plan) {
    std::vector<std::string> sources;
    for (picture_job const& job : plan.jobs) sources.push_back(job.item.source);
    return sources;
}

std::vector<std::string> sorted(std::vector<std::string> files) {
    std::sort(files.begin(), files.end());
    return files;
}

gallery_settings const in_place{0, 200, false, false};
gallery_settings const source_out{1600, 200, false, false};

} // namespace

TEST(plan, makes_what_is_new_changed_or_made_otherwise_and_leaves_the_rest) {
    struct row {
        char const* what;
        gallery_settings made_with;
        gallery_settings now;
        file_stamp stamp_now;
        bool remade;
    };
    gallery_settings const bigger_thumbnails{1600, 300, false, false};
    gallery_settings const smaller_copies{800, 200, false, false};
    gallery_settings const forced{1600, 200, false, true};
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
        manifest made{{"a.jpg", made_with(case_.made_with, "a")}};
        gallery_plan const plan = plan_gallery({picture_of("a.jpg", "a", case_.stamp_now)}, made,
                                               all_made(made), case_.now);
        EXPECT_EQ(plan.jobs.size(), case_.remade ? 1u : 0u);
        EXPECT_EQ(plan.index_stale, case_.remade);
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
    manifest made{{"a.jpg", made_with(source_out, "a")},
                  {"b.jpg", made_with(source_out, "b")},
                  {"c.jpg", made_with(source_out, "c")},
                  {"d.jpg", made_with(source_out, "d")}};
    made["d.jpg"].finished = false; // claimed by a run that was interrupted
    present_files present = all_made(made);
    present.erase("t/a.jpg");
    present.erase("b.html");
    gallery_plan const plan =
        plan_gallery({picture_of("a.jpg", "a"), picture_of("b.jpg", "b"), picture_of("c.jpg", "c"),
                      picture_of("d.jpg", "d"), picture_of("new.jpg", "new")},
                     made, present, source_out);
    EXPECT_EQ(job_sources(plan), (std::vector<std::string>{"a.jpg", "b.jpg", "d.jpg", "new.jpg"}));
    EXPECT_FALSE(plan.jobs[3].had_files);
}

TEST(plan, a_companion_that_the_user_had_is_never_touched) {
    gallery_settings const keeping{0, 200, true, false};
    manifest made{{"mine.jpg", made_with(in_place, "mine")},
                  {"ours.jpg", made_with(keeping, "ours", first_state, true)}};
    present_files present = all_made(made);
    present.insert("mine.ppm");   // the user's own
    present.insert("theirs.ppm"); // the user's, beside a picture not made yet
    std::vector<picture> const pictures = {picture_of("mine.jpg", "mine"),
                                           picture_of("ours.jpg", "ours"),
                                           picture_of("theirs.jpg", "theirs")};

    // Asked to keep companions, the gallery makes none where the user has one.
    gallery_plan const keep = plan_gallery(pictures, made, present, keeping);
    ASSERT_EQ(job_sources(keep), (std::vector<std::string>{"theirs.jpg"}));
    EXPECT_FALSE(keep.jobs[0].target.companion);
    EXPECT_FALSE(keep.jobs[0].claim.companion);
    EXPECT_TRUE(keep.removals.empty());

    // Asked no longer, it removes its own and only its own.
    gallery_plan const drop = plan_gallery(pictures, made, present, in_place);
    ASSERT_EQ(drop.removals.size(), 1u);
    EXPECT_EQ(drop.removals[0].files, (std::vector<std::string>{"ours.ppm"}));
    EXPECT_EQ(drop.removals[0].done, removal::then::forget_companion);
    EXPECT_EQ(job_sources(drop), (std::vector<std::string>{"theirs.jpg"}));

    // Once the picture of the user's companion is gone, the companion still stays.
    gallery_plan const gone = plan_gallery({}, made, present, in_place);
    for (removal const& files : gone.removals)
        for (std::string const& file : files.files) EXPECT_NE(file, "mine.ppm");
}

TEST(plan, a_gone_pictures_files_go_but_those_that_a_picture_of_the_same_name_has) {
    manifest made{{"IMG_1.JPG", made_with(source_out, "IMG_1")},
                  {"gone.jpg", made_with(source_out, "gone")},
                  {"kept.jpg", made_with(source_out, "kept")}};
    gallery_plan const plan =
        plan_gallery({picture_of("IMG_1.jpg", "IMG_1"), picture_of("kept.jpg", "kept")}, made,
                     all_made(made), source_out);
    ASSERT_EQ(plan.removals.size(), 2u);
    EXPECT_EQ(plan.removals[0].source, "IMG_1.JPG");
    EXPECT_TRUE(plan.removals[0].files.empty()) << "IMG_1.jpg makes the same files now";
    EXPECT_EQ(plan.removals[1].source, "gone.jpg");
    EXPECT_EQ(sorted(plan.removals[1].files),
              (std::vector<std::string>{".pixfold-gallery/sizes/t/gone.ppm", "gone.html",
                                        "gone.jpg", "t/gone.jpg", "t/gone.ppm"}));
    EXPECT_TRUE(plan.index_stale);
    EXPECT_TRUE(plan.manifest_stale);

    // In place the picture itself is never among the files that go.
    manifest made_in_place{{"gone.jpg", made_with(in_place, "gone")}};
    gallery_plan const in_place_plan = plan_gallery({}, made_in_place, {}, in_place);
    EXPECT_EQ(sorted(in_place_plan.removals[0].files),
              (std::vector<std::string>{".pixfold-gallery/sizes/t/gone.ppm", "gone.html",
                                        "t/gone.jpg", "t/gone.ppm"}));
}

TEST(settle, a_picture_that_now_fails_loses_its_earlier_files_and_keeps_its_claim_till_then) {
    manifest made{{"a.jpg", made_with(source_out, "a")}, {"b.jpg", made_with(source_out, "b")}};
    gallery_settings const keeping{1600, 200, true, false};
    gallery_plan const plan = plan_gallery(
        {picture_of("a.jpg", "a", second_state), picture_of("b.jpg", "b", second_state)}, made,
        all_made(made), keeping);
    ASSERT_EQ(plan.jobs.size(), 2u);
    std::vector<removal> const removals =
        settle_jobs(plan.jobs, {{"cannot decode it", {}}, {}}, made);

    // The one made takes its new record; the one that failed holds its claim on every file
    // it may have left, old or new, until they are removed.
    EXPECT_EQ(made.at("b.jpg").stamp, second_state);
    EXPECT_TRUE(made.at("b.jpg").finished);
    EXPECT_TRUE(made.at("b.jpg").companion);
    EXPECT_FALSE(made.at("a.jpg").finished);
    ASSERT_EQ(removals.size(), 1u);
    EXPECT_EQ(sorted(removals[0].files),
              (std::vector<std::string>{".pixfold-gallery/sizes/t/a.ppm", "a.html", "a.jpg",
                                        "a.ppm", "t/a.jpg", "t/a.ppm"}));
    apply_removal(removals[0], made);
    EXPECT_EQ(made.count("a.jpg"), 0u);
}

TEST(settle, a_companion_that_could_not_be_removed_stays_the_gallerys) {
    gallery_settings const keeping{0, 200, true, false};
    manifest made{{"a.jpg", made_with(keeping, "a", first_state, true)}};
    gallery_plan const plan =
        plan_gallery({picture_of("a.jpg", "a", second_state)}, made, all_made(made), in_place);
    ASSERT_EQ(plan.removals.size(), 1u);
    ASSERT_EQ(plan.jobs.size(), 1u);
    EXPECT_TRUE(plan.jobs[0].claim.companion);
    // The removal failed, so it was not applied: the next run is to try again.
    settle_jobs(plan.jobs, {{}}, made);
    EXPECT_TRUE(made.at("a.jpg").companion);
    // Done, it clears the mark.
    apply_removal(plan.removals[0], made);
    EXPECT_FALSE(made.at("a.jpg").companion);
}

TEST(plan, a_picture_whose_link_changed_is_made_again_and_its_old_companions_go) {
    // Made by an earlier version, with the name as its link and its thumbnail's companion
    // beside the thumbnail; the state companions of a link no picture has are left over.
    manifest made{{"caf\xC3\xA9.jpg", made_with(source_out, "caf\xC3\xA9")},
                  {"plain.jpg", made_with(source_out, "plain")}};
    present_files present = all_made(made);
    present.insert("t/plain.ppm");
    present.insert(".pixfold-gallery/sizes/t/gone%20away.ppm");
    picture cafe = picture_of("caf\xC3\xA9.jpg", "caf\xC3\xA9");
    cafe.link = "caf%C3%A9";
    gallery_plan const plan =
        plan_gallery({cafe, picture_of("plain.jpg", "plain")}, made, present, source_out);
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
