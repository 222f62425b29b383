// The catalog as `vantor scan` prints it: one line per record (folders first,
// then files, each in the order found) with tab-separated fields: kind (D/F),
// deleted flag (y/n), size, the modified, created and accessed dates as the
// browser shows them, and the path under Root joined by "/"; or the same as one
// JSON array of objects.
#pragma once

#include <string>

namespace vantor {
class RecoveryCatalog;
}

namespace vantor::cli {

std::string CatalogLines(const RecoveryCatalog& catalog, bool ntfs);
std::string CatalogJson(const RecoveryCatalog& catalog, bool ntfs);

}  // namespace vantor::cli
