#pragma once

#include <QString>

#include <string>

namespace volumix {

// The window's French for the reasons files fail. The core hands the
// system's English texts on as it got them (the command line shows them as
// they are); the window words them in French.

// The French text of a system error number; empty for one the table lacks.
QString frenchSystemReason(int error);

// `text` with every system error text it holds (as strerror words it, also
// after a "path: ") and the file layer's own reasons put in French. Text
// the table does not know stays as it was.
QString reasonsInFrench(const std::string& text);

// A reason alone in French, capitalised, for a message that adds it to its
// own words; empty when the table does not know it (the window then says no
// more).
QString knownReasonInFrench(const std::string& reason);

}  // namespace volumix
