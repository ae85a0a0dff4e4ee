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

// One picture whose page is to be written.
struct page_job {
    picture item;
    picture_record target;  // its record once the page is in place, with the page's key
    std::string navigation; // with the site step: the links to the pictures beside it
    std::string date;       // with the site step: its timestamp
};

std::vector<page_job> plan_pages(scan_result const& scanned, gallery_records const& records,
                                 file_set const& present, gallery_settings const& settings,
                                 site_step const& site);
