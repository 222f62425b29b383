// NTFS keeps its file times in UTC, so the time is used as it stands; taking it
// for a local time would shift every saved file by the machine's offset from UTC.
#include "save/SaveNtfsFile.h"

#include "core/ByteView.h"
#include "ntfs/FileContent.h"
#include "platform/FileTimes.h"
#include "save/CopyCompressed.h"
#include "save/CopyRuns.h"
#include "save/FileStart.h"
#include "save/Progress.h"
#include "save/SaveContext.h"
#include "save/StampTimes.h"

namespace vantor {
namespace {

bool WriteResident(const SaveContext& context, const TargetFile& target, ByteView value, bool interactive,
                   const FileTime* time) {
  const uint64_t size = value.size();
  FileEnd end = WriteDestinationFile(context, target, interactive, time, [&](OutputFile& file, uint64_t& written) {
    if (!file.write(value.data(), value.size())) return CopyEnd::kWriteFailed;
    written = size;
    context.savingRun.bytesCopied += size;
    return CopyEnd::kDone;
  });
  if (end == FileEnd::kSaved && interactive) RefreshProgress(context, size, size);
  return end == FileEnd::kSaved;
}

// Writes a file of `size` bytes, of which the first `validBytes` are read, from
// its runs, compressed or not.
bool WriteRunList(const SaveContext& context, const TargetFile& target, uint64_t size, bool interactive,
                  const FileTime* time, const FileContent& content) {
  const MftRunTable& runs = content.runs;
  const uint32_t piece = context.state.geometry.sectorsPerCluster >= 8 ? 8 : 1;
  std::string damage;
  FileEnd end = WriteDestinationFile(context, target, interactive, time,
                                     [&](OutputFile& file, uint64_t& written) {
    if (content.unitSectors != 0)
      return CopyCompressedRuns(context, file, runs, content.unitSectors, size, content.validBytes, interactive,
                                written, damage);
    size_t next = 0;
    RunSupplier supply = [&](SectorRun& run) {
      if (next == runs.count()) return false;
      const DataRun& data = runs.runs()[next++];
      run = {static_cast<int64_t>(data.firstSector), data.sectorCount, data.sparse};
      return true;
    };
    return CopyRuns(context, file, supply, size, content.validBytes, piece, interactive, written);
  });
  if (end == FileEnd::kSaved && !damage.empty() && interactive) context.savingRun.damaged.push_back({target.path, damage});
  return end == FileEnd::kSaved;
}

}  // namespace

bool SaveNtfsFile(const SaveContext& context, std::string destinationPath, const std::u16string& fileName, uint64_t size,
                  uint64_t recordSector, uint8_t stream, bool interactive, char deleted, const RecordTime& fileTime) {
  FileTime time;
  const bool hasTime = NtfsFileTime(fileTime, time);
  context.savingRun.skipFile = 0;
  TargetFile target{std::move(destinationPath), !interactive};
  if (interactive && !StartFile(context, target, fileName, size, deleted)) return false;
  if (size == 0) {
    const auto nothing = [](OutputFile&, uint64_t&) { return CopyEnd::kDone; };
    return WriteDestinationFile(context, target, interactive, hasTime ? &time : nullptr, nothing) == FileEnd::kSaved;
  }
  // A run reads the records through its window; the Open action, outside a run,
  // reads its one record (the window may be of another source by then).
  const RecordRead readRecord = [&](uint64_t first, uint32_t count, uint8_t* buffer) {
    return interactive ? context.savingRun.records.read(context.reader, first, count, buffer)
                       : context.reader.read(first, count, buffer);
  };
  FileContent content;
  FindFileContent(context.reader, readRecord, context.mftRunTable, context.state.geometry, recordSector, size, stream,
                  content);
  switch (content.kind) {
    case FileContent::Kind::kResident:
      return WriteResident(context, target, content.resident, interactive, hasTime ? &time : nullptr);
    case FileContent::Kind::kRuns:
      return WriteRunList(context, target, size, interactive, hasTime ? &time : nullptr, content);
    case FileContent::Kind::kNone:
      break;
  }
  if (interactive) context.savingRun.notSaved.push_back({target.path, "its file record gives no readable data"});
  return false;
}

}  // namespace vantor
