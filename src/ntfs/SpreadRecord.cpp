#include "ntfs/SpreadRecord.h"

#include "catalog/RecoveryCatalog.h"
#include "disk/SectorReader.h"
#include "ntfs/MftReading.h"
#include "ntfs/RunTables.h"

namespace vantor {

SpreadRecord::SpreadRecord(SectorReader& reader, const MftRunTable& mft, ByteView base, uint32_t number,
                           std::optional<uint64_t> baseSector)
    : reader_(reader), mft_(mft), base_(base) {
  const VolumeGeometry& geometry = reader.state().geometry;
  std::vector<uint8_t> storage;
  ExtensionRecords listed;
  listed.Reset(number);
  CollectListedRecords(AttributeListBytes(reader, base, static_cast<uint64_t>(geometry.clusterBase),
                                          geometry.sectorsPerCluster, storage),
                       listed);
  numbers_.Reset(number);
  if (listed.count() > 1 && !baseSector) baseSector = MftRecordSector(mft, number);
  for (size_t i = 1; i < listed.count(); ++i)
    if (MftRecordSector(mft, listed[i]) != *baseSector) numbers_.Add(listed[i]);
  loaded_.resize(numbers_.count() - 1);
}

ByteView SpreadRecord::at(size_t i) {
  if (i == 0) return base_;
  Loaded& slot = loaded_[i - 1];
  if (!slot.tried) {
    slot.tried = true;
    slot.ok = ReadMftRecord(reader_, mft_, numbers_[i], slot.bytes.data());
  }
  return slot.ok ? ByteView(slot.bytes.data(), mft_.recordBytes()) : ByteView();
}

std::vector<FileNameValue> SpreadRecord::FileNames(WalkVariant variant, StandardTimes& times) {
  std::vector<FileNameValue> names;
  for (size_t i = 0; i < count(); ++i) CollectFileNames(at(i), variant, names, times);
  return names;
}

uint64_t SpreadRecord::DataSize(WalkVariant variant) {
  uint64_t size = 0;
  for (size_t i = 0; i < count(); ++i)
    if (UnnamedDataSize(at(i), variant, size)) return size;
  return 0;
}

std::vector<SpreadStream> SpreadRecord::Streams() {
  std::vector<SpreadStream> streams;
  for (size_t i = 0; i < count() && streams.size() < kMaxStreamsPerFile; ++i)
    for (NamedStream& stream : NamedStreams(at(i))) {
      if (streams.size() == kMaxStreamsPerFile) break;
      streams.push_back({std::move(stream), i});
    }
  return streams;
}

}  // namespace vantor
