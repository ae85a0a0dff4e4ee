// pixfold-gallery: the whole gallery of a folder of photographs, each page written by pixfold.
#include "gallery.h"
#include "imaging/imaging.h"
#include "options.h"
#include "status/terminal_status.h"
#include "system/system.h"

#include <clocale>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // The locale says which character set file names are in.
    std::setlocale(LC_ALL, "");
    std::vector<std::string> const arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    gallery_options options;
    std::string message;
    switch (parse_options(arguments, options, message)) {
    case command::help:
        // Help that did not arrive (a full disk, a closed pipe) is a failure like any other.
        if (int const status = os::write_output(usage_text()); status != 0) {
            static_cast<void>(
                os::write_error("pixfold-gallery: stdout: " + os::error_text(status) + "\n"));
            return 2;
        }
        return 0;
    case command::wrong:
        static_cast<void>(os::write_error("pixfold-gallery: " + message + "\n" +
                                          "Try 'pixfold-gallery --help' for more information.\n"));
        return 2;
    case command::build:
        break;
    }
    try {
        start_imaging(argc > 0 ? argv[0] : "pixfold-gallery");
    } catch (imaging_error const& error) {
        static_cast<void>(os::write_error(std::string("pixfold-gallery: ") + error.what() + "\n"));
        return 2;
    }
    terminal_status shown;
    return build_gallery(options, shown);
}
