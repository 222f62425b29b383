#include "cli/CatalogPrint.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "catalog/CatalogPaths.h"
#include "catalog/DateText.h"
#include "catalog/RecoveryCatalog.h"
#include "save/StampTimes.h"

namespace vantor::cli {
namespace {

struct Row {
  char kind;
  char deleted;
  uint64_t size;
  std::string modified, created, accessed;
  std::string path;
  std::string streamOf;  // a named stream's file
  uint32_t record, parent;
  const RecordTime *modifiedStamp, *createdStamp, *accessedStamp;
  std::string name;
};

// The position of the file whose named stream is file `index`: streams follow
// their file in the catalog.
size_t OwnerOfStream(const RecoveryCatalog& catalog, size_t index) {
  const FileRecord& stream = catalog.files()[index];
  for (size_t i = index; i-- > 0 && index - i <= kMaxStreamsPerFile;) {
    const FileRecord& file = catalog.files()[i];
    if (file.ownKey == stream.ownKey && file.stream == 0) return i;
  }
  return index;
}

// Calls `emit` for every record: folders, then files.
void ForEachRow(const RecoveryCatalog& catalog, bool ntfs, int16_t fileSystemNumber,
                const std::function<void(const Row&)>& emit) {
  const auto date = [ntfs](const RecordTime& time) { return ntfs ? NtfsDateText(time) : FatDateText(time); };
  CatalogPaths paths(catalog, ntfs ? kNtfsRootKey : kFatRootKey, fileSystemNumber);
  for (size_t i = 0; i < catalog.folders().size(); ++i) {
    const FolderRecord& f = catalog.folders()[i];
    if (f.fileSystemNumber != fileSystemNumber) continue;
    emit({'D', f.deleted, 0, date(f.modified), date(f.created), date(f.accessed), paths.FolderPath(i), {}, f.ownKey,
          f.parentKey, &f.modified, &f.created, &f.accessed, f.name.utf8()});
  }
  for (size_t i = 0; i < catalog.files().size(); ++i) {
    const FileRecord& f = catalog.files()[i];
    std::string streamOf = f.stream != 0 ? paths.FilePath(OwnerOfStream(catalog, i)) : std::string();
    emit({'F', f.deleted, f.size(), date(f.modified), date(f.created), date(f.accessed), paths.FilePath(i),
          std::move(streamOf), f.ownKey, f.parentKey, &f.modified, &f.created, &f.accessed, f.name.utf8()});
  }
}

// Seconds since 1970 of a stamp (FAT's local times by this machine's zone), or
// false for a stamp that forms no time.
bool Seconds(const RecordTime& stamp, bool ntfs, int64_t& seconds) {
  FileTime time;
  if (!StampFileTime(stamp, ntfs, time)) return false;
  seconds = time.seconds;
  return true;
}

// "2012-03-05T13:07:09Z" as a JSON string, or null.
std::string IsoUtc(const RecordTime& stamp, bool ntfs) {
  FileTime time;
  const std::string text = StampFileTime(stamp, ntfs, time) ? IsoUtcText(time) : std::string();
  return text.empty() ? "null" : "\"" + text + "\"";
}

}  // namespace

std::string Printable(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void CatalogLines(const RecoveryCatalog& catalog, bool ntfs, int16_t fileSystemNumber, const TextSink& write) {
  // Appended field by field into one line kept from row to row: a scan of a
  // million records should not build a chain of temporary strings for each.
  std::string out;
  ForEachRow(catalog, ntfs, fileSystemNumber, [&](const Row& row) {
    out.clear();
    out += row.kind;
    out += '\t';
    out += row.deleted;
    out += '\t';
    out += std::to_string(row.size);
    for (const std::string* date : {&row.modified, &row.created, &row.accessed}) {
      out += '\t';
      out += *date;
    }
    out += '\t';
    out += Printable(row.path);
    out += '\n';
    write(out);
  });
}

void CatalogJson(const RecoveryCatalog& catalog, bool ntfs, int16_t fileSystemNumber, const TextSink& write) {
  write("[");
  bool first = true;
  std::string out;
  ForEachRow(catalog, ntfs, fileSystemNumber, [&](const Row& row) {
    out = first ? "\n" : ",\n";
    out += "{\"record\":" + std::to_string(row.record) + ",\"parent\":" + std::to_string(row.parent) +
           ",\"folder\":" + (row.kind == 'D' ? "true" : "false") + ",\"deleted\":" +
           (row.deleted == 'y' ? "true" : "false") + ",\"size\":" + std::to_string(row.size) +
           ",\"name\":" + JsonString(row.name) + ",\"path\":" + JsonString(row.path);
    const std::pair<const char*, std::pair<const std::string*, const RecordTime*>> times[] = {
        {"modified", {&row.modified, row.modifiedStamp}},
        {"created", {&row.created, row.createdStamp}},
        {"accessed", {&row.accessed, row.accessedStamp}}};
    for (const auto& [key, time] : times)
      out += ",\"" + std::string(key) + "\":" + JsonString(*time.first) + ",\"" + key + "Utc\":" + IsoUtc(*time.second, ntfs);
    if (!row.streamOf.empty()) out += ",\"streamOf\":" + JsonString(row.streamOf);
    out += "}";
    write(out);
    first = false;
  });
  write("\n]");
}

void CatalogBodyfile(const RecoveryCatalog& catalog, bool ntfs, int16_t fileSystemNumber, const TextSink& write) {
  std::string out;
  ForEachRow(catalog, ntfs, fileSystemNumber, [&](const Row& row) {
    int64_t modified = 0, created = 0, accessed = 0;
    Seconds(*row.modifiedStamp, ntfs, modified);
    Seconds(*row.createdStamp, ntfs, created);
    Seconds(*row.accessedStamp, ntfs, accessed);
    // MD5|name|inode|mode|UID|GID|size|atime|mtime|ctime|crtime; the record's
    // change time is not kept, so it is 0.
    std::string name = "/" + row.path + (row.deleted == 'y' ? " (deleted)" : "");
    std::replace(name.begin(), name.end(), '|', '?');
    out = "0|" + Printable(name) + "|" + std::to_string(row.record) + "|" +
          (row.kind == 'D' ? "d/drwxrwxrwx" : "r/rrwxrwxrwx") + "|0|0|" + std::to_string(row.size) + "|" +
          std::to_string(accessed) + "|" + std::to_string(modified) + "|0|" + std::to_string(created) + "\n";
    write(out);
  });
}

}  // namespace vantor::cli
