#include "site/site_step.h"

#include "source/link_names.h"
#include "system/system.h"

namespace {

constexpr std::size_t none = static_cast<std::size_t>(-1);

// The nearest album, from this one up, whose own include file there is; none when none has.
std::size_t nearest(std::vector<album> const& albums,
                    std::vector<std::optional<std::string>> const& files, int album_at) {
    for (int at = album_at; at >= 0; at = albums[static_cast<std::size_t>(at)].parent)
        if (static_cast<std::size_t>(at) < files.size() && files[static_cast<std::size_t>(at)])
            return static_cast<std::size_t>(at);
    return none;
}

// The path from the album's folder up to the one of the album `levels` above: ../../
std::string up(int levels) {
    std::string path;
    for (int level = 0; level < levels; ++level) path += "../";
    return path;
}

// The line of links to the index of every album above, from the top down to this album. On an
// index, the album itself is where the reader is; on a picture's page, its album's index is one
// link away like the rest.
std::string up_line(std::vector<album> const& albums, std::vector<std::string> const& names,
                    int album_at, bool for_index) {
    std::vector<int> path; // the albums from the top down to this one
    for (int at = album_at; at >= 0; at = albums[static_cast<std::size_t>(at)].parent)
        path.insert(path.begin(), at);
    std::string line = "<p>";
    int const depth = static_cast<int>(path.size()) - 1;
    for (int level = 0; level <= depth; ++level) {
        if (level > 0) line += " / ";
        std::string const& name =
            names[static_cast<std::size_t>(path[static_cast<std::size_t>(level)])];
        if (level == depth && for_index)
            line += name;
        else
            line += "<a href=\"" + up(depth - level) + "index.html\">" + name + "</a>";
    }
    return line + "</p>";
}

// The line of links down to the albums in this one that are shown; empty when there are none.
std::string down_line(std::vector<album> const& albums, std::vector<std::string> const& names,
                      std::vector<bool> const& shown, int album_at) {
    std::string line;
    for (int below : albums[static_cast<std::size_t>(album_at)].albums) {
        if (!shown[static_cast<std::size_t>(below)]) continue;
        if (!line.empty()) line += " | ";
        line += "<a href=\"" + html_text(albums[static_cast<std::size_t>(below)].link) +
                "/index.html\">" + names[static_cast<std::size_t>(below)] + "</a>";
    }
    return line.empty() ? line : "<p>" + line + "</p>";
}

// The site's header, byte for byte, and the gallery's navigation on a line after it.
std::string after(std::optional<std::string> const& site_header, std::string navigation) {
    if (!site_header) return navigation;
    return *site_header + (site_header->ends_with('\n') ? "" : "\r\n") + navigation;
}

} // namespace

site_sources read_site_sources(scan_result const& scanned, std::string const& source_folder,
                               std::function<void(std::string const&)> const& tell) {
    site_sources sources;
    std::string const codeset = os::locale_charset();
    sources.date_of = [](std::int64_t seconds) { return os::local_date(seconds); };
    for (album const& each : scanned.albums) {
        auto const include = [&](bool present, char const* file) -> std::optional<std::string> {
            if (!present) return std::nullopt;
            std::string const path =
                source_folder + "/" + (each.path.empty() ? file : each.path + "/" + file);
            std::string bytes;
            if (int const status = os::read_file(path, bytes); status != 0) {
                tell(path + ": cannot read it: " + os::error_text(status));
                return std::nullopt;
            }
            return bytes;
        };
        sources.header_files.push_back(include(each.has_header, "stdheader.inc"));
        sources.footer_files.push_back(include(each.has_footer, "stdfooter.inc"));
        sources.shown_names.push_back(shown_in_page(each.name, codeset));
    }
    return sources;
}

site_step::site_step(scan_result const& scanned, site_sources sources)
    : albums_(&scanned.albums), sources_(std::move(sources)) {
    for (std::size_t at = 0; at < scanned.albums.size(); ++at) {
        int const album_at = static_cast<int>(at);
        site_header_.push_back(nearest(scanned.albums, sources_.header_files, album_at));
        std::size_t const footer = nearest(scanned.albums, sources_.footer_files, album_at);
        picture_frames_.push_back(
            {after(site_header_.back() == none ? std::nullopt
                                               : sources_.header_files[site_header_.back()],
                   up_line(scanned.albums, sources_.shown_names, album_at, false)),
             footer == none ? "" : *sources_.footer_files[footer]});
    }
}

page_frame const& site_step::picture_frame(int album) const {
    static page_frame const empty;
    return albums_ == nullptr ? empty : picture_frames_[static_cast<std::size_t>(album)];
}

page_frame site_step::index_frame(int album, std::vector<bool> const& shown) const {
    if (albums_ == nullptr) return {};
    std::size_t const at = static_cast<std::size_t>(album);
    std::string navigation = up_line(*albums_, sources_.shown_names, album, true);
    if (std::string down = down_line(*albums_, sources_.shown_names, shown, album); !down.empty())
        navigation += "\r\n" + down;
    return {after(site_header_[at] == none ? std::nullopt : sources_.header_files[site_header_[at]],
                  std::move(navigation)),
            picture_frames_[at].footer};
}

std::string site_step::beside(std::string const* previous, std::string const* next) const {
    auto const link = [](std::string const* link_name, char const* label, char const* end) {
        if (link_name == nullptr) return std::string(end);
        return "<a href=\"" + html_text(*link_name) + ".html\">" + label + "</a>";
    };
    return "\r\n<p>" + link(previous, "PREVIOUS", "FIRST") + " | " + link(next, "NEXT", "LAST") +
           "</p>";
}

std::string site_step::date(std::int64_t seconds) const {
    return sources_.date_of ? sources_.date_of(seconds) : std::string();
}
