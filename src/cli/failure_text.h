#pragma once

#include <string>

#include "platform/failure.h"

namespace volumix {

// Why, in the command line's words, without the file's name: "is a folder,
// not a file", "more than 65536 points", or for a layout that does not fit,
// what is in the way and what to change.
std::string failureReason(const Failure& failure);

// "cannot read PATH: REASON" and "cannot write PATH: REASON".
std::string cannotRead(const Failure& failure);
std::string cannotWrite(const Failure& failure);

}  // namespace volumix
