// vantor read SOURCE FIRST COUNT: raw sectors of the source to standard output.
#include <unistd.h>

#include <charconv>
#include <iostream>
#include <memory>
#include <new>

#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/Usage.h"
#include "core/Sector.h"
#include "disk/SectorReader.h"
#include "disk/SourceSelection.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

bool ParseNumber(const std::string& text, uint64_t& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool WriteAll(const uint8_t* data, size_t length) {
  while (length > 0) {
    ssize_t put = ::write(STDOUT_FILENO, data, length);
    if (put <= 0) return false;
    data += put;
    length -= static_cast<size_t>(put);
  }
  return true;
}

}  // namespace

int ReadCommand(const Arguments& arguments) {
  const std::string usage = "vantor read SOURCE FIRST COUNT [--ignore-cid]";
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage
              << "\n\nWrites COUNT sectors of 512 bytes from sector FIRST of SOURCE to standard output.\n"
                 "Sectors past the end of the source are refused; sectors a virtual disk does not\n"
                 "hold (unallocated grains) read as zeros.\n"
              << kIgnoreCidHelp;
    return kExitOk;
  }
  uint64_t first = 0, count = 0;
  Arguments args = arguments;
  const bool ignoreCid = TakeFlag(args, "--ignore-cid");
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 3) return UsageError(usage, "read takes SOURCE FIRST COUNT");
  if (!ParseNumber(args[1], first) || !ParseNumber(args[2], count))
    return UsageError(usage, "FIRST and COUNT must be whole numbers");
  Session session;
  session.reader.virtualDisk.setIgnoreParentCid(ignoreCid);
  SourceChoice choice = ChooseSource(session, args[0]);
  if (!choice.ok) return Failure(choice.message);
  if (!choice.message.empty()) std::cerr << "vantor: " << choice.message << "\n";
  if (const uint64_t size = session.reader.sourceSectors(); size != 0 && count != 0 && (first >= size || count > size - first))
    return Failure("sectors " + std::to_string(first) + " to " + std::to_string(first + count - 1) + " lie past the end of " +
                   args[0] + ", which has " + std::to_string(size) + " sectors");
  // 4 MiB batches: long runs of contiguous grains become one read each. The buffer
  // is page-aligned: the kernel copies from the page cache several times slower
  // into a buffer that is not aligned to a cache line (as malloc's large blocks,
  // 16 bytes past a page, are not).
  constexpr uint32_t kBatch = 8192;
  constexpr std::align_val_t kAlignment{4096};
  struct AlignedDelete {
    void operator()(uint8_t* p) const { ::operator delete[](p, kAlignment); }
  };
  const size_t bytes = static_cast<size_t>(kBatch) * kSectorSize;
  std::unique_ptr<uint8_t[], AlignedDelete> buffer(static_cast<uint8_t*>(::operator new[](bytes, kAlignment)));
  for (uint64_t done = 0; done < count;) {
    uint32_t batch = static_cast<uint32_t>(std::min<uint64_t>(kBatch, count - done));
    session.reader.read(first + done, batch, buffer.get());
    if (!WriteAll(buffer.get(), static_cast<size_t>(batch) * kSectorSize)) return Failure("cannot write to standard output");
    done += batch;
    if (Interrupted()) return kExitInterrupted;
  }
  return kExitOk;
}

}  // namespace vantor::cli
