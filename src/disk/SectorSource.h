// The one road by which everything reads the source it recovers from (and disk
// imaging writes a target disk): whole 512-byte sectors by 64-bit number.
//
// The source switches of RecoveryState are tested in a fixed order on every read:
// a VMware virtual disk, then the end-sector guard, then an image made by disk
// imaging (one file or pieces of 1331200 sectors), then a device. Device reads go
// in runs of 40 sectors so that one bad sector costs a retry of 40 at most;
// unreadable sectors are put to the user as "Bad Sectors Encountered", whose
// answer may stand for the rest of the run. Status: nonzero for success.
#pragma once

#include <cstdint>
#include <string>

#include "core/Sector.h"

namespace vantor {

class Session;

// A device run that fails is read again in chunks of this many sectors.
inline constexpr uint32_t kDeviceRunSectors = 40;
inline constexpr uint64_t kImagePieceSectors = 1331200;
inline constexpr uint64_t kImagePieceBytes = kImagePieceSectors * 512;  // 650 MiB

uint32_t ReadSectors(Session& session, const std::string& devicePath, uint64_t firstSector,
                     uint32_t count, uint8_t* buffer);
uint32_t WriteSectors(Session& session, const std::string& devicePath, uint64_t firstSector,
                      uint32_t count, const uint8_t* buffer);
// Reads from the current source (the device path table entry of deviceIndex).
uint32_t ReadCurrentSectors(Session& session, uint64_t firstSector, uint32_t count, uint8_t* buffer);
// The same reads as a plain function, for readers that take no session.
SectorRead CurrentSourceRead(Session& session);

// One sector of the current source (zeros where the source cannot deliver it).
SectorBytes ReadOneSector(Session& session, uint64_t sector);

// The piece file of absolute sector `sector` of a split image in `folder`; replaces
// `sector` by the sector within that piece.
std::string ImagePieceName(const std::string& folder, uint64_t& sector);

// Image selection of Step 1 for an item text that ends in "Image0.img": sets
// imageSource, imageFolder and imageSplit. False when the file does not exist.
bool SelectImage(Session& session, const std::string& itemText);

// Applies the bad-sector policy: asks unless an answer stands. True means retry.
bool BadSectorRetry(Session& session);

}  // namespace vantor
