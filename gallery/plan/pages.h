// Which pictures' pages a run writes, decided once their images are made, from the records then:
// a page shows its picture at the size the making found and, with the site step, leads to the
// pictures beside it in its album's order, among those that are in the gallery. A page is
// written again only when what it is written from changed (its link, size, header, date, footer
// and the pictures beside it), or when it is missing.
#pragma once

#include "plan/settings.h"
#include "site/site_step.h"
#include "source/scan.h"
#include "state/gallery_files.h"
#include "state/records.h"

#include <string>
#include <vector>

// One picture whose page is to be written. A cold build of 100,000 pictures writes as many,
// so a job is its pictures' places in the scan, and the rest comes when the page is made.
struct page_job {
    int item_at = -1;  // its picture's place in the scan
    int previous = -1; // the pictures beside it in its album, by their places; -1 at an end
    int next = -1;
    image_size shown;      // the size its page shows
    std::uint64_t key = 0; // of everything its page is written from
};

// What a picture's page shows of the pictures beside it, with the site step: the links to them,
// previous and next by their places in the scan, -1 at an end.
std::string navigation_of(scan_result const& scanned, site_step const& site, int previous,
                          int next);

std::vector<page_job> plan_pages(scan_result const& scanned, gallery_records const& records,
                                 file_set const& present, gallery_settings const& settings,
                                 site_step const& site);
