#include "export/disk_loader.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <tuple>

#include "export/amsdos.h"
#include "export/player_binary.h"
#include "platform/file_io.h"

namespace volumix {

namespace {

constexpr uint32_t PageBytes = 0x4000;
constexpr uint32_t MainBytes = 4 * PageBytes;
constexpr uint32_t MemoryBytes = 8 * PageBytes;
constexpr uint32_t BankWindow = 0x4000;
// The loader and the disc buffer lie in page 2 below HIMEM: seen under every
// configuration the loader selects, never under a ROM, and not the firmware's.
constexpr uint32_t LoaderAreaBegin = 0x8000;
constexpr uint32_t LoaderAreaEnd = uint32_t{DiscHimem} + 1;
constexpr uint32_t BufferBytes = 0x800;
constexpr uint32_t LoaderStackBytes = 256;
constexpr uint32_t PlanRoomStep = 256;
constexpr uint32_t PlanRoomMax = 4096;
constexpr uint8_t MainConfig = 0xC0;
constexpr uint8_t KindWhole = 1;
constexpr uint8_t KindByByte = 2;
// The stub's table ends with a zero length, the stack top and the player.
constexpr uint32_t StubEntryBytes = 6;
constexpr uint32_t StubEndBytes = 6;
// The header fields that give a file's length (AMSDOS header).
constexpr size_t HeaderLength = 19, HeaderLoad = 21, HeaderLogicalLength = 24, HeaderFileLength = 64;

struct Range {
    uint32_t begin = 0, end = 0;  // [begin, end), physical
    uint32_t size() const { return end - begin; }
    bool contains(uint32_t p) const { return p >= begin && p < end; }
    bool overlaps(const Range& other) const { return begin < other.end && other.begin < end; }
};

// Where the processor sees a physical byte (pages 0..3 under &C0, a bank
// page at &4000 under its own configuration).
struct Spot {
    uint8_t config = MainConfig;
    uint16_t address = 0;
};

uint32_t pageOf(uint32_t physical) { return physical / PageBytes; }

Spot spotOf(uint32_t physical) {
    if (physical < MainBytes) return {MainConfig, static_cast<uint16_t>(physical)};
    return {static_cast<uint8_t>(MainConfig + pageOf(physical)), static_cast<uint16_t>(BankWindow + physical % PageBytes)};
}

// True when the whole range is seen, as consecutive addresses, under `config`.
bool seenUnder(const Range& r, uint8_t config) {
    if (r.size() == 0) return true;
    if (r.end <= MainBytes) return config == MainConfig || !r.overlaps({BankWindow, 2 * PageBytes});
    return r.begin >= MainBytes && pageOf(r.end - 1) == pageOf(r.begin) && config == MainConfig + pageOf(r.begin);
}

bool firmwareRam(uint32_t physical) {
    return physical < FirmwareLowEnd || (physical > DiscHimem && physical < FirmwareRamEnd);
}

void putWord(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

// A disk file and where its bytes after the header belong.
struct Target {
    size_t file = 0;
    Range place;
};

struct Layout {
    const CpcMachine* machine = nullptr;
    std::vector<uint8_t> loaded = std::vector<uint8_t>(MemoryBytes, 0);  // 1: some file brings this byte
    std::vector<Target> targets;
    Range stub;  // the player's stack space
};

struct Copy {
    uint8_t config = MainConfig;
    Range target;  // physical
    Range held;    // physical; empty for a fill
};

struct LoadPart {
    uint16_t length = 0;
    Spot at;
};

struct LoadStep {
    size_t file = 0;
    bool whole = true;
    std::vector<LoadPart> parts;
};

struct Plan {
    Range loader, buffer;
    std::vector<LoadStep> steps;
    std::vector<Copy> moves, fills;
    std::vector<Copy> stubCopies;  // moves, then fills
    uint8_t stubConfig = MainConfig;
    int32_t held = 0, byteByByte = 0;
};

// Free bytes a file may be loaded into while the firmware is on and moved
// from once it is off: nothing of the run, of the firmware, of the loader,
// its buffer or the stub's room. Runs stay within a 16 KB page.
class HeldSpace {
public:
    HeldSpace(const Layout& layout, const Range& loader, const Range& buffer) {
        // Bank pages first: they are free on a 64K run, and the loader can
        // reach them at &4000 whatever else it does.
        for (const uint32_t page : {4u, 5u, 6u, 7u, 3u, 0u, 1u, 2u}) {
            uint32_t start = 0;
            bool open = false;
            for (uint32_t p = page * PageBytes; p <= (page + 1) * PageBytes; ++p) {
                const bool freeByte = p < (page + 1) * PageBytes && layout.loaded[p] == 0 && !layout.stub.contains(p) &&
                                      !(p < MainBytes && (firmwareRam(p) || loader.contains(p) || buffer.contains(p)));
                if (freeByte && !open) start = p;
                if (!freeByte && open) runs_.push_back({start, p});
                open = freeByte;
            }
        }
    }

    // A run of `length` bytes in one place; not in a bank page when the
    // bytes must be moved into &4000-&7FFF (both are seen at &4000).
    std::optional<Range> take(uint32_t length, bool bankPagesAllowed) {
        for (Range& run : runs_) {
            if (run.size() < length || (!bankPagesAllowed && run.begin >= MainBytes)) continue;
            const Range taken{run.begin, run.begin + length};
            run.begin += length;
            return taken;
        }
        return std::nullopt;
    }

    // As much of `length` as the first free run holds.
    std::optional<Range> takeSome(uint32_t length) {
        for (Range& run : runs_) {
            if (run.size() == 0) continue;
            const Range taken{run.begin, run.begin + std::min(length, run.size())};
            run.begin = taken.end;
            return taken;
        }
        return std::nullopt;
    }

private:
    std::vector<Range> runs_;
};

// Maximal runs of [begin, end) where `wanted` holds, cut at `cutEvery`.
template <class Predicate>
std::vector<Range> runsOf(uint32_t begin, uint32_t end, uint32_t cutEvery, Predicate wanted) {
    std::vector<Range> runs;
    for (uint32_t p = begin; p < end;) {
        if (!wanted(p)) {
            ++p;
            continue;
        }
        const uint32_t limit = std::min(end, (p / cutEvery + 1) * cutEvery);
        uint32_t q = p;
        while (q < limit && wanted(q)) ++q;
        runs.push_back({p, q});
        p = q;
    }
    return runs;
}

Copy moveOf(const Range& held, uint32_t target) {
    const uint8_t config = spotOf(held.begin).config;
    return {config, {target, target + held.size()}, held};
}

// Lays out the loading with the loader and the buffer at the given places;
// nothing when something finds no room.
std::optional<Plan> planWith(const Layout& layout, const Range& loader, const Range& buffer, uint32_t stubCodeBytes) {
    if (loader.overlaps(layout.stub)) return std::nullopt;
    const auto unsafe = [&](uint32_t p) {
        return p < MainBytes && (firmwareRam(p) || loader.contains(p) || buffer.contains(p));
    };
    Plan plan;
    plan.loader = loader;
    plan.buffer = buffer;
    HeldSpace space(layout, loader, buffer);
    for (const Target& target : layout.targets) {
        const Range& place = target.place;
        if (place.size() == 0) continue;
        LoadStep step;
        step.file = target.file;
        bool anyUnsafe = false;
        for (uint32_t p = place.begin; p < place.end && !anyUnsafe; ++p) anyUnsafe = unsafe(p);
        if (!anyUnsafe) {
            step.parts.push_back({static_cast<uint16_t>(place.size()), spotOf(place.begin)});
        } else if (const std::optional<Range> held = space.take(place.size(), !place.overlaps({BankWindow, 2 * PageBytes}))) {
            step.parts.push_back({static_cast<uint16_t>(held->size()), spotOf(held->begin)});
            plan.moves.push_back(moveOf(*held, place.begin));
            plan.held += static_cast<int32_t>(held->size());
        } else {
            // No free place holds the whole file: it is read byte by byte,
            // each part where it belongs or, over the firmware and the
            // loader, into whatever free room is left.
            step.whole = false;
            plan.byteByByte += static_cast<int32_t>(place.size());
            // 0: where it belongs; 1: held; 2: held and moved by the stub,
            // which has room for few moves: in one piece if it can.
            const auto kindOf = [&](uint32_t p) { return !unsafe(p) ? 0 : loader.contains(p) ? 2 : 1; };
            for (uint32_t p = place.begin; p < place.end;) {
                const int kind = kindOf(p);
                uint32_t q = p;
                while (q < place.end && kindOf(q) == kind) ++q;
                if (kind == 0) {
                    step.parts.push_back({static_cast<uint16_t>(q - p), spotOf(p)});
                    p = q;
                    continue;
                }
                while (p < q) {
                    std::optional<Range> held;
                    if (kind == 2) held = space.take(q - p, false);
                    if (kind == 2 && !held) held = space.take(q - p, true);
                    if (!held) held = space.takeSome(q - p);
                    if (!held) return std::nullopt;
                    step.parts.push_back({static_cast<uint16_t>(held->size()), spotOf(held->begin)});
                    plan.moves.push_back(moveOf(*held, p));
                    plan.held += static_cast<int32_t>(held->size());
                    p += held->size();
                }
            }
            if (step.parts.size() > 255) return std::nullopt;
        }
        plan.steps.push_back(std::move(step));
    }

    // Moves over the loader are the stub's, with the fills of their held
    // bytes and of the loader's free bytes; the loader does the others.
    std::vector<Copy> loaderMoves;
    std::vector<Range> stubHeld;
    for (const Copy& move : plan.moves) {
        if (move.target.overlaps(loader)) {
            plan.stubCopies.push_back(move);
            stubHeld.push_back(move.held);
        } else {
            loaderMoves.push_back(move);
        }
    }
    plan.moves = loaderMoves;
    for (const Copy& move : plan.moves)
        if (!seenUnder(move.target, move.config) || !seenUnder(move.held, move.config)) return std::nullopt;
    for (const Range& held : stubHeld) plan.stubCopies.push_back({spotOf(held.begin).config, held, {}});
    for (const Range& run : runsOf(loader.begin, loader.end, MainBytes, [&](uint32_t p) { return layout.loaded[p] == 0; }))
        plan.stubCopies.push_back({MainConfig, run, {}});
    for (const Range& held : stubHeld)
        if (held.begin >= MainBytes) plan.stubConfig = spotOf(held.begin).config;
    for (const Copy& copy : plan.stubCopies)
        if (!seenUnder(copy.target, plan.stubConfig) || !seenUnder(copy.held, plan.stubConfig)) return std::nullopt;
    if (!seenUnder(layout.stub, plan.stubConfig)) return std::nullopt;
    const uint32_t stubRoom = PlayerStackBytes > stubCodeBytes + StubEndBytes ? PlayerStackBytes - stubCodeBytes - StubEndBytes : 0;
    if (plan.stubCopies.size() * StubEntryBytes > stubRoom) return std::nullopt;

    // Everything no file brings is cleared: what the firmware, BASIC or the
    // loading left there is not the run's. The stub's room is cleared before
    // the stub is copied in.
    const auto clear = [&](uint32_t p) {
        return layout.loaded[p] == 0 && !loader.contains(p) &&
               std::none_of(stubHeld.begin(), stubHeld.end(), [&](const Range& r) { return r.contains(p); });
    };
    for (const Range& run : runsOf(0, MainBytes, MainBytes, clear)) plan.fills.push_back({MainConfig, run, {}});
    for (const Range& run : runsOf(MainBytes, MemoryBytes, PageBytes, clear))
        plan.fills.push_back({spotOf(run.begin).config, run, {}});
    return plan;
}

void putCopy(std::vector<uint8_t>& bytes, const Copy& copy, bool withConfig) {
    if (withConfig) bytes.push_back(copy.config);
    putWord(bytes, copy.target.size());
    putWord(bytes, spotOf(copy.target.begin).address);
    putWord(bytes, copy.held.size() == 0 ? 0 : spotOf(copy.held.begin).address);
}

std::vector<uint8_t> planBytes(const Plan& plan, const Layout& layout, const std::vector<DiskFile>& files) {
    const CpcMachine& machine = *layout.machine;
    std::vector<uint8_t> bytes;
    putWord(bytes, plan.loader.end);  // the loader's stack top
    putWord(bytes, plan.buffer.begin);
    for (const LoadStep& step : plan.steps) {
        const DiskFile& file = files[step.file];
        bytes.push_back(step.whole ? KindWhole : KindByByte);
        bytes.push_back(static_cast<uint8_t>(file.name.size()));
        bytes.insert(bytes.end(), file.name.begin(), file.name.end());
        putWord(bytes, static_cast<uint32_t>(file.bytes.size() - AmsdosHeaderBytes));
        if (step.whole) {
            bytes.push_back(step.parts[0].at.config);
            putWord(bytes, step.parts[0].at.address);
            continue;
        }
        bytes.push_back(static_cast<uint8_t>(step.parts.size()));
        for (const LoadPart& part : step.parts) {
            putWord(bytes, part.length);
            bytes.push_back(part.at.config);
            putWord(bytes, part.at.address);
        }
    }
    bytes.push_back(0);
    bytes.push_back(static_cast<uint8_t>(0x8C | (machine.screenMode & 3)));  // both ROMs off
    const std::array<uint8_t, 18> crtc = crtcRegisters(machine);
    bytes.insert(bytes.end(), crtc.begin(), crtc.begin() + 16);
    for (int k = 0; k < InkCount; ++k) bytes.push_back(gateArrayColour(machine.inks[k]));
    bytes.push_back(gateArrayColour(machine.inks[0]));  // the border, as in the snapshot
    for (const Copy& copy : plan.moves) putCopy(bytes, copy, true);
    for (const Copy& copy : plan.fills) putCopy(bytes, copy, true);
    bytes.push_back(0);
    putWord(bytes, layout.stub.begin);
    bytes.push_back(plan.stubConfig);
    std::vector<uint8_t> table;
    for (const Copy& copy : plan.stubCopies) putCopy(table, copy, false);
    putWord(table, 0);
    putWord(table, machine.stackTop);
    putWord(table, machine.playerAddress);
    bytes.push_back(static_cast<uint8_t>(table.size()));
    bytes.insert(bytes.end(), table.begin(), table.end());
    return bytes;
}

std::vector<uint8_t> relocatedLoader(uint16_t origin) {
    std::vector<uint8_t> code = LoaderCode;
    const auto page = static_cast<uint8_t>(origin >> 8);
    for (const uint16_t offset : LoaderRelocations) code[offset] = static_cast<uint8_t>(code[offset] + page);
    return code;
}

std::vector<uint8_t> withHeader(const std::string& name, uint16_t load, uint16_t entry, const uint8_t* data, size_t length) {
    const AmsdosHeader header = buildAmsdosHeader(name, load, static_cast<uint16_t>(length), entry);
    std::vector<uint8_t> bytes(header.size() + length);
    std::copy(header.begin(), header.end(), bytes.begin());
    std::copy(data, data + length, bytes.begin() + static_cast<std::ptrdiff_t>(header.size()));
    return bytes;
}

uint16_t headerWord(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Reads one of the run's files and checks that what follows its header is
// what the machine holds at `physical`.
Failure addRunFile(const std::string& path, const std::string& name, uint32_t physical, bool index,
                   const CpcMachine& machine, std::vector<DiskFile>& files, Layout& layout) {
    Failure failure;
    const std::optional<std::vector<uint8_t>> read = readWholeFile(path, AmsdosHeaderBytes + 0x10000, &failure);
    if (!read) return failure;
    std::vector<uint8_t> bytes = *read;
    if (bytes.size() < AmsdosHeaderBytes || !amsdosChecksumValid(bytes.data()))
        return fileFailure(FailureNotAmsdosFile, path);
    const size_t length = bytes.size() - AmsdosHeaderBytes;
    if (index) {
        // The disc system reads as many bytes as the header says.
        for (const size_t at : {HeaderLength, HeaderLogicalLength, HeaderFileLength}) {
            bytes[at] = static_cast<uint8_t>(length);
            bytes[at + 1] = static_cast<uint8_t>(length >> 8);
        }
        bytes[HeaderFileLength + 2] = 0;
        const uint16_t sum = amsdosChecksum(bytes.data());
        bytes[AmsdosChecksummedBytes] = static_cast<uint8_t>(sum);
        bytes[AmsdosChecksummedBytes + 1] = static_cast<uint8_t>(sum >> 8);
    } else if (headerWord(bytes, HeaderLogicalLength) != length) {
        failure = fileFailure(FailureHeaderLength, path);
        failure.count = headerWord(bytes, HeaderLogicalLength);
        failure.other = static_cast<int64_t>(length);
        return failure;
    }
    if (physical + length > MemoryBytes ||
        !std::equal(bytes.begin() + AmsdosHeaderBytes, bytes.end(), machine.ram.begin() + physical)) {
        failure = fileFailure(FailureFileNotAsPlaced, path);
        failure.begin = spotOf(physical).address;
        return failure;
    }
    layout.targets.push_back({files.size(), {physical, static_cast<uint32_t>(physical + length)}});
    for (uint32_t p = physical; p < physical + length; ++p) layout.loaded[p] = 1;
    files.push_back({name, std::move(bytes)});
    return {};
}

Failure addRunFiles(const std::string& prefix, const std::string& base, const CpcMachine& machine,
                    std::vector<DiskFile>& files, Layout& layout) {
    std::error_code code;
    uint32_t indexAt = machine.indexAddress;
    for (int bank = machine.uses128K ? 4 : 0; bank <= (machine.uses128K ? 8 : 0); ++bank) {
        const std::string suffix = bank == 0 ? "" : ".C" + std::to_string(bank);
        const std::string path = prefix + suffix;
        if (bank > 4 && !std::filesystem::exists(path, code)) break;
        Failure failure;
        const std::optional<std::vector<uint8_t>> head = readFileBytes(path, AmsdosHeaderBytes, &failure);
        if (!head) return failure;
        if (head->size() < AmsdosHeaderBytes) return fileFailure(FailureNotAmsdosFile, path);
        const uint16_t load = headerWord(*head, HeaderLoad);
        uint32_t physical = load;
        if (bank >= 4 && bank < 8) {
            if (load < BankWindow || load >= 2 * PageBytes) return fileFailure(FailureLoadOutsideWindow, path);
            physical = static_cast<uint32_t>(bank) * PageBytes + (load - BankWindow);
        }
        const std::string dataName = base + (bank == 0 ? ".DAT" : ".C" + std::to_string(bank));
        const std::string indexName = base + (bank == 0 ? ".IDX" : ".I" + std::to_string(bank));
        if (failure = addRunFile(path, dataName, physical, false, machine, files, layout); failure.failed()) return failure;
        if (failure = addRunFile(path + ".idx", indexName, indexAt, true, machine, files, layout); failure.failed())
            return failure;
        indexAt += files.back().bytes.size() - AmsdosHeaderBytes;
    }
    return {};
}

}  // namespace

std::string amsdosBaseName(std::string_view prefix) {
    const size_t separator = prefix.find_last_of("/\\");
    if (separator != std::string_view::npos) prefix.remove_prefix(separator + 1);
    std::string name;
    bool replaced = false;
    for (const char c : prefix) {
        if (name.size() == 8) break;
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if ((upper >= 'A' && upper <= 'Z') || (upper >= '0' && upper <= '9')) {
            name += upper;
            replaced = false;
        } else if (!replaced) {
            name += '_';
            replaced = true;
        }
    }
    return name.empty() ? "VOLUMIX" : name;
}

namespace {

// The disk's files but the loader (an empty NAME.BIN first, filled once its
// plan is known): the player with whatever else the machine holds outside
// the screen and the run's files, the start screen, then the run's files;
// `layout` learns where each one's bytes belong.
Failure collectDiskFiles(const CpcMachine& machine, const std::string& prefix, const std::string& base,
                         std::vector<DiskFile>& files, Layout& layout) {

    files.push_back({base + ".BIN", {}});
    const uint32_t screenBegin = machine.baseAddress & 0xC000;
    const Range screen{screenBegin, screenBegin + PageBytes};
    std::vector<DiskFile> runFiles;
    Layout runLayout;
    if (Failure failure = addRunFiles(prefix, base, machine, runFiles, runLayout); failure.failed()) {
        files.clear();
        return failure;
    }

    Range extra{machine.playerAddress, static_cast<uint32_t>(machine.stackTop - PlayerStackBytes)};
    bool screenShown = false;
    for (uint32_t p = 0; p < MemoryBytes; ++p) {
        if (machine.ram[p] == 0 || runLayout.loaded[p] != 0) continue;
        if (p >= MainBytes) {
            files.clear();
            Failure unbrought;
            unbrought.code = FailureBankBytesUnbrought;
            unbrought.count = pageOf(p);
            return unbrought;
        }
        if (screen.contains(p)) {
            screenShown = true;
        } else {
            extra.begin = std::min(extra.begin, p);
            extra.end = std::max(extra.end, p + 1);
        }
    }
    const auto addPiece = [&](const std::string& name, const Range& range, uint16_t entry) {
        layout.targets.push_back({files.size(), range});
        for (uint32_t p = range.begin; p < range.end; ++p) layout.loaded[p] = 1;
        files.push_back({name, withHeader(name, static_cast<uint16_t>(range.begin), entry, machine.ram.data() + range.begin,
                                          range.size())});
    };
    addPiece(base + ".PLY", extra, machine.playerAddress);
    if (screenShown) addPiece(base + ".SCR", screen, 0);
    for (Target target : runLayout.targets) {
        target.file += files.size();
        layout.targets.push_back(target);
    }
    for (uint32_t p = 0; p < MemoryBytes; ++p) layout.loaded[p] |= runLayout.loaded[p];
    files.insert(files.end(), std::make_move_iterator(runFiles.begin()), std::make_move_iterator(runFiles.end()));
    return {};
}

// Places the loader and the disc system's buffer where they leave the least
// to move, and writes NAME.BIN with the loader and its plan; false when no
// place has room.
bool placeLoader(const Layout& layout, std::vector<DiskFile>& files, LoaderSummary* summary) {
    const uint32_t code = static_cast<uint32_t>(LoaderCode.size());
    const uint32_t stubCode = LoaderCode[LoaderStubSizeParam];
    for (uint32_t room = PlanRoomStep; room <= PlanRoomMax; room += PlanRoomStep) {
        const uint32_t size = code + room + LoaderStackBytes;
        std::optional<Plan> best;
        std::vector<uint8_t> bestPlan;
        for (uint32_t origin = (LoaderAreaEnd - size) & ~0xFFu; origin >= LoaderAreaBegin && origin + size <= LoaderAreaEnd;
             origin -= 0x100) {
            const Range loader{origin, origin + size};
            for (const Range buffer : {Range{loader.end, loader.end + BufferBytes}, Range{origin - BufferBytes, origin}}) {
                if (buffer.begin < LoaderAreaBegin || buffer.end > LoaderAreaEnd) continue;
                std::optional<Plan> plan = planWith(layout, loader, buffer, stubCode);
                if (!plan) continue;
                std::vector<uint8_t> bytes = planBytes(*plan, layout, files);
                if (bytes.size() > room) continue;
                // The least read byte by byte, then the least held aside, then
                // the loader and buffer over free memory rather than the run's.
                const auto cost = [](const Plan& p) { return std::tuple(p.byteByByte, p.held, p.stubCopies.size()); };
                if (!best || cost(*plan) < cost(*best)) {
                    best = std::move(plan);
                    bestPlan = std::move(bytes);
                }
            }
        }
        if (!best) continue;
        std::vector<uint8_t> loaderBytes = relocatedLoader(static_cast<uint16_t>(best->loader.begin));
        loaderBytes.insert(loaderBytes.end(), bestPlan.begin(), bestPlan.end());
        files[0].bytes = withHeader(files[0].name, static_cast<uint16_t>(best->loader.begin),
                                    static_cast<uint16_t>(best->loader.begin), loaderBytes.data(), loaderBytes.size());
        if (summary != nullptr) {
            summary->loaderAddress = static_cast<uint16_t>(best->loader.begin);
            summary->loaderBytes = static_cast<uint16_t>(best->loader.size());
            summary->bufferAddress = static_cast<uint16_t>(best->buffer.begin);
            summary->heldBytes = best->held;
            summary->byteByByteBytes = best->byteByByte;
            summary->stubEntries = static_cast<int32_t>(best->stubCopies.size());
        }
        return true;
    }
    return false;
}

}  // namespace

Failure runDiskFiles(const CpcMachine& machine, const std::string& prefix, std::vector<DiskFile>& files,
                     LoaderSummary* summary) {
    files.clear();
    Layout layout;
    layout.machine = &machine;
    layout.stub = {static_cast<uint32_t>(machine.stackTop - PlayerStackBytes), machine.stackTop};
    if (Failure failure = collectDiskFiles(machine, prefix, amsdosBaseName(prefix), files, layout); failure.failed())
        return failure;
    if (placeLoader(layout, files, summary)) return {};
    files.clear();
    Failure noRoom;
    noRoom.code = FailureNoRoomForLoader;
    noRoom.count = (LoaderCode.size() + PlanRoomStep + LoaderStackBytes + BufferBytes + 1023) / 1024;
    noRoom.begin = LoaderAreaBegin;
    noRoom.end = DiscHimem + 1;
    return noRoom;
}

}  // namespace volumix
