#include "app/version.h"

#ifndef VOLUMIX_VERSION
#error "VOLUMIX_VERSION is given by the build, from the project's version"
#endif

namespace volumix {

std::string_view programVersion() { return VOLUMIX_VERSION; }

std::string_view buildStamp() { return __DATE__ " " __TIME__; }

std::string programCaption(std::string_view stamp) {
    std::string caption = "Volumix V";
    caption += programVersion();
    caption += " - Kestrin & Morvel/QXV (Build ";
    caption += stamp;
    caption += ")";
    return caption;
}

std::string programCaption() { return programCaption(buildStamp()); }

}  // namespace volumix
