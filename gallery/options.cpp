#include "options.h"

#include <charconv>

namespace {

// The largest box: beyond it a JPEG cannot hold the picture anyway.
constexpr int largest_box = 65500;
constexpr int most_jobs = 1024;

// Reads a whole decimal number within [low, high].
bool read_number(std::string const& text, int low, int high, int& value) {
    int number = 0;
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < low || number > high)
        return false;
    value = number;
    return true;
}

} // namespace

std::string usage_text() {
    return R"(Usage: pixfold-gallery [OPTION]... DIR
       pixfold-gallery [OPTION]... SRC OUT

Writes the gallery of the pictures in a folder with pixfold: a thumbnail of
each picture, each picture's page NAME.html and the index index.html.

With DIR, the gallery is written into the folder of the pictures (NAME.jpg):
each page shows the original picture, and the thumbnails go into DIR/t/.
With SRC OUT, the gallery is written into OUT, ready to publish, and SRC is
left as it is: each picture (JPEG, HEIC/HEIF, AVIF, PNG, WebP, TIFF or GIF,
with suffixes in any case) gets a web-size copy OUT/NAME.jpg without its
EXIF, XMP and IPTC data, and the thumbnails go into OUT/t/. Of two pictures
of one NAME the JPEG is taken, then HEIF and AVIF; videos and raws beside a
picture of their name are passed over, and named when alone. Every folder
below SRC that holds pictures becomes an album at the same place in OUT, with
an entry in the index above it; the markers of every page get a header
(stdheader.inc if there is one, then links to the albums above and below, and
on a picture's page to the pictures before and after it), the date its
content last changed, and a footer (stdfooter.inc).

Pictures are shown upright by their EXIF orientation, or a HEIF's own. A
later run makes only the files of pictures that were added or changed, and
removes the files it made for pictures that are gone.

Options:
  -j, --jobs N         make N pictures side by side (default: one per processor)
      --size N         fit the web-size copies into N by N pixels (default 1600)
      --thumb-size N   fit the thumbnails into N by N pixels (default 200)
      --keep-companions
                       keep the PPM header NAME.ppm that each page is sized
                       from (made for the page and removed by default)
      --keep-markers   leave the markers of the pages as pixfold writes them,
                       for a site step of the site's own (SRC OUT)
      --order ORDER    the order of the pictures in each album: name (the
                       default), or date, when they were taken (EXIF
                       DateTimeOriginal, else the file's modification time)
      --force          make every file again, changed or not
  -h, --help           print this help and exit

Environment:
  PIXFOLD  the pixfold program to run; by default the one installed beside
           pixfold-gallery, else the one found on PATH.

Exit status: 0 when every picture is in the gallery, 2 when a picture was left
out or the gallery could not be written.
)";
}

command parse_options(std::vector<std::string> const& arguments, gallery_options& options,
                      std::string& message) {
    std::vector<std::string> folders;
    bool options_ended = false;
    bool web_box_given = false;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        std::string const& argument = arguments[at];
        if (options_ended || argument.size() < 2 || argument[0] != '-') {
            folders.push_back(argument);
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") return command::help;
        if (argument == "--force") {
            options.force = true;
            continue;
        }
        if (argument == "--keep-companions") {
            options.keep_companions = true;
            continue;
        }
        if (argument == "--keep-markers") {
            options.keep_markers = true;
            continue;
        }
        if (argument == "--order" || argument.starts_with("--order=")) {
            std::string order = argument.size() > 7 ? argument.substr(8) : "";
            if (argument.size() == 7) {
                if (at + 1 == arguments.size()) {
                    message = "option --order needs name or date";
                    return command::wrong;
                }
                order = arguments[++at];
            }
            if (order != "name" && order != "date") {
                message = "option --order takes name or date, not \"" + order + "\"";
                return command::wrong;
            }
            options.order = order == "date" ? picture_order::date : picture_order::name;
            continue;
        }

        // Options with a number: "-j 4", "-j4", "--jobs 4" and "--jobs=4" alike.
        std::string name = argument;
        std::string value;
        bool value_attached = false;
        if (std::size_t const equals = argument.find('=');
            argument.starts_with("--") && equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            value_attached = true;
        } else if (argument.starts_with("-j") && argument.size() > 2) {
            name = "-j";
            value = argument.substr(2);
            value_attached = true;
        }
        int* target = nullptr;
        int low = 1;
        int high = largest_box;
        if (name == "-j" || name == "--jobs") {
            target = &options.workers;
            high = most_jobs;
        } else if (name == "--size") {
            target = &options.web_box;
            web_box_given = true;
        } else if (name == "--thumb-size") {
            target = &options.thumbnail_box;
        } else {
            message = "unknown option " + argument;
            return command::wrong;
        }
        if (!value_attached) {
            if (at + 1 == arguments.size()) {
                message = "option " + name + " needs a number";
                return command::wrong;
            }
            value = arguments[++at];
        }
        if (!read_number(value, low, high, *target)) {
            message = "option " + name + " takes a number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", not \"" + value + "\"";
            return command::wrong;
        }
    }

    if (folders.empty() || folders.size() > 2) {
        message = folders.empty() ? "no folder given" : "more than two folders given";
        return command::wrong;
    }
    if (folders.size() == 1 && web_box_given) {
        message = "--size sets the web-size copies of pixfold-gallery SRC OUT; in place the "
                  "pages show the originals";
        return command::wrong;
    }
    options.source = folders[0];
    options.in_place = folders.size() == 1;
    options.output = options.in_place ? folders[0] : folders[1];
    return command::build;
}
