// What a run shows while it goes: the runner and the steps report here, and never draw anything
// themselves. The status on a terminal (terminal_status.h) is the one a person sees.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class status {
  public:
    virtual ~status() = default;

    // A step begins that makes this many things of one kind: "pictures", "albums".
    virtual void step_began(std::string_view things, std::size_t total) = 0;
    // This many more of them are done. Called with 0 meanwhile, so that the time left can be
    // shown as it passes.
    virtual void done(std::size_t more) = 0;
    virtual void step_ended() = 0;
    // A message on a line of its own: "pixfold-gallery: " and the text.
    virtual void say(std::string const& text) = 0;
};
