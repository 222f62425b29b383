// The catalog as `vantor scan` prints it: one line per record (folders first,
// then files, each in the order found) with tab-separated fields: kind (D/F),
// deleted flag (y/n), size, the modified, created and accessed dates as the
// browser shows them, and the path under Root joined by "/"; or the same as a
// JSON array of objects (the record's number or first cluster and its parent's,
// booleans for folder and deleted, each date also in ISO 8601 UTC); or The
// Sleuth Kit's body format for `mactime`. The text is handed to `write` a line
// at a time, so that a catalog of a million records is never held twice.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vantor {
class RecoveryCatalog;
}

namespace vantor::cli {

using TextSink = std::function<void(const std::string& text)>;

// Only the folders of file system `fileSystemNumber` are printed (0 but after a
// lost-partition search, whose catalog holds the folders of every file system
// it found).
void CatalogLines(const RecoveryCatalog& catalog, bool ntfs, int16_t fileSystemNumber, const TextSink& write);
void CatalogJson(const RecoveryCatalog& catalog, bool ntfs, int16_t fileSystemNumber, const TextSink& write);
void CatalogBodyfile(const RecoveryCatalog& catalog, bool ntfs, int16_t fileSystemNumber, const TextSink& write);

// A text with its control characters shown as '?', for a tab-separated line.
std::string Printable(const std::string& text);
// A JSON string literal of UTF-8 text.
std::string JsonString(const std::string& text);

}  // namespace vantor::cli
