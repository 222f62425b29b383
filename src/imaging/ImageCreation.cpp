#include "imaging/ImageCreation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "core/AlignedBuffer.h"
#include "core/ElapsedText.h"
#include "core/ProgressReport.h"
#include "core/Sector.h"
#include "disk/SourceSelection.h"
#include "logs/Logs.h"
#include "platform/FreeSpace.h"
#include "platform/Folders.h"
#include "platform/OutputFolder.h"
#include "platform/Utf.h"
#include "state/SearchState.h"

namespace vantor {
namespace {

constexpr uint32_t kImagingRunSectors = 8192;  // 4 MiB a read and a write
// The map is written again at least every this many sectors (4 GiB), each time
// after a flush of the piece: a copy that was killed goes on from there. A
// flush waits for the disk, so it is not done more often; a copy stopped by
// the user flushes and maps where it stopped.
constexpr uint64_t kMapEverySectors = uint64_t{1} << 23;
// A map holds a line per unreadable range; one larger than this is not one.
constexpr size_t kMapLimitBytes = size_t{64} << 20;

bool AllZero(const uint8_t* data, size_t bytes) {
  return bytes == 0 || (data[0] == 0 && std::memcmp(data, data + 1, bytes - 1) == 0);
}

std::string Reason(const std::string& what) { return what + ": " + std::strerror(errno); }

// The piece of an image being written. A run of zeros is not written but left
// as a hole, which reads as zeros once the piece is given its length.
class Piece {
 public:
  ~Piece() {
    if (fd_ >= 0) ::close(fd_);
  }

  // Opens piece `index` (`name` in `folder`), whose first sector is `first`,
  // keeping its first `keepBytes` (what an earlier run wrote) and nothing after
  // them. A link or anything but a regular file at the name is refused.
  std::string open(const OutputFolder& folder, const std::string& name, uint64_t index, uint64_t first,
                   uint64_t keepBytes) {
    path_ = folder.path() + "/" + name;
    index_ = index;
    first_ = first;
    bytes_ = keepBytes;
    std::string problem;
    fd_ = folder.openFile(name, true, problem);
    if (fd_ < 0) return "cannot create " + path_ + ": " + problem;
    if (::ftruncate(fd_, static_cast<off_t>(keepBytes)) != 0) return Reason("cannot write " + path_);
    return {};
  }

  std::string write(uint64_t sector, const uint8_t* data, uint32_t count) {
    const uint64_t offset = (sector - first_) * kSectorSize;
    const size_t bytes = size_t{count} * kSectorSize;
    bytes_ = std::max(bytes_, offset + bytes);
    if (AllZero(data, bytes)) return {};
    for (size_t done = 0; done < bytes;) {
      const ssize_t wrote = ::pwrite(fd_, data + done, bytes - done, static_cast<off_t>(offset + done));
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) {
        if (wrote == 0) errno = ENOSPC;
        return Reason("cannot write " + path_);
      }
      done += static_cast<size_t>(wrote);
    }
    return {};
  }

  // Gives the piece its length and flushes it to the disk.
  std::string close() {
    if (fd_ < 0) return {};
    std::string problem;
    if (::ftruncate(fd_, static_cast<off_t>(bytes_)) != 0 || ::fsync(fd_) != 0) problem = Reason("cannot write " + path_);
    if (::close(fd_) != 0 && problem.empty()) problem = Reason("cannot write " + path_);
    fd_ = -1;
    return problem;
  }

  // The piece's length is set too, so that what a map says was written is on
  // the disk whole, trailing holes included.
  void flush() {
    if (fd_ < 0) return;
    if (::ftruncate(fd_, static_cast<off_t>(bytes_)) == 0) ::fdatasync(fd_);
  }
  bool isOpen() const { return fd_ >= 0; }
  uint64_t index() const { return index_; }
  uint64_t first() const { return first_; }
  uint64_t bytes() const { return bytes_; }

 private:
  int fd_ = -1;
  std::string path_;
  uint64_t index_ = 0;
  uint64_t first_ = 0;
  uint64_t bytes_ = 0;
};

uint64_t PieceOf(const ImagingRun& run, uint64_t sector) {
  return run.split ? (sector - run.start) / kImagePieceSectors : 0;
}

// Reads a run; a run that fails is read again sector by sector with the
// bad-sector question, and the sectors that stay unreadable go on the map.
void ReadRun(SectorReader& reader, uint64_t first, uint32_t count, uint8_t* buffer, ImageMap& map) {
  if (reader.readQuietly(first, count, buffer)) return;
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* sector = buffer + size_t{i} * kSectorSize;
    bool read = reader.readQuietly(first + i, 1, sector);
    if (!read && reader.badSectorRetry()) read = reader.readQuietly(first + i, 1, sector);
    if (!read) {
      std::memset(sector, 0, kSectorSize);
      map.addUnreadable(first + i);
    }
  }
}

uint64_t PieceFirst(const ImagingRun& run, uint64_t index) {
  return run.start + index * (run.split ? kImagePieceSectors : 0);
}

std::string PieceFileName(const ImagingRun& run, uint64_t index) { return FileNamePart(PieceName(run.imagePath, index)); }

// The map `name` in `folder` as an earlier run left it; empty when read, else why not.
std::string ReadMap(const OutputFolder& folder, const std::string& name, ImageMap& map) {
  const std::string shown = folder.path() + "/" + name;
  if (folder.kindOf(name) != EntryKind::kFile) return "there is no map " + shown + " of an earlier run";
  const int fd = ::openat(folder.fd(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Reason("cannot read " + shown);
  std::string text;
  char chunk[4096];
  for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0 && text.size() < kMapLimitBytes;)
    text.append(chunk, static_cast<size_t>(got));
  ::close(fd);
  return map.parse(text, shown);
}

bool SaveMap(const OutputFolder& folder, const std::string& name, const ImageMap& map) {
  std::string error;
  auto file = folder.create(name, error);
  const std::string text = map.text();
  return file != nullptr && file->write(reinterpret_cast<const uint8_t*>(text.data()), text.size()) &&
         file->commit(nullptr, true);
}

// Takes the map of the run to resume: of this source and range, and going on
// from the first sector that its pieces do not hold (a piece missing or shorter
// than the map says is copied again from where it ends). `map` comes with this
// run's source identity and is replaced by the one read.
std::string TakeResumedMap(const OutputFolder& folder, const ImagingRun& run, const std::string& mapName,
                           ImageMap& map) {
  const std::string identity = map.source;
  const std::string shown = folder.path() + "/" + mapName;
  if (std::string problem = ReadMap(folder, mapName, map); !problem.empty()) return problem;
  if (map.start != run.start || map.end != run.end)
    return shown + " is the map of the sectors " + std::to_string(map.start) + " to " + std::to_string(map.end) +
           ", not of these";
  if (map.source != identity) return shown + " is the map of another source: " + map.source;
  for (uint64_t index = 0; map.next > run.start && index <= PieceOf(run, map.next - 1); ++index) {
    const uint64_t first = PieceFirst(run, index);
    const uint64_t expected = (std::min(map.next, run.split ? first + kImagePieceSectors : run.end) - first) * kSectorSize;
    struct stat info;
    const std::string name = PieceFileName(run, index);
    const uint64_t held = folder.kindOf(name) == EntryKind::kFile &&
                                  ::fstatat(folder.fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0
                              ? static_cast<uint64_t>(info.st_size)
                              : 0;
    if (held >= expected) continue;
    map.next = first + held / kSectorSize;
    std::erase_if(map.unreadable, [&](const UnreadableRun& range) { return range.first >= map.next; });
    if (!map.unreadable.empty())
      map.unreadable.back().count = std::min(map.unreadable.back().count, map.next - map.unreadable.back().first);
    std::erase_if(map.pieces, [&](const ImagePiece& piece) { return piece.index > index; });
    break;
  }
  return {};
}

// True when the file `target` is one of the files the source reads.
bool IsSource(const struct stat& target, const std::vector<std::string>& sources) {
  for (const std::string& source : sources) {
    struct stat read;
    if (::stat(source.c_str(), &read) == 0 && read.st_dev == target.st_dev && read.st_ino == target.st_ino) return true;
  }
  return false;
}

// A piece left from an earlier, longer image to the same name must not follow
// the new ones: the image source would read it as their continuation. Only the
// pieces that the earlier run's map lists are removed, and never a source.
void RemoveStalePieces(const OutputFolder& folder, const ImagingRun& run, const ImageMap& previous,
                       const std::vector<std::string>& sources) {
  const uint64_t last = PieceOf(run, run.end - 1);
  for (const ImagePiece& piece : previous.pieces) {
    const std::string name = PieceFileName(run, piece.index);
    struct stat info;
    if (piece.index <= last || ::fstatat(folder.fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode))
      continue;
    if (!IsSource(info, sources)) folder.removeMade(name);
  }
}

}  // namespace

std::string PieceName(const std::string& imagePath, uint64_t piece) {
  const std::string stem = imagePath.size() >= 4 ? imagePath.substr(0, imagePath.size() - 4) : imagePath;
  return stem + std::to_string(piece) + ".img";
}

std::string MapName(const std::string& imagePath) {
  std::string name = PieceName(imagePath, 0);
  return name.substr(0, name.size() - 4) + ".map";
}

std::string ImagingSourceIdentity(const RecoveryState& state, SectorReader& reader) {
  const StateSource source = CurrentStateSource(state, reader);
  std::string text = Utf16ToUtf8(source.identity);
  for (const std::u16string* part : {&source.sizeText, &source.typeText, &source.overHeadText})
    if (!part->empty()) text += " | " + Utf16ToUtf8(*part);
  return text;
}

std::string ImageTargetProblem(SectorReader& reader, const ImagingRun& run) {
  std::filesystem::path folder = std::filesystem::path(run.imagePath).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return kImagingNoFolderText;
  const std::vector<std::string> sources = SourcePaths(reader);
  std::string name, problem;
  std::unique_ptr<OutputFolder> target = OpenFolderOf(run.imagePath, sources, name, problem);
  if (target == nullptr) return problem;
  // The piece after this copy's last would be read back as its continuation
  // (Image0.img, Image1.img, ...): one that an earlier copy to this name made
  // goes when this copy ends; any other file there is not this program's to remove.
  const uint64_t after = PieceOf(run, run.end - 1) + 1;
  ImageMap previous;
  const bool mapped = ReadMap(*target, FileNamePart(MapName(run.imagePath)), previous).empty();
  const bool listed = mapped && std::any_of(previous.pieces.begin(), previous.pieces.end(),
                                            [&](const ImagePiece& piece) { return piece.index == after; });
  const std::string first = PieceName(run.imagePath, 0);
  if (!listed && first.size() >= 10 && first.compare(first.size() - 10, 10, "Image0.img") == 0 &&
      target->kindOf(PieceFileName(run, after)) != EntryKind::kNone)
    return PieceName(run.imagePath, after) + " stands beside the image and would be read back as its piece " +
           std::to_string(after) + ": move it away or give the image another name";
  // No piece may be a file that the source reads (an image made earlier and
  // being copied again, an extent of the virtual disk).
  for (uint64_t piece = 0; piece <= PieceOf(run, run.end - 1); ++piece) {
    struct stat target;
    if (::stat(PieceName(run.imagePath, piece).c_str(), &target) != 0) continue;
    if (IsSource(target, sources)) return PieceName(run.imagePath, piece) + " is the source being copied";
  }
  // A resumed run needs room for what is left only, and a full disk stops it
  // with its reason anyway.
  if (!run.resume && (run.end - run.start) * kSectorSize >= FreeBytes(folder.string())) return kImagingNoRoomText;
  return {};
}

std::string DiskTargetProblem(SectorReader& reader, const std::string& device, uint64_t diskBytes,
                              const ImagingRun& run) {
  if ((run.end - run.start) * kSectorSize >= diskBytes) return kImagingNoRoomText;
  std::error_code error;
  const std::string target = std::filesystem::weakly_canonical(device, error).string();
  for (const std::string& source : SourcePaths(reader))
    if (std::filesystem::weakly_canonical(source, error).string() == target)
      return device + " is the source being copied";
  // A disk whose file system (or one of whose partitions) is mounted is in use.
  std::ifstream mounts("/proc/self/mounts");
  for (std::string line; std::getline(mounts, line);) {
    const std::string mounted = line.substr(0, line.find(' '));
    if (mounted.rfind("/dev/", 0) != 0) continue;
    const std::string path = std::filesystem::weakly_canonical(mounted, error).string();
    if (path.rfind(target, 0) == 0) return device + " is in use: " + path + " is mounted";
  }
  return {};
}

ImagingOutcome RunImaging(SectorReader& reader, WorkerHost& host, const ImagingRun& run) {
  ImagingOutcome outcome;
  // Without an identity from the caller, the source's files and size stand for it.
  const std::vector<std::string> sources = SourcePaths(reader);
  const std::string identity =
      !run.sourceIdentity.empty() ? run.sourceIdentity
      : sources.empty()           ? std::to_string(reader.sourceSectors()) + " sectors"
                                  : sources[0] + " (" + std::to_string(reader.sourceSectors()) + " sectors)";
  ImageMap map{identity, run.start, run.end, run.start, {}, {}};
  ImageMap previous;  // what an earlier copy to the same name wrote
  std::unique_ptr<OutputFolder> folder;
  std::string mapName;
  if (!run.toDisk) {
    std::string name, problem;
    folder = OpenFolderOf(run.imagePath, sources, name, problem);
    if (folder != nullptr) {
      mapName = FileNamePart(MapName(run.imagePath));
      if (!ReadMap(*folder, mapName, previous).empty()) previous = {};
      if (run.resume) problem = TakeResumedMap(*folder, run, mapName, map);
    }
    if (!problem.empty()) {
      outcome.failure = problem;
      return outcome;
    }
  }
  host.setProgressRange(100);
  std::optional<AlignedBuffer> buffer = SectorBuffer(kImagingRunSectors, 8);
  if (!buffer) {
    outcome.failure = "out of memory";
    return outcome;
  }
  const uint32_t runSectors = static_cast<uint32_t>(buffer->size() / kSectorSize);
  outcome.lastName = run.toDisk ? run.diskText : std::string();
  Piece piece;
  uint64_t s = map.next;
  uint64_t mapSavedAt = s;
  size_t rangesSaved = map.unreadable.size();
  const auto saveMap = [&] {
    if (piece.isOpen()) map.setPiece(piece.index(), piece.bytes());
    return SaveMap(*folder, mapName, map);
  };
  while (s < run.end) {
    host.pauseGate();
    if (host.stopRequested()) {
      outcome.stopped = true;
      break;
    }
    if (!run.toDisk && (!piece.isOpen() || PieceOf(run, s) != piece.index())) {
      if (piece.isOpen()) map.setPiece(piece.index(), piece.bytes());
      if (std::string problem = piece.close(); !problem.empty()) {
        outcome.failure = problem;
        break;
      }
      const uint64_t index = PieceOf(run, s);
      const uint64_t first = PieceFirst(run, index);
      outcome.lastName = PieceName(run.imagePath, index);
      if (std::string problem = piece.open(*folder, PieceFileName(run, index), index, first, (s - first) * kSectorSize);
          !problem.empty()) {
        outcome.failure = problem;
        break;
      }
    }
    uint64_t count = std::min<uint64_t>(runSectors, run.end - s);
    if (run.split) count = std::min(count, piece.first() + kImagePieceSectors - s);
    const auto sectors = static_cast<uint32_t>(count);
    ReadRun(reader, s, sectors, buffer->data(), map);
    std::string problem;
    if (run.toDisk) {
      if (reader.write(run.diskPath, s - run.start, sectors, buffer->data()) == 0)
        problem = "cannot write to " + run.diskText + " at its sector " + std::to_string(s - run.start);
    } else {
      problem = piece.write(s, buffer->data(), sectors);
    }
    if (!problem.empty()) {
      outcome.failure = problem;
      break;
    }
    s += count;
    map.next = s;
    host.setProgress(ProgressPercent(s, run.end));
    host.setCaption(kCaptionPosition, std::to_string(s) + " / " + std::to_string(run.end));
    host.setCaption(kCaptionLastName, outcome.lastName);
    if (folder != nullptr && (map.unreadable.size() != rangesSaved || s - mapSavedAt >= kMapEverySectors)) {
      // The map must never claim more than is on the disk: a run resumed after
      // a crash trusts it, so the piece is flushed first.
      piece.flush();
      saveMap();
      mapSavedAt = s;
      rangesSaved = map.unreadable.size();
    }
  }
  if (piece.isOpen()) map.setPiece(piece.index(), piece.bytes());
  if (std::string problem = piece.close(); !problem.empty() && outcome.failure.empty()) outcome.failure = problem;
  outcome.sectorReached = s;
  outcome.unreadable = map.unreadable;
  if (folder != nullptr && !saveMap() && outcome.failure.empty())
    outcome.failure = Reason("cannot write " + MapName(run.imagePath));
  if (folder != nullptr && s == run.end && outcome.failure.empty())
    RemoveStalePieces(*folder, run, previous, sources);
  return outcome;
}

std::vector<std::string> ImagingChoiceLines(const ImagingRun& run) {
  if (run.toDisk) return {"Image Creation Type : Disk", "Destination Disk : " + run.diskText};
  return {"Image Creation Type : Image", "Destination Image : " + run.imagePath,
          std::string("Multifile : ") + (run.split ? "Checked" : "Not Checked")};
}

std::vector<std::string> ImagingReportLines(const ImagingOutcome& outcome, const ImagingRun& run,
                                            uint64_t elapsedSeconds) {
  std::vector<std::string> lines = {"Time Elapsed : " + ElapsedText(elapsedSeconds),
                                    "Current Sector : " + std::to_string(outcome.sectorReached) + " / " +
                                        std::to_string(run.end),
                                    "Last Name : " + outcome.lastName};
  uint64_t unreadable = 0;
  for (const UnreadableRun& range : outcome.unreadable) unreadable += range.count;
  if (unreadable > 0)
    lines.push_back("Unreadable Sectors : " + std::to_string(unreadable) + " in " +
                    std::to_string(outcome.unreadable.size()) + " ranges, zeros in the image" +
                    (run.toDisk ? std::string() : ", listed in " + MapName(run.imagePath)));
  if (!outcome.failure.empty()) lines.push_back("Stopped : " + outcome.failure);
  return lines;
}

std::string ImagingClosingText(const ImagingOutcome& outcome) {
  if (outcome.stopped || !outcome.failure.empty()) return kImagingAbortedText;
  uint64_t unreadable = 0;
  for (const UnreadableRun& range : outcome.unreadable) unreadable += range.count;
  if (unreadable > 0)
    return "Image creation completed, but " + std::to_string(unreadable) +
           " sectors could not be read and are zeros in the image.";
  return kImagingCompletedText;
}

void LogImagingReport(const ImagingOutcome& outcome, const ImagingRun& run, uint64_t elapsedSeconds) {
  std::vector<std::string> report{"Analysing Imaging Creation Information : "};
  for (std::string& line : ImagingReportLines(outcome, run, elapsedSeconds)) report.push_back(std::move(line));
  AppendLogSection(kActivityLog, "Step 3 :", report);
  AppendLog(kActivityLog, ImagingClosingText(outcome));
}

}  // namespace vantor
