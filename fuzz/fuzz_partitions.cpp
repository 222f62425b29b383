// Fuzzes the partition listing and what follows it on a fuzzed disk: the input's
// 512-byte pieces are sectors 0, 1, 2, ... (sector 0 with its table, extended
// boot records, boot sectors, FATs and directories), everything else reads as
// zeros. Each listed file system has its boot values read and, when they hold,
// is scanned.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "../tests/support/MemoryDevice.h"
#include "fat/FatScan.h"
#include "fat/FatTable.h"
#include "partition/BootValues.h"
#include "partition/PartitionTable.h"
#include "platform/Utf.h"
#include "session/Session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 512) return 0;
  auto disk = std::make_shared<vantor::test::MemoryDisk>();
  disk->Put(0, data, size);
  vantor::Session session;
  vantor::test::UseMemoryDisk(session, disk);
  vantor::ListPartitions(session, session.partitions);
  const auto entries = session.partitions;
  for (const auto& entry : entries) {
    session.state.fileSystemName = vantor::Utf8ToUtf16(entry.fileSystemName);
    session.state.startSector = entry.startSector;
    session.state.endSector = entry.endSector;
    if (vantor::ReadBootValues(session) == 0) continue;
    if (vantor::IsFat(session.state.fileSystem())) vantor::FatScan(session);
    session.catalog.FreeCatalog();
  }
  return 0;
}
