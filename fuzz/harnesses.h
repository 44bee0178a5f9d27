#pragma once

// One entry per fuzz target, shared by the libFuzzer binaries and the corpus
// replay test. Each takes any bytes, returns 0, and aborts with a message on
// stderr when a checked property fails (sanitizers report the rest).

#include <cstddef>
#include <cstdint>

namespace volumix {

// Byte 0: bit 0 recentres, bits 1-3 start the mesh that many entries below
// its capacity (0: empty). The rest is the .asc text.
int fuzzAscReader(const uint8_t* data, size_t size);

// Byte 0: screen mode (value % 9) - 3; byte 1: bytes per line (value % 201);
// byte 2: bit 0 takes the palette, bit 1 writes a valid header checksum,
// bit 2 expands MJH whatever the image starts with, bit 3 takes the caller's
// inks from the header, bit 4 also reads the file with loadScr and compares,
// bit 5 encodes the decoded frame again and decodes that.
// The rest is the .SCR file.
int fuzzScreenReader(const uint8_t* data, size_t size);

// The whole input is the sequence file.
int fuzzSequenceCsv(const uint8_t* data, size_t size);

// The whole input is the .spt file; with bit 7 of byte 0 set it is repeated
// past the bank's size. Its first bytes also pick a sprite to draw.
int fuzzSpriteBank(const uint8_t* data, size_t size);

// A mesh of up to 64 vertices and faces and a run of up to four frames over
// it (pre-roll included), every value read from the input in turn.
int fuzzGenerationRun(const uint8_t* data, size_t size);

// A snapshot of ours with its data and index files, as `verify` reads them:
// byte 0 picks the run (bit 0 double buffered, 1 banks, 2 compressed, 3
// sprite blocks, 4-5 their layout, 6 the rate); then either the rest of the
// input is the snapshot, or up to 64 bytes of the three files are changed
// and each is cut short. Then the snapshot is read, the files overlaid, and
// a few frames replayed with the beam model.
int fuzzSnapshotReplay(const uint8_t* data, size_t size);

}  // namespace volumix
