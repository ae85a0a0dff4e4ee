// Making the files of one picture: decoded and shrunk, its page written by pixfold and, with the
// site step, its markers expanded; each file made aside in the worker's folder and renamed into
// the gallery, the page last.
#pragma once

#include "making/context.h"
#include "plan/pictures.h"

#include <string>

// How one picture's job ended.
struct picture_outcome {
    std::string failure;   // why the picture is left out; empty when it was made
    std::string trouble;   // what went wrong though the picture was made, to be told
    picture_record record; // its record when it was made
};

// Makes the picture's files in the folder of the worker, and puts them in place; a job of the
// page alone writes only the page, from the sizes its record has. Whatever goes wrong leaves this
// picture out alone: the outcome says why. The state gets the claim on its files before the
// first is in place, and its record once the last is.
picture_outcome make_picture(picture_job const& job, int worker, making_context& context);
