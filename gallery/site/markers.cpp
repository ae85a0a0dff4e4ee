#include "site/markers.h"

#include <array>

namespace {

struct marker {
    std::string_view comment;
    int replacement; // 0 the header, 1 the date, 2 the footer
};

constexpr std::array<marker, 3> markers = {{{"<!-- $include stdheader.inc -->", 0},
                                            {"<!-- $timestamp -->", 1},
                                            {"<!-- $include stdfooter.inc -->", 2}}};

} // namespace

std::vector<std::string_view> markers_expanded(std::string_view page, std::string_view header,
                                               std::string_view date, std::string_view footer) {
    std::array<std::string_view, 3> const replacements = {header, date, footer};
    std::vector<std::string_view> pieces;
    // An index holds a line per picture, each with several '<', and three markers: the search
    // leaps from one '$' to the next, which only a name may hold besides them.
    constexpr std::string_view start = "<!-- $";
    std::size_t taken = 0; // the page up to here is in the pieces
    for (std::size_t dollar = page.find('$', start.size() - 1); dollar != std::string_view::npos;
         dollar = page.find('$', dollar + 1)) {
        std::size_t const at = dollar + 1 - start.size();
        if (page.substr(at, start.size()) != start || (at != 0 && page[at - 1] != '\n')) continue;
        std::size_t const end = page.find('\n', at);
        std::string_view const line =
            end == std::string_view::npos ? page.substr(at) : page.substr(at, end + 1 - at);
        std::string_view const text =
            line.ends_with("\r\n") ? line.substr(0, line.size() - 2) : line;
        for (marker const& each : markers) {
            if (text != each.comment) continue;
            pieces.push_back(page.substr(taken, at - taken));
            pieces.push_back(replacements[static_cast<std::size_t>(each.replacement)]);
            pieces.push_back(line.substr(text.size()));
            taken = at + line.size();
            break;
        }
    }
    pieces.push_back(page.substr(taken));
    return pieces;
}
