// Fuzzes the file-record decoders and the run-list decoder with one record of
// fuzzed bytes, then the MFT run table and the scan on a small volume whose
// records 0 and 5 are that record.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../tests/support/MemoryDevice.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/DataRuns.h"
#include "ntfs/ExtensionRecords.h"
#include "ntfs/FileName.h"
#include "ntfs/IndexDecoders.h"
#include "ntfs/NtfsRecord.h"
#include "ntfs/NtfsScan.h"
#include "ntfs/RunTables.h"
#include "ntfs/UpdateSequence.h"
#include "session/Session.h"

namespace {

using namespace vantor;

constexpr uint64_t kVolumeSectors = 128;
constexpr uint64_t kMftSector = 16;

void DecodeRecord(std::vector<uint8_t>& bytes) {
  RestoreUpdateSequence(bytes.data(), bytes.size());
  ByteView record(bytes.data(), bytes.size());
  FileNameValue name;
  StandardTimes times;
  uint64_t size = 0;
  for (WalkVariant variant : {WalkVariant::kNormalScan, WalkVariant::kExhaustiveScan}) {
    PickFileName(record, variant, name, times);
    UnnamedDataSize(record, variant, size);
    std::vector<FileNameValue> names;
    CollectFileNames(record, variant, names, times);
    if (!names.empty() && NamesToList(names).empty()) std::abort();  // a record with names is listed
  }
  FindDataAttribute(record);
  NamedStreams(record);
  IndexRootDirectoryNumber(record);
  FirstIndexCluster(record);
  IndexBlockHeader header;
  ReadIndexBlockHeader(record, header);
  ExtensionRecords extensions;
  extensions.Reset(0);
  CollectExtensionRecords(record, extensions);
  ForEachAttribute(record, [&](const AttributeHeader& attribute) {
    if (attribute.nonResident) {
      MftRunTable runs;
      DecodeRunList(record.sub(attribute.offset + record.le16(attribute.offset + 32)), 0, 8, runs);
    }
    return true;
  });
}

// A volume of the fuzzed record at records 0 and 5 of an MFT at sector 16.
void ScanVolume(const std::vector<uint8_t>& record) {
  const uint32_t recordSectors = static_cast<uint32_t>(record.size() / 512);
  auto volume = std::make_shared<test::MemoryDisk>();
  volume->Put(kMftSector, record.data(), record.size());
  volume->Put(kMftSector + 5 * recordSectors, record.data(), record.size());
  Session session;
  test::UseMemoryDisk(session, volume);
  session.state.endSector = kVolumeSectors;
  session.state.geometry.sectorsPerMftRecord = recordSectors;
  BuildMftRunTable(session, session.mftRunTable, 0, kMftSector, 1);
  NtfsScan(session, session.mftRunTable);
  BuildRunTable(session, session.mftRunTable, 0, kMftSector, 'F', 1);
  BuildRunTable(session, session.mftRunTable, 0, kMftSector, 'D', 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Inputs longer than the usual record are records of the largest size.
  std::vector<uint8_t> record(size > 1024 ? kMaxMftRecordBytes : 1024, 0);
  std::memcpy(record.data(), data, std::min(size, record.size()));
  std::vector<uint8_t> decoded = record;
  DecodeRecord(decoded);
  // Most inputs would fail the magic test; give every input a chance at the scan.
  std::memcpy(record.data(), "FILE", 4);
  ScanVolume(record);
  return 0;
}
