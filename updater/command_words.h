// The words of the command line as launchers write them: an option a launcher wrapped whole in
// double quotes is read as that option, and a word that is no option is named, not dropped.
#pragma once

#include <string>
#include <vector>

#include "runtime/errcode.h"

namespace rt {

// Rewrites the stored command line with every word of the form "NAME:value" or "/NAME=value" in
// double quotes (NAME one of the options) unwrapped, so that the options read it; the program's
// own word is left alone. *stray receives the other words that are neither an option entry nor a
// switch (a word of letters after an optional '/' or '-'). The error of storing the line, or 0.
ErrCode TidyCommandWords(std::vector<std::string>* stray);

}  // namespace rt
