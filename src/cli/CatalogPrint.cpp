#include "cli/CatalogPrint.h"

#include <cstdio>
#include <functional>

#include "catalog/CatalogPaths.h"
#include "catalog/DateText.h"
#include "catalog/RecoveryCatalog.h"

namespace vantor::cli {
namespace {

struct Row {
  char kind;
  char deleted;
  uint64_t size;
  std::string modified, created, accessed;
  std::string path;
  std::string streamOf;  // a named stream's file
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
    emit({'D', f.deleted, 0, date(f.modified), date(f.created), date(f.accessed), paths.FolderPath(i), {}});
  }
  for (size_t i = 0; i < catalog.files().size(); ++i) {
    const FileRecord& f = catalog.files()[i];
    std::string streamOf = f.stream != 0 ? paths.FilePath(OwnerOfStream(catalog, i)) : std::string();
    emit({'F', f.deleted, f.size(), date(f.modified), date(f.created), date(f.accessed), paths.FilePath(i),
          std::move(streamOf)});
  }
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
  ForEachRow(catalog, ntfs, fileSystemNumber, [&](const Row& row) {
    write((first ? "\n" : ",\n") + std::string("{\"kind\":\"") + row.kind + "\",\"deleted\":\"" + row.deleted +
           "\",\"size\":" + std::to_string(row.size) + ",\"modified\":" + JsonString(row.modified) +
           ",\"created\":" + JsonString(row.created) + ",\"accessed\":" + JsonString(row.accessed) +
           ",\"path\":" + JsonString(row.path) +
           (row.streamOf.empty() ? std::string() : ",\"streamOf\":" + JsonString(row.streamOf)) + "}");
    first = false;
  });
  write("\n]\n");
}

}  // namespace vantor::cli
