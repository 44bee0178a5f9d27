#include "cli/dsk_option.h"

#include <cstdio>

#include "cli/failure_text.h"
#include "cli/generate_command.h"
#include "export/disk_loader.h"
#include "export/dsk_image.h"
#include "platform/file_io.h"

namespace volumix {

int writeRunDisk(const CpcMachine& machine, const std::string& prefix, const std::string& path) {
    std::vector<DiskFile> files;
    std::vector<uint8_t> image;
    Failure failure = runDiskFiles(machine, prefix, files);
    if (!failure.failed()) failure = buildDataDiskImage(files, image);
    if (failure.failed()) {
        const std::string why = failure.path.empty() ? failureReason(failure) : cannotRead(failure);
        std::fprintf(stderr, "error: --dsk: %s (the data files are written)\n", why.c_str());
        return ExitInputFailed;
    }
    if (const FileWriteResult written = writeFileReplacing(path, image); !written) {
        std::fprintf(stderr, "error: %s\n", cannotWrite(written.failure).c_str());
        return ExitInputFailed;
    }
    int32_t blocks = 0;
    for (const DiskFile& file : files) blocks += diskBlocks(file.bytes.size());
    const std::string name = files.front().name.substr(0, files.front().name.find('.'));
    std::fprintf(stderr, "note: %s: RUN\"%s\" on a CPC 6128 plays the run (%zu files, %d KB of %d KB)\n", path.c_str(),
                 name.c_str(), files.size(), blocks, DataDiskFreeBlocks);
    return ExitOk;
}

}  // namespace volumix
