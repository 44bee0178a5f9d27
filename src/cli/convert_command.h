#pragma once

#include <string>
#include <vector>

namespace volumix {

// `volumix convert IN OUT.asc`: reads an object file of any format the
// program reads and writes it as .asc, through the same writer as the object
// editor. Errors as "error: ..." on stderr; the exit statuses of generate.
int runConvertCommand(const std::vector<std::string>& arguments);

}  // namespace volumix
