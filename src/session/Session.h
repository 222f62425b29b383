// One recovery session: every record that a run of the wizard or of one command
// shares between its steps and its worker. The application owns one; a test makes
// as many as it likes. Nothing here is global.
//
// The session is the composition root: engines never see it whole. Each takes the
// view it works on (the sector reader, a scan, browser or save context), and the
// session converts to each, so that a front end passes `session` where an engine
// asks for its view.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "browser/BrowserContext.h"
#include "browser/FolderTree.h"
#include "catalog/RecoveryCatalog.h"
#include "catalog/ScanContext.h"
#include "core/RecoveryState.h"
#include "core/WorkerHost.h"
#include "disk/SectorReader.h"
#include "imaging/ImageCreation.h"
#include "lost/FatCandidates.h"
#include "ntfs/MftRunTable.h"
#include "partition/PartitionEntry.h"
#include "raw/RawRules.h"
#include "save/OutputFile.h"
#include "save/SaveContext.h"
#include "save/SavingFilter.h"
#include "save/SavingRun.h"

namespace vantor {

class Session {
 public:
  Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  RecoveryState state;
  // The opened source: virtual disk, image or device, and the host answering
  // its bad-sector questions.
  SectorReader reader{state};
  RecoveryCatalog catalog;
  // The file systems listed on the current source, in listing order.
  std::vector<PartitionEntry> partitions;
  // When the run began: the logs' run header shows it.
  std::time_t startTime = 0;
  // What a lost-partition search found: its candidates and file systems, kept
  // from the search to the scan of the chosen one.
  LostSearchLists lostSearch;
  // The runs of the MFT of the volume being scanned (BuildMftRunTable).
  MftRunTable mftRunTable;
  // The Step 4 tree over the catalog, the saving filter and the saving run.
  FolderTree folderTree;
  SavingFilter savingFilter;
  SavingRun savingRun;
  // The copy that disk imaging makes, chosen by its Step 2 (b).
  ImagingRun imagingRun;
  // The file types of the raw recovery being run, built by its Step 2 (b).
  std::vector<FileTypeRule> rawRules;
  // Creates the files the saver writes; tests replace it with a failing writer.
  FileCreator createFile;

  // The host that answers the questions of whatever runs now; never null.
  WorkerHost& host() { return reader.host(); }
  void setHost(WorkerHost* host) { reader.setHost(host); }

  operator SectorReader&() { return reader; }
  operator ScanContext() { return {reader, state, catalog, host()}; }
  operator BrowserContext() { return {state, catalog, folderTree, host()}; }
  operator SaveContext() {
    return {state, reader, catalog, mftRunTable, folderTree, savingFilter, savingRun, createFile, startTime};
  }
};

}  // namespace vantor
