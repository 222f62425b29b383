#include "raw/RawRecovery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

#include "core/AlignedBuffer.h"
#include "core/ElapsedText.h"
#include "core/ProgressReport.h"
#include "core/Sector.h"
#include "core/Sha256.h"
#include "core/SizeText.h"
#include "disk/SourceSelection.h"
#include "platform/FreeSpace.h"
#include "platform/OutputFolder.h"
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

enum class Saved { kWritten, kFailed, kStop, kNoFolder };

constexpr const char* kReportHeading = "type,file,first sector,sector count,sha256\n";

// The output of a raw search: a folder per type (TYPE/NUMBER.TYPE) and the
// report, all made through the destination's handle. A file is written under a
// temporary name and takes its real name only when whole; a name that is taken
// (a file of an earlier run into the same folder) is never overwritten: the
// file takes the next free number of its type. The report takes the first free
// name of raw-report.csv, raw-report1.csv, ...
class RawSaver {
 public:
  // The folder is opened when the first file goes there: one without room is
  // given up for another before anything is made in it.
  RawSaver(SectorReader& reader, WorkerHost& host, const RawRun& run, RawOutcome& outcome)
      : reader_(reader), host_(host), outcome_(outcome), path_(run.folder) {}

  // Writes the report of the files saved (into the folder named first, made
  // then if no file was found), unless the user gave the folder up.
  void Finish() {
    if (!gaveUp_ && (folder_ != nullptr || Open(path_))) WriteReport();
  }

  Saved Save(uint64_t first, uint64_t count, const std::string& type, uint32_t number) {
    const uint64_t sourceEnd = reader_.sourceSectors();
    // A size field may reach past the source: the file ends with it.
    const uint64_t end = sourceEnd != 0 ? std::min(first + count, sourceEnd) : first + count;
    if (!RoomFor((end - first) * kSectorSize)) return Saved::kStop;
    if (folder_ == nullptr && !Open(path_)) return Saved::kNoFolder;
    std::string problem;
    const OutputFolder* folder = TypeFolder(type, problem);
    uint32_t& next = nextNumber_[type];
    number = std::max(number, next);
    // Names an earlier run took are passed over before anything is written.
    while (folder != nullptr && folder->kindOf(std::to_string(number) + "." + type) != EntryKind::kNone) ++number;
    std::string name = std::to_string(number) + "." + type;
    const std::string shown = folder_->path() + "/" + type + "/";
    outcome_.lastPath = shown + name;
    host_.setCaption(kCaptionLastName, outcome_.lastPath);
    if (folder == nullptr) return Failed(outcome_.lastPath, problem);
    std::unique_ptr<OutputFile> file = folder->create(name, problem);
    if (file == nullptr) return Failed(outcome_.lastPath, problem);
    Sha256 hash;
    if (!Copy(*file, first, end, &hash)) return Failed(outcome_.lastPath, file->error());
    while (!file->commit(nullptr, false)) {
      if (file->error() != std::strerror(EEXIST)) return Failed(outcome_.lastPath, file->error());
      // Taken meanwhile: the same bytes under the next number.
      name = std::to_string(++number) + "." + type;
      outcome_.lastPath = shown + name;
      if ((file = folder->create(name, problem)) == nullptr) return Failed(outcome_.lastPath, problem);
      if (!Copy(*file, first, end, nullptr)) return Failed(outcome_.lastPath, file->error());
    }
    next = number + 1;
    // Files written to another folder after the first one filled up are
    // listed by their full path.
    const std::string listed = folder_->path() == first_ ? type + "/" + name : outcome_.lastPath;
    report_ += type + "," + listed + "," + std::to_string(first) + "," + std::to_string(end - first) + "," +
               hash.Finish() + "\n";
    return Saved::kWritten;
  }

 private:
  bool Open(const std::string& path) {
    std::string problem;
    folder_ = OpenDestination(path, SourcePaths(reader_), problem);
    types_.clear();
    if (folder_ == nullptr) outcome_.failure = problem;
    else if (first_.empty()) first_ = folder_->path();
    return folder_ != nullptr;
  }

  const OutputFolder* TypeFolder(const std::string& type, std::string& problem) {
    std::unique_ptr<OutputFolder>& folder = types_[type];
    if (folder == nullptr) folder = folder_->child(type, true, problem);
    return folder.get();
  }

  // Writes the sectors [first, end) into `file`, counting them as recovered
  // when `hash` is given (the first write of the file). False when a write failed.
  bool Copy(OutputFile& file, uint64_t first, uint64_t end, Sha256* hash) {
    for (uint64_t at = first; at < end;) {
      const auto part = static_cast<uint32_t>(std::min<uint64_t>(end - at, copy_.size() / kSectorSize));
      reader_.read(at, part, copy_.data());
      const size_t bytes = size_t{part} * kSectorSize;
      if (!file.write(copy_.data(), bytes)) return false;
      if (hash != nullptr) {
        hash->Add(copy_.data(), bytes);
        outcome_.bytesRecovered += bytes;
        host_.setCaption(kCaptionRawBytes, MegaGigaText(outcome_.bytesRecovered));
      }
      at += part;
    }
    return true;
  }

  void WriteReport() {
    for (int n = 0; n < 10000; ++n) {
      const std::string name = n == 0 ? std::string(kRawReportFile) : "raw-report" + std::to_string(n) + ".csv";
      std::string problem;
      std::unique_ptr<OutputFile> file = folder_->create(name, problem);
      if (file == nullptr || !file->write(reinterpret_cast<const uint8_t*>(report_.data()), report_.size())) break;
      if (file->commit(nullptr, false)) return;
      if (file->error() != std::strerror(EEXIST)) break;
    }
    outcome_.problems.push_back(folder_->path() + "/" + kRawReportFile + ": the report could not be written");
  }

  // True when the folder has room for `bytes`; when it has not, the user may
  // name another folder (asked again while none is given, unless they choose to
  // stop). False: the search stops.
  bool RoomFor(uint64_t bytes) {
    while (FreeBytes(path_) <= bytes) {
      host_.messageInfo(kRawFullText);
      std::optional<std::string> other = host_.askOtherFolder();
      while (other && other->empty()) {
        if (host_.question(kRawStopQuestion)) return !(gaveUp_ = true);
        other = host_.askOtherFolder();
      }
      if (!other) return !(gaveUp_ = true);
      if (folder_ != nullptr) WriteReport();
      report_ = kReportHeading;
      folder_.reset();
      path_ = *other;
    }
    return true;
  }

  Saved Failed(const std::string& path, const std::string& reason) {
    outcome_.filesNotWritten += 1;
    outcome_.problems.push_back(path + ": " + reason);
    return Saved::kFailed;
  }

  SectorReader& reader_;
  WorkerHost& host_;
  RawOutcome& outcome_;
  std::string path_;  // the folder being written, opened as folder_ once used
  bool gaveUp_ = false;
  std::unique_ptr<OutputFolder> folder_;
  std::string first_;  // the path of the first folder
  std::map<std::string, std::unique_ptr<OutputFolder>> types_;
  std::map<std::string, uint32_t> nextNumber_;
  std::string report_ = kReportHeading;
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
  // The headers of a file's own type inside it are part of it: a sector that
  // lies inside a file saved does not start another of its type (for each
  // type, the sector after the last file saved). Files of one type never
  // overlap, so what a run writes stays within a small multiple of the range
  // however many sectors look like headers.
  std::vector<uint64_t> savedUntil(rules.size(), 0);
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
    if (match.rule >= 0 && s < savedUntil[static_cast<size_t>(match.rule)]) match = {};
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
        if (saved == Saved::kStop || saved == Saved::kNoFolder) {
          outcome.stopped = saved == Saved::kStop;
          break;
        }
        outcome.filesFound += 1;
        showCounts(s);
        // An end found at a marker takes one sector after it, which may hold
        // the next file's start: headers count as inside up to the marker.
        savedUntil[candidate->rule] = s == candidate->first ? s + found.sectorCount : s + 1;
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
  saver.Finish();
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
