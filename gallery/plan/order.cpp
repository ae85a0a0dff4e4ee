#include "plan/order.h"

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
