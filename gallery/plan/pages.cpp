#include "plan/pages.h"

#include "layout/layout.h"
#include "plan/keys.h"
#include "plan/order.h"

std::string navigation_of(scan_result const& scanned, site_step const& site, int previous,
                          int next) {
    auto const link_at = [&](int at) -> std::string const* {
        return at < 0 ? nullptr : &scanned.pictures[static_cast<std::size_t>(at)].link;
    };
    return site.beside(link_at(previous), link_at(next));
}

std::vector<page_job> plan_pages(scan_result const& scanned, gallery_records const& records,
                                 file_set const& present, gallery_settings const& settings,
                                 site_step const& site) {
    std::vector<page_job> jobs;
    for (album const& here : scanned.albums) {
        std::vector<std::pair<int, picture_record const*>> const shown =
            pictures_shown(here, scanned, records, settings.order);
        for (std::size_t at = 0; at < shown.size(); ++at) {
            auto const& [item_at, record] = shown[at];
            picture const& item = scanned.pictures[static_cast<std::size_t>(item_at)];
            int const previous = at > 0 ? shown[at - 1].first : -1;
            int const next = at + 1 < shown.size() ? shown[at + 1].first : -1;
            std::string navigation, date;
            if (settings.site_step) {
                navigation = navigation_of(scanned, site, previous, next);
                date = site.date(item.stamp.modified_seconds);
            }
            std::uint64_t const key = page_key(item, *record, settings,
                                               site.picture_frame(item.album_at), navigation, date);
            if (!settings.force && key == record->page_key &&
                present.count(layout::page(item.album, item.name)) != 0)
                continue;
            jobs.push_back({item_at, previous, next, record->shown, key});
        }
    }
    return jobs;
}
