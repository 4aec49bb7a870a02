// The words of the command line as launchers write them: an option a launcher wrapped whole in
// double quotes is read as that option, and a word that is no option is named, not dropped.
#pragma once

#include <string>
#include <vector>

#include "runtime/errcode.h"

namespace rt {

// The switches a run reads: "confirm" asks before the chosen target is updated; the elevated
// relaunch puts "relaunched" on its copy's command line, so that the copy knows it is one.
inline constexpr char kConfirmSwitch[] = "confirm";
inline constexpr char kRelaunchedSwitch[] = "relaunched";

// Rewrites the stored command line with every word of the form "NAME:value" or "/NAME=value" in
// double quotes (NAME one of the options) unwrapped, so that the options read it; the program's
// own word is left alone. *stray receives the other words that are neither an option entry nor a
// known switch (one of the above after an optional '/' or '-', any case), a misspelled switch or a
// bare word among them. The error of storing the line, or 0.
ErrCode TidyCommandWords(std::vector<std::string>* stray);

}  // namespace rt
