#include "site_step.h"

#include "names.h"

#include <array>

namespace {

struct marker {
    std::string_view comment;
    int replacement; // 0 the header, 1 the date, 2 the footer
};

constexpr std::array<marker, 3> markers = {{{"<!-- $include stdheader.inc -->", 0},
                                            {"<!-- $timestamp -->", 1},
                                            {"<!-- $include stdfooter.inc -->", 2}}};

// The path from the album's folder up to the one of the album `levels` above: ../../
std::string up(int levels) {
    std::string path;
    for (int level = 0; level < levels; ++level) path += "../";
    return path;
}

} // namespace

std::vector<std::string_view> markers_expanded(std::string_view page, std::string_view header,
                                               std::string_view date, std::string_view footer) {
    std::array<std::string_view, 3> const replacements = {header, date, footer};
    std::vector<std::string_view> pieces;
    // An index holds a line per picture and three markers: the search leaps from one "<!-- $"
    // to the next.
    constexpr std::string_view start = "<!-- $";
    std::size_t taken = 0; // the page up to here is in the pieces
    for (std::size_t at = page.find(start); at != std::string_view::npos;
         at = page.find(start, at + 1)) {
        if (at != 0 && page[at - 1] != '\n') continue;
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

std::string own_header(std::vector<album> const& albums,
                       std::vector<std::string> const& shown_names, std::vector<bool> const& shown,
                       int index, bool for_index) {
    std::vector<int> path; // the albums from the top down to this one
    for (int at = index; at >= 0; at = albums[static_cast<std::size_t>(at)].parent)
        path.insert(path.begin(), at);
    std::string header = "<p>";
    int const depth = static_cast<int>(path.size()) - 1;
    for (int level = 0; level <= depth; ++level) {
        if (level > 0) header += " / ";
        std::string const& name =
            shown_names[static_cast<std::size_t>(path[static_cast<std::size_t>(level)])];
        // On an index, the album itself is where the reader is; on a picture's page, its
        // album's index is one link away like the rest.
        if (level == depth && for_index)
            header += name;
        else
            header += "<a href=\"" + up(depth - level) + "index.html\">" + name + "</a>";
    }
    header += "</p>";
    if (!for_index) return header;
    std::string below_line;
    for (int below : albums[static_cast<std::size_t>(index)].albums) {
        if (!shown[static_cast<std::size_t>(below)]) continue;
        if (!below_line.empty()) below_line += " | ";
        below_line += "<a href=\"" + html_text(albums[static_cast<std::size_t>(below)].link) +
                      "/index.html\">" + shown_names[static_cast<std::size_t>(below)] + "</a>";
    }
    if (!below_line.empty()) header += "\r\n<p>" + below_line + "</p>";
    return header;
}
