#pragma once

#include <string>
#include <string_view>

namespace volumix {

// The project's version as the build states it ("1.10"): the one place is
// project(... VERSION ...) in the top CMakeLists.txt.
std::string_view programVersion();

// When the core library was compiled, "Mmm dd yyyy hh:mm:ss" as __DATE__ and
// __TIME__ give it (the day padded with a space). Compiled once, so the
// window and the command line carry the same stamp.
std::string_view buildStamp();

// "Volumix V1.10 - Kestrin & Morvel/QXV (Build <stamp>)": the window's caption
// and what `volumix --version` prints.
std::string programCaption(std::string_view stamp);
std::string programCaption();

}  // namespace volumix
