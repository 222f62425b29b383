// A session on a small FAT16 volume built in memory (FatImage16, one sector per
// cluster) with a scripted host, and its catalog as the tests compare it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "FatImage.h"
#include "MemoryDevice.h"
#include "ScriptedHost.h"
#include "catalog/CatalogPaths.h"
#include "session/Session.h"

namespace vantor::test {

struct FatSession {
  std::shared_ptr<MemoryDisk> disk = std::make_shared<MemoryDisk>();
  FatImage16 image{*disk, 0, 1};
  Session session;
  ScriptedHost host;

  FatSession() {
    UseMemoryDisk(session, disk);
    session.setHost(&host);
    session.state.fileSystemName = u"FAT16";
  }

  // "D path" or "F path" -> deleted flag, for every record.
  std::map<std::string, char> Listing() {
    std::map<std::string, char> listing;
    CatalogPaths paths(session.catalog, 0, 0);
    for (size_t i = 0; i < session.catalog.folders().size(); ++i)
      listing["D " + paths.FolderPath(i)] = session.catalog.folders()[i].deleted;
    for (size_t i = 0; i < session.catalog.files().size(); ++i)
      listing["F " + paths.FilePath(i)] = session.catalog.files()[i].deleted;
    return listing;
  }
};

}  // namespace vantor::test
