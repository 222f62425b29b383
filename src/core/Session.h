// One recovery session: every record that a run of the wizard or of one command
// shares between its steps and its worker. The application owns one; a test makes
// as many as it likes. Nothing here is global.
#pragma once

#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "browser/FolderTree.h"
#include "catalog/RecoveryCatalog.h"
#include "core/RecoveryState.h"
#include "core/WorkerHost.h"
#include "disk/VirtualDisk.h"
#include "ntfs/MftRunTable.h"
#include "partition/PartitionEntry.h"
#include "platform/RawDevice.h"
#include "save/OutputFile.h"
#include "save/SavingFilter.h"
#include "save/SavingRun.h"

namespace vantor {

// The one cached read handle of a device and the path it was opened with.
struct DeviceHandleCache {
  std::string path;
  std::unique_ptr<RawDevice> device;
};

class Session {
 public:
  Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  RecoveryState state;
  VirtualDisk virtualDisk;
  RecoveryCatalog catalog;
  // The file systems listed on the current source, in listing order.
  std::vector<PartitionEntry> partitions;
  // When the run began: the logs' run header shows it.
  std::time_t startTime = 0;
  DeviceHandleCache deviceCache;
  // The runs of the MFT of the volume being scanned (BuildMftRunTable).
  MftRunTable mftRunTable;
  // Device names as the tables hold them ("\\.\PhysicalDrive0", "\\.\C:") mapped to
  // a device or file of this machine; names not listed are looked up in /sys/block
  // and the mount table.
  std::map<std::string, std::string> deviceMap;
  // Opens a device or file; tests replace it with a failing-sector device.
  DeviceOpener openDevice;
  // The Step 4 tree over the catalog, the saving filter and the saving run.
  FolderTree folderTree;
  SavingFilter savingFilter;
  SavingRun savingRun;
  // Creates the files the saver writes; tests replace it with a failing writer.
  FileCreator createFile;

  // The host that answers the questions of whatever runs now; never null.
  WorkerHost& host() { return *host_; }
  void setHost(WorkerHost* host) { host_ = host != nullptr ? host : &quietHost_; }

 private:
  WorkerHost quietHost_;
  WorkerHost* host_ = &quietHost_;
};

}  // namespace vantor
