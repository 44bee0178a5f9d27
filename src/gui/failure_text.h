#pragma once

#include <QString>

#include "platform/failure.h"

namespace volumix {

// The window's French for what went wrong; the command line has its own
// English words for the same facts.

// A failure: the file, then why ("/tmp/a: N'est pas un dossier").
QString failureText(const Failure& failure);

// Why, without the file's name, capitalised.
QString failureReason(const Failure& failure);

// The system's reason for errno `error`, as the C library words it in French.
QString systemReason(int error);

}  // namespace volumix
