#include "raw/RawRecovery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>

#include "core/AlignedBuffer.h"
#include "core/ElapsedText.h"
#include "core/ProgressReport.h"
#include "core/Sector.h"
#include "core/Sha256.h"
#include "core/SizeText.h"
#include "platform/FreeSpace.h"
#include "raw/RawEnd.h"

namespace vantor {
namespace {

constexpr uint32_t kRawRunSectors = 1000;
// The default search limit and a run more: 20 MB.
constexpr uint32_t kRingSectors = kDefaultSearchLimit + kRawRunSectors;

// The sectors being looked at, read a run at a time into a ring that keeps the
// last sectors read: giving a candidate up goes back to a header within its
// search limit, and those sectors come from the ring, not from the disk again.
// A sector is always followed by the next one (when the range has it), so that
// an end marker that runs over into it is found.
class SectorWindow {
 public:
  SectorWindow(SectorReader& reader, AlignedBuffer& ring, uint64_t end)
      : reader_(reader), ring_(ring), end_(end), slots_(ring.size() / kSectorSize) {}

  ByteView At(uint64_t sector) {
    const uint64_t wanted = std::min<uint64_t>(sector + 2, end_);
    if (sector < low_ || sector > high_) low_ = high_ = sector;
    while (high_ < wanted) {
      const uint64_t slot = high_ % slots_;
      const auto count = static_cast<uint32_t>(std::min<uint64_t>({kRawRunSectors, end_ - high_, slots_ - slot}));
      uint8_t* into = ring_.data() + slot * kSectorSize;
      reader_.read(high_, count, into);
      high_ += count;
      low_ = std::max(low_, high_ > slots_ ? high_ - slots_ : 0);
    }
    const uint64_t bytes = (wanted - sector) * kSectorSize;
    const uint8_t* at = ring_.data() + (sector % slots_) * kSectorSize;
    if (sector % slots_ + (wanted - sector) <= slots_) return ByteView(at, bytes);
    // The next sector wrapped round to the ring's start.
    std::memcpy(pair_.data(), at, kSectorSize);
    std::memcpy(pair_.data() + kSectorSize, ring_.data(), kSectorSize);
    return ByteView(pair_.data(), bytes);
  }

 private:
  SectorReader& reader_;
  AlignedBuffer& ring_;
  uint64_t end_;
  uint64_t slots_;
  uint64_t low_ = 0;   // the sectors [low_, high_) are in the ring
  uint64_t high_ = 0;
  std::array<uint8_t, 2 * kSectorSize> pair_{};
};

enum class Saved { kWritten, kFailed, kStop };

class RawSaver {
 public:
  RawSaver(SectorReader& reader, WorkerHost& host, const RawRun& run, RawOutcome& outcome)
      : reader_(reader), host_(host), run_(run), outcome_(outcome) {
    report_.open(run.folder + "/" + kRawReportFile, std::ios::trunc);
    report_ << "type,file,first sector,sector count,sha256\n";
  }

  Saved Save(uint64_t first, uint64_t count, const std::string& type, uint32_t number) {
    const uint64_t sourceEnd = reader_.sourceSectors();
    // A size field may reach past the source: the file ends with it.
    const uint64_t end = sourceEnd != 0 ? std::min(first + count, sourceEnd) : first + count;
    if (!RoomFor((end - first) * kSectorSize)) return Saved::kStop;
    const std::string folder = folder_ + "/" + type;
    const std::string name = std::to_string(number) + "." + type;
    const std::string path = folder + "/" + name;
    outcome_.lastPath = path;
    host_.setCaption(kCaptionLastName, path);
    ::mkdir(folder.c_str(), 0755);
    // An existing file is overwritten; a link in its place is replaced, never
    // followed out of the folder.
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0 && errno == ELOOP && ::unlink(path.c_str()) == 0) fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return Failed(path, std::strerror(errno));
    Sha256 hash;
    bool written = true;
    for (uint64_t at = first; at < end && written;) {
      const auto part = static_cast<uint32_t>(std::min<uint64_t>(end - at, copy_.size() / kSectorSize));
      reader_.read(at, part, copy_.data());
      const size_t bytes = size_t{part} * kSectorSize;
      written = WriteAll(fd, copy_.data(), bytes);
      if (!written) break;
      hash.Add(copy_.data(), bytes);
      outcome_.bytesRecovered += bytes;
      host_.setCaption(kCaptionRawBytes, MegaGigaText(outcome_.bytesRecovered));
      at += part;
    }
    const std::string reason = written ? std::string() : std::strerror(errno);
    if (::close(fd) != 0 && written) return Failed(path, std::strerror(errno));
    if (!written) return Failed(path, reason);
    // Files written to another folder after the first one filled up are
    // listed by their full path.
    const std::string listed = folder_ == run_.folder ? type + "/" + name : path;
    report_ << type << "," << listed << "," << first << "," << (end - first) << "," << hash.Finish()
            << "\n";
    return Saved::kWritten;
  }

 private:
  // True when the folder has room for `bytes`; when it has not, the user may
  // name another folder (asked again while none is given, unless they choose to
  // stop). False: the search stops.
  bool RoomFor(uint64_t bytes) {
    while (FreeBytes(folder_) <= bytes) {
      host_.messageInfo(kRawFullText);
      std::optional<std::string> other = host_.askOtherFolder();
      while (other && other->empty()) {
        if (host_.question(kRawStopQuestion)) return false;
        other = host_.askOtherFolder();
      }
      if (!other) return false;
      folder_ = *other;
    }
    return true;
  }

  static bool WriteAll(int fd, const uint8_t* data, size_t bytes) {
    while (bytes > 0) {
      const ssize_t done = ::write(fd, data, bytes);
      if (done <= 0) {
        if (done < 0 && errno == EINTR) continue;
        if (done == 0) errno = ENOSPC;
        return false;
      }
      data += done;
      bytes -= static_cast<size_t>(done);
    }
    return true;
  }

  Saved Failed(const std::string& path, const std::string& reason) {
    ::unlink(path.c_str());  // nothing half-written under the name
    outcome_.filesNotWritten += 1;
    outcome_.problems.push_back(path + ": " + reason);
    return Saved::kFailed;
  }

  SectorReader& reader_;
  WorkerHost& host_;
  const RawRun& run_;
  std::string folder_ = run_.folder;
  RawOutcome& outcome_;
  std::ofstream report_;
  std::vector<uint8_t> copy_ = std::vector<uint8_t>(size_t{256} * kSectorSize);
};

}  // namespace

RawOutcome RunRawRecovery(SectorReader& reader, WorkerHost& host, std::vector<FileTypeRule>& rules, const RawRun& run) {
  RawOutcome outcome;
  host.setStepText(kRawSearchText);
  host.setProgressRange(100);
  std::optional<AlignedBuffer> buffer = SectorBuffer(kRingSectors, 8);
  if (!buffer) return outcome;
  const uint64_t end = reader.sourceSectors() != 0 ? std::min(run.end, reader.sourceSectors()) : run.end;
  SectorWindow window(reader, *buffer, end);
  RawSaver saver(reader, host, run, outcome);
  const HeaderTable headers(rules);
  const RawSectorsRead read = [&](uint64_t first, uint32_t count, uint8_t* into) { reader.read(first, count, into); };
  const auto showCounts = [&](uint64_t sector) {
    host.setProgress(ProgressPercent(sector, end));
    host.setCaption(kCaptionFiles, std::to_string(outcome.filesFound));
    host.setCaption(kCaptionRawSector, std::to_string(sector) + " / " + std::to_string(end));
  };
  std::optional<RawCandidate> candidate;
  // While a candidate is looked at, the first later sector where a header
  // stands: giving the candidate up goes on there, as a search resumed at its
  // first sector + 1 would find nothing before it. And the first where a header
  // of another type stands: a file saved goes on there, so that a file swallowed
  // by a false candidate (a PDF after a sector that happens to begin with "PK")
  // is found as well; a header of its own type inside a file (a ZIP's members)
  // is part of it.
  // kNoSector while none was seen; both lie after the candidate's first sector
  // and at most at the sector being looked at.
  constexpr uint64_t kNoSector = UINT64_MAX;
  uint64_t nextHeader = kNoSector;
  uint64_t nextOther = kNoSector;
  // Going back into a file saved, the headers of its own type are part of it
  // up to its end sector.
  size_t savedRule = SIZE_MAX;
  uint64_t savedEnd = 0;
  uint64_t s = run.start;
  for (uint64_t checked = 0;; ++checked) {
    if (s >= end) {
      // The range ended before the open candidate did: it is given up like one
      // at its search limit, so that the files after its first sector are found.
      if (!candidate || nextHeader >= end) break;
      s = nextHeader;
      candidate.reset();
    }
    if (checked % kRawRunSectors == 0) {
      host.pauseGate();
      showCounts(s);
      if (host.stopRequested()) {
        outcome.stopped = true;
        break;
      }
    }
    const ByteView sector = window.At(s);
    HeaderMatch match = headers.Match(ByteView(sector.data(), kSectorSize));
    if (match.rule >= 0 && static_cast<size_t>(match.rule) == savedRule && s <= savedEnd) match = {};
    if (!candidate && match.rule >= 0) {
      candidate.emplace();
      candidate->rule = static_cast<size_t>(match.rule);
      candidate->first = s;
      std::copy(sector.data(), sector.data() + kSectorSize, candidate->firstSector.begin());
      nextHeader = nextOther = kNoSector;
    } else if (candidate && match.rule >= 0) {
      nextHeader = std::min(nextHeader, s);
      if (static_cast<size_t>(match.rule) != candidate->rule) nextOther = std::min(nextOther, s);
    }
    if (!candidate) {
      ++s;
      continue;
    }
    const RawEnd found = FindEnd(sector, s, rules, *candidate, read, end);
    bool giveUp = found.status == EndStatus::kRejected;
    if (found.status == EndStatus::kDecided) {
      if (!found.wanted) {
        giveUp = true;
      } else {
        const Saved saved = saver.Save(candidate->first, found.sectorCount, found.typeName, found.fileNumber);
        if (saved == Saved::kStop) {
          outcome.stopped = true;
          break;
        }
        outcome.filesFound += 1;
        showCounts(s);
        if (nextOther <= s && s > savedEnd) {
          savedRule = candidate->rule;
          savedEnd = s;
        }
        candidate.reset();
        s = std::min(nextOther, s + 1);
        continue;
      }
    }
    if (!giveUp && ++candidate->examined >= rules[candidate->rule].searchLimit) giveUp = true;
    if (giveUp) {
      s = std::min(nextHeader, s + 1);
      candidate.reset();
      continue;
    }
    ++s;
  }
  outcome.sectorReached = std::min(s, end);
  host.setProgress(ProgressPercent(outcome.sectorReached, end));
  return outcome;
}

std::vector<std::string> RawReportLines(const RawOutcome& outcome, const RawRun& run, uint64_t elapsedSeconds) {
  return {"Time Elapsed : " + ElapsedText(elapsedSeconds),
          "Current Sector : " + std::to_string(outcome.sectorReached) + " / " + std::to_string(run.end),
          "Bytes Recovered : " + MegaGigaText(outcome.bytesRecovered),
          "Files Found : " + std::to_string(outcome.filesFound),
          "Last Name : " + outcome.lastPath};
}

}  // namespace vantor
