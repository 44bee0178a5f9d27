#pragma once

#include <QString>

#include "platform/failure.h"

namespace volumix {

// A failure in the window's words (French): the file, then why.
QString failureText(const Failure& failure);

// Why, without the file's name.
QString failureReason(const Failure& failure);

// The system's reason for errno `error`, in French.
QString systemReason(int error);

}  // namespace volumix
