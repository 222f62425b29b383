// Fuzzes the loading of saved search states: the input follows the product
// name and the source identity "fuzz", and is loaded as a scan's state when its
// first byte is even, as a search's otherwise. No crash, no hang, and no
// allocation beyond what the file's length can hold.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/WorkerHost.h"
#include "state/SearchState.h"

namespace {

std::string TempPath(bool search) {
  static const std::string base = "/tmp/vantor-fuzz-state-" + std::to_string(::getpid());
  return base + (search ? ".ST2C" : ".ST4");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  const bool search = (data[0] & 1) != 0;
  const std::string path = TempPath(search);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  static const uint8_t kPrefix[] = {'V', 0, 'a', 0, 'n', 0, 't', 0, 'o', 0, 'r', 0, 0, 0,
                                    4,   0, 0,   0, 'f', 0, 'u', 0, 'z', 0, 'z', 0};
  std::fwrite(kPrefix, 1, sizeof kPrefix, file);
  std::fwrite(data + 1, 1, size - 1, file);
  std::fclose(file);
  vantor::RecoveryState state;
  vantor::LostSearchLists lists;
  vantor::RecoveryCatalog catalog;
  vantor::WorkerHost host;
  if (vantor::LoadStateHeader(path, {u"fuzz"}, state, lists).empty())
    vantor::LoadStateLists(state, host, catalog, lists);
  std::remove(path.c_str());
  return 0;
}
