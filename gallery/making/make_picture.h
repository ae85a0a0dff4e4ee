// Making the images of one picture: decoded and shrunk into its thumbnail and web-size copy, with
// their size headers, each made aside in the worker's folder and renamed into the gallery. Its
// page comes after (making/make_page.h), once every picture's images are made.
#pragma once

#include "making/context.h"
#include "plan/pictures.h"

#include <string>

// How one picture's job, of its images or of its page, ended.
struct picture_outcome {
    std::string failure;   // why the picture is left out; empty when it was made
    std::string trouble;   // what went wrong though the picture was made, to be told
    picture_record record; // its record when it was made
};

// Makes the picture's images in the folder of the worker, and puts them in place; a job of its
// date alone reads only when it was taken. Whatever goes wrong leaves this picture out alone:
// the outcome says why. The state gets the claim on its files before the first is in place, and
// its record, with its sizes and time, once the last is.
picture_outcome make_picture(picture_job const& job, int worker, making_context& context);
