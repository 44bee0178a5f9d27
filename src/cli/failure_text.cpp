#include "cli/failure_text.h"

#include <cstdio>
#include <cstring>

#include "cpc/screen_format.h"
#include "export/player_binary.h"

namespace volumix {

namespace {

std::string hex4(uint32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "&%04X", static_cast<unsigned>(value & 0xFFFF));
    return text;
}

std::string range(uint32_t begin, uint32_t end) { return hex4(begin) + "-" + hex4(end - 1); }

std::string areaName(MemoryArea area) {
    switch (area) {
        case MemoryAreaData: return "the data";
        case MemoryAreaLastBankData: return "bank 8's data (the last part, in main memory)";
        case MemoryAreaIndex: return "the index";
        case MemoryAreaNone: break;
    }
    return "the run";
}

std::string sizeList(const Failure& f) {
    std::string list;
    for (const auto& [name, kilobytes] : f.sizes)
        list += (list.empty() ? "" : ", ") + name + " " + std::to_string(kilobytes) + " KB";
    return list;
}

std::string adviceText(LayoutAdvice advice) {
    switch (advice) {
        case LayoutAdviceShorterRun: return "shorten the run";
        case LayoutAdviceBaseC000OrBanks: return "use --base C000, or --banks";
        case LayoutAdviceBase0000Or8000: return "use --base 0000 or 8000";
        case LayoutAdviceBase0000: return "use --base 0000";
        case LayoutAdviceNone: break;
    }
    return {};
}

}  // namespace

std::string failureReason(const Failure& f) {
    const std::string count = std::to_string(f.count);
    switch (f.code) {
        case FailureNone:
        case FailureCodeCount: return {};
        case FailureSystem: return f.systemError != 0 ? std::strerror(f.systemError) : "failed";
        case FailureIsFolder: return "is a folder, not a file";
        case FailureNotRegular: return "not a regular file (a device, pipe or socket)";
        case FailureTooLarge: return "larger than " + count + " bytes";
        case FailureNoFileName: return "no file name";
        case FailureTooManyPoints: return "more than " + count + " points";
        case FailureTooManyFaces: return "more than " + count + " faces";
        case FailureImporter: return f.detail.empty() ? "not a mesh file the importer reads" : f.detail;
        case FailureImporterStopped: return "the importer stopped on this file (damaged or not of its format)";
        case FailureImporterTimeout: return "the importer gave no answer within " + count + " s";
        case FailureImporterMissing: return "this build of Volumix reads only .asc object files";
        case FailurePlyHeaderUnended: return "PLY header without end_header";
        case FailureNotScreen:
            return "not a screen: no valid AMSDOS header and not " + std::to_string(ScreenBytes) + " bytes";
        case FailureNotDataFile: return "not a data file of ours (size " + count + ")";
        case FailureIndexNotWhole: return "does not hold whole 3-byte entries";
        case FailureIndexOutside: return "entry " + count + " points outside its data file";
        case FailureDataTooLarge:
            return "holds " + count + " bytes: more than the " + std::to_string(f.end - f.begin) + " its memory at " +
                   hex4(f.begin) + " has";
        case FailureIndexTooLong: return "the index holds " + count + " entries: more than fit from " + hex4(f.begin) +
                                         " to &FFFF";
        case FailureNotSnapshot: return "not a CPC snapshot (no 'MV - SNA' signature)";
        case FailureSnapshotMemory: return "snapshot memory of " + count + " KB: only 64 or 128 KB dumps are read";
        case FailureSnapshotShort: return "the snapshot is shorter than its memory dump";
        case FailureNotOurPlayer: return "the snapshot does not start our player";
        case FailurePlayerUnfinished: return "the player did not finish frame " + count;
        case FailurePlayerNeverStarted: return "the player never started a frame";
        case FailureEmulatorMissing: return "this build of volumix has no Z80 emulator (it was built without libz80ex)";
        case FailureNotAmsdosFile: return "does not start with an AMSDOS header";
        case FailureHeaderLength:
            return "its header gives " + count + " bytes but it holds " + std::to_string(f.other);
        case FailureFileNotAsPlaced:
            return "does not hold what the run placed at " + hex4(f.begin) + " (were the files changed after the run?)";
        case FailureLoadOutsideWindow: return "its header loads it outside the bank window";
        case FailureBankBytesUnbrought: return "the machine holds bytes in bank page " + count + " that no run file brings";
        case FailureNoRoomForLoader:
            return "the run leaves the disk loader no room: with the disc system on, it needs about " + count +
                   " KB of its own between " + hex4(f.begin) + " and " + hex4(f.end - 1) +
                   " and free memory to hold what belongs there and in the firmware's RAM (" + hex4(f.end) +
                   "-&BFFF) until the firmware is off; use a shorter run, or no background";
        case FailureDiskFileName: return "'" + f.detail + "' is not a CPC file name (8.3, A-Z 0-9 _)";
        case FailureDiskNameRepeated: return "two files are named " + f.detail;
        case FailureDiskFull:
            return "the files need " + count + " KB, more than the " + std::to_string(f.other) + " KB of a CPC data disk (" +
                   sizeList(f) + ")";
        case FailureDiskDirectoryFull:
            return "the files need " + count + " directory entries, more than a CPC data disk's " +
                   std::to_string(f.other) + " (" + sizeList(f) + ")";
        case FailureGifEncoder: return f.detail;
        case FailureGifMissing: return "this build has no GIF support (built without giflib)";
        case FailurePointsNotPlayed:
            return "the point list export is not played: it lists lit bytes, not the screen's content "
                   "(use --export delta or sprite)";
        case FailureSizeHeaderNotPlayed:
            return "sprite blocks with --sprite-header size carry no position: the player needs "
                   "--sprite-header corners";
        case FailureSpriteTooWide:
            return "sprite blocks cover an 80-byte-wide screen: with --r1 above 40 use --export delta";
        case FailureR1NotShown: return "R1 = " + count + " shows no picture with R0 = 63: use --r1 1..63";
        case FailureRateOutOfRange:
            return "a rate of " + count + " vertical syncs per frame: use --rate 1.." + std::to_string(PlayerRateMax) +
                   " or auto";
        case FailureLinearSnapshot:
            return "a linear screen (--linear, R9 = 0) cannot show 200 lines through CRTC register values alone: "
                   "the vertical registers stop at 127 and the address wraps every 2,048 bytes, so it needs a "
                   "display split within each frame; the data files are written, and --verify still checks them";
        case FailureBanksHideScreen:
            return "with --banks the screen cannot be at &4000: banks 4 to 7 are selected there while the player "
                   "reads them, which hides the screen from the processor; use --base 0000";
        case FailureReachesScreen:
            return areaName(f.area) + " (" + range(f.begin, f.end) + ") reaches the screen at " +
                   range(f.otherBegin, f.otherEnd) + "; " + adviceText(f.advice);
        case FailureNoRoomForPlayer:
            return "no room is left for the player (" + count + " bytes) beside the screen, data and index; "
                   "use --banks or a shorter run";
        case FailureNoSecondScreen:
            return "double buffering needs a second screen, and without --banks the data starts at " +
                   hex4(f.begin) + ", inside the screen at " + range(f.otherBegin, f.otherEnd) +
                   ": no 16 KB page is left for the second one; use another --base, or --banks";
        case FailureOddFrameCount:
            return "double buffering needs an even number of frames (" + count +
                   " here): frame k is drawn on screen k mod 2, and with an odd count the loop's frame 0 would be "
                   "drawn on the screen being shown; add or drop a frame";
        case FailureSnapshotFrames:
            return "the snapshot's player lists " + count + " frames, more than a run stores (" +
                   std::to_string(PlayerFramesMax) + ")";
    }
    return "failed";
}

std::string cannotRead(const Failure& failure) {
    return "cannot read " + failure.path + ": " + failureReason(failure);
}

std::string cannotWrite(const Failure& failure) {
    return "cannot write " + failure.path + ": " + failureReason(failure);
}

}  // namespace volumix
