// SPDX-License-Identifier: MIT
#pragma once

#include "pattern_window/pattern_state.h"

#include <string>
#include <vector>

namespace tintoral {

struct RenderOptions {
    PatternState state;   // load values, tuned by the options, geometry filled in
    int width = 0;        // device pixels
    int height = 0;
    std::string listPath; // exactly one of the two is set; "-" is standard output
    std::string pngPath;
    bool help = false;
    bool version = false;
};

struct ParseResult {
    bool ok = false;
    RenderOptions options;
    std::string error; // names the option and what it accepts
};

// Parses the arguments after the program name. Nothing is written here.
ParseResult parseRenderArguments(const std::vector<std::string> &args);

extern const char *const kRenderUsage;

} // namespace tintoral
