// Scans an NTFS partition of a disk image or a VMware disk in-process, and lists
// the catalog the way the tests compare it: "KIND DELETED SIZE PATH" per record,
// with the path under the root joined by "/".
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/ByteView.h"
#include "disk/SectorReader.h"
#include "disk/SourceSelection.h"
#include "ntfs/NtfsScan.h"
#include "ntfs/RunTables.h"
#include "partition/BootValues.h"
#include "session/Session.h"

namespace vantor::test {

// Opens `path` as the source and reads the boot values of the NTFS partition at
// `start` (whose size its boot sector gives); false when that is no NTFS volume.
inline bool OpenNtfsPartition(Session& session, const std::string& path, uint64_t start) {
  if (path.size() > 5 && path.substr(path.size() - 5) == ".vmdk") {
    if (!ChooseSource(session, path).ok) return false;
  } else {
    session.reader.mapDevice("\\\\.\\PhysicalDrive0", path);
  }
  uint8_t boot[512] = {};
  session.reader.read(start, 1, boot);
  ByteView view(boot, sizeof boot);
  if (!view.matches(3, "NTFS")) return false;
  RecoveryState& state = session.state;
  state.fileSystemName = u"NTFS";
  state.startSector = start;
  state.endSector = start + view.le64(40) + 1;
  return ReadBootValues(session) == 1;
}

inline NtfsScanOutcome ScanNtfsPartition(Session& session) {
  const RecoveryState& state = session.state;
  BuildMftRunTable(session, session.mftRunTable, state.startSector, state.geometry.mftSector, state.geometry.sectorsPerCluster);
  return NtfsScan(session, session.mftRunTable);
}

// The path of a record under the root (key 5) through the folder keys.
inline std::string CatalogPath(const std::map<uint32_t, const FolderRecord*>& folders, uint32_t parent,
                               const std::string& name) {
  std::string path = name;
  for (int depth = 0; parent != kNtfsRootKey && depth < 64; ++depth) {
    auto found = folders.find(parent);
    if (found == folders.end()) return "?/" + path;
    path = found->second->name.utf8() + "/" + path;
    parent = found->second->parentKey;
  }
  return path;
}

inline std::set<std::string> CatalogListing(const RecoveryCatalog& catalog) {
  std::map<uint32_t, const FolderRecord*> folders;
  for (const auto& folder : catalog.folders()) folders.emplace(folder.ownKey, &folder);
  std::set<std::string> lines;
  for (const auto& d : catalog.folders())
    lines.insert(std::string("D ") + d.deleted + " 0 " + CatalogPath(folders, d.parentKey, d.name.utf8()));
  for (const auto& f : catalog.files())
    lines.insert(std::string("F ") + f.deleted + " " + std::to_string(f.size()) + " " +
                 CatalogPath(folders, f.parentKey, f.name.utf8()));
  return lines;
}

}  // namespace vantor::test
