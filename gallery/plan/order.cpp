#include "plan/order.h"

#include "plan/record_finder.h"

#include <algorithm>

moment taken_or_modified(picture const& item, picture_record const& record) {
    if (record.taken) return *record.taken;
    return {item.stamp.modified_seconds,
            static_cast<std::int32_t>(item.stamp.modified_nanoseconds)};
}

void put_in_order(std::vector<std::pair<int, picture_record const*>>& pictures,
                  scan_result const& scanned, picture_order order) {
    if (order == picture_order::name) return;
    std::stable_sort(pictures.begin(), pictures.end(), [&](auto const& a, auto const& b) {
        return taken_or_modified(scanned.pictures[static_cast<std::size_t>(a.first)], *a.second) <
               taken_or_modified(scanned.pictures[static_cast<std::size_t>(b.first)], *b.second);
    });
}

std::vector<std::pair<int, picture_record const*>> pictures_shown(album const& here,
                                                                  scan_result const& scanned,
                                                                  gallery_records const& records,
                                                                  picture_order order) {
    std::vector<std::pair<int, picture_record const*>> shown;
    shown.reserve(here.pictures.size());
    record_finder finder(records);
    for (int item_at : here.pictures) {
        picture_record const* record =
            finder.find(scanned.pictures[static_cast<std::size_t>(item_at)].source);
        if (record != nullptr && record->finished) shown.emplace_back(item_at, record);
    }
    put_in_order(shown, scanned, order);
    return shown;
}
