#include "lost/SpreadStreams.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "ntfs/SpreadRecord.h"
#include "ntfs/UpdateSequence.h"

namespace vantor {

void AddSpreadStreams(NtfsCandidates& candidates, SectorReader& reader) {
  std::vector<NtfsFileCandidate>& files = candidates.files;
  const size_t count = files.size();
  // The base records with an attribute list, by number.
  std::unordered_map<uint32_t, size_t> bases;
  for (size_t i = 0; i < count; ++i)
    if (files[i].spread && files[i].stream == 0 && files[i].ownKey != 0) bases.emplace(files[i].ownKey, i);
  if (bases.empty()) return;
  const MftRunTable map = RecordMapOf(candidates, 0, UINT64_MAX);
  std::array<uint8_t, kNtfsCandidateRecordBytes> bytes{};
  for (size_t i = 0; i < count; ++i) {
    if (files[i].stream != 0 || files[i].name.empty()) continue;
    const auto found = bases.find(files[i].ownKey);
    if (found == bases.end() || (!files[i].fromExtension && found->second != i && !files[i].sharesRecord)) continue;
    const NtfsFileCandidate base = files[found->second];
    bytes.fill(0);
    reader.read(base.recordSector, kNtfsCandidateRecordBytes / kSectorSize, bytes.data());
    RestoreUpdateSequence(bytes.data(), bytes.size());
    const ByteView record(bytes.data(), bytes.size());
    if (!IsFileRecord(record)) continue;
    SpreadRecord spread(reader, map, record, base.ownKey, base.recordSector);
    const std::vector<SpreadStream> streams = spread.Streams();
    // A name of the base record has its streams of that record listed beside
    // it; a name of an extension record has none yet.
    const bool ownListed = !files[i].fromExtension;
    for (size_t n = 0; n < streams.size(); ++n) {
      if (ownListed && streams[n].record == 0) continue;
      NtfsFileCandidate part = base;
      part.name = files[i].name + u':' + streams[n].stream.name;
      part.parentKey = files[i].parentKey;
      part.parentSequence = files[i].parentSequence;
      part.size = streams[n].stream.size;
      part.stream = static_cast<uint8_t>(n + 1);
      part.sharesRecord = true;
      part.spread = false;
      files.push_back(std::move(part));
    }
  }
}

}  // namespace vantor
