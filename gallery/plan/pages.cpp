#include "plan/pages.h"

#include "layout/layout.h"
#include "plan/keys.h"
#include "plan/order.h"

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
            std::string navigation, date;
            if (settings.site_step) {
                auto const link_at = [&](std::size_t beside) -> std::string const* {
                    return &scanned.pictures[static_cast<std::size_t>(shown[beside].first)].link;
                };
                navigation = site.beside(at > 0 ? link_at(at - 1) : nullptr,
                                         at + 1 < shown.size() ? link_at(at + 1) : nullptr);
                date = site.date(item.stamp.modified_seconds);
            }
            std::uint64_t const key = page_key(item, *record, settings,
                                               site.picture_frame(item.album_at), navigation, date);
            if (!settings.force && key == record->page_key &&
                present.count(layout::page(item.album, item.name)) != 0)
                continue;
            picture_record target = *record;
            target.page_key = key;
            jobs.push_back({item, std::move(target), std::move(navigation), std::move(date)});
        }
    }
    return jobs;
}
