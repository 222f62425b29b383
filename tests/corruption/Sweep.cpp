// The corruption sweep: overwrites random bytes in the metadata of a disk image
// (boot sectors, FATs, directories, MFT records, the VMDK header and grain
// tables), then runs `vantor scan` and `vantor recover` on every variant with a
// time limit. The clean image must scan with exit 0 and list records, and
// recover with exit 0 and write files, or the sweep fails before any variant
// counts. A variant fails when the tool dies of a signal, reports a sanitizer
// error, exits with anything but 0 (done) or 1 (failed, said why), runs longer
// than ten times the clean run, or writes outside the folders it was given. The
// original bytes are put back after each variant, so one copy of the image
// serves the whole sweep.
//
//   vantor_corruption_sweep --vantor BIN --image FILE --layout fat|ntfs|vmdk
//                           [--partition N | --offset SECTOR --select ARGS]
//                           [--boot FILE] [--variants K] [--seed S] [--watch LIB]
// --offset names the volume's first sector where no table leads to it (a lost
// or table-less volume), and --select the arguments that choose it (in place of
// "-p N"), split at spaces. --boot names a copy of the volume's boot sector
// where the image has none, so that the damage still lands in its FATs and
// folders.
#include <fcntl.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSanitizerExit = 86;

struct Options {
  std::string vantor, image, layout, watch, select, boot;
  int partition = 1;
  int64_t offset = -1;
  int variants = 200;
  unsigned seed = 1;
};

struct Range {
  uint64_t offset, length;
};

uint64_t Le(const std::vector<uint8_t>& b, size_t at, size_t width) {
  uint64_t v = 0;
  for (size_t i = width; i-- > 0;) v = (v << 8) | (at + i < b.size() ? b[at + i] : 0);
  return v;
}

std::vector<uint8_t> ReadAt(const std::string& path, uint64_t offset, size_t length) {
  std::vector<uint8_t> bytes(length, 0);
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
  return bytes;
}

// The byte offset of primary partition N of the MBR, or 0 for a volume without one.
uint64_t PartitionOffset(const std::string& image, int partition) {
  auto mbr = ReadAt(image, 0, 512);
  if (partition < 1 || partition > 4) return 0;
  uint64_t start = Le(mbr, 446 + 16 * static_cast<size_t>(partition - 1) + 8, 4);
  bool hasTable = mbr[510] == 0x55 && mbr[511] == 0xAA && start != 0 && !(mbr[0x36] == 'F' || mbr[0x52] == 'F' || mbr[3] == 'N');
  return hasTable ? start * 512 : 0;
}

std::vector<Range> FatRanges(const std::string& image, uint64_t base, const std::string& bootCopy) {
  auto boot = bootCopy.empty() ? ReadAt(image, base, 512) : ReadAt(bootCopy, 0, 512);
  uint64_t reserved = Le(boot, 14, 2), fats = boot[16], rootEntries = Le(boot, 17, 2);
  uint64_t perFat = Le(boot, 22, 2) != 0 ? Le(boot, 22, 2) : Le(boot, 36, 4);
  uint64_t data = base + (reserved + fats * perFat) * 512 + rootEntries * 32;
  return {{base, 512},
          {base + reserved * 512, std::min<uint64_t>(perFat * 512, 64 * 1024)},
          {base + (reserved + perFat) * 512, std::min<uint64_t>(perFat * 512, 16 * 1024)},
          {data - rootEntries * 32, rootEntries * 32},
          {data, 256 * 1024}};
}

std::vector<Range> NtfsRanges(const std::string& image, uint64_t base) {
  auto boot = ReadAt(image, base, 512);
  uint64_t cluster = static_cast<uint64_t>(boot[13]) * Le(boot, 11, 2);
  uint64_t mft = Le(boot, 48, 8), mirror = Le(boot, 56, 8);
  return {{base, 512}, {base + mft * cluster, 512 * 1024}, {base + mirror * cluster, 4096}};
}

std::vector<Range> VmdkRanges(const std::string& image) {
  auto header = ReadAt(image, 0, 512);
  uint64_t overHead = Le(header, 64, 8);
  return {{0, 512}, {512, std::min<uint64_t>(overHead > 1 ? (overHead - 1) * 512 : 0, 1 << 20)}};
}

struct Run {
  bool finished = true;
  int status = 0;
  double seconds = 0;
};

// Runs the tool with its standard output in `output` (or discarded).
Run RunTool(const std::vector<std::string>& args, const Options& options, const std::string& home,
            double limitSeconds, const std::string& output = "/dev/null") {
  auto begin = Clock::now();
  pid_t child = ::fork();
  if (child == 0) {
    int null = ::open("/dev/null", O_RDWR);
    int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(null, 0), ::dup2(out, 1), ::dup2(null, 2);
    ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    ::setenv("VANTOR_CONFIG_DIR", (home + "/config").c_str(), 1);
    ::setenv("TMPDIR", (home + "/tmp").c_str(), 1);
    ::setenv("ASAN_OPTIONS", "exitcode=86:detect_leaks=1:verify_asan_link_order=0", 1);
    ::setenv("UBSAN_OPTIONS", "exitcode=86:halt_on_error=1", 1);
    if (!options.watch.empty()) {
      ::setenv("LD_PRELOAD", options.watch.c_str(), 1);
      ::setenv("VANTOR_WRITE_LOG", (home + "/writes.log").c_str(), 1);
    }
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  Run run;
  for (;;) {
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child) {
      run.status = status;
      break;
    }
    if (std::chrono::duration<double>(Clock::now() - begin).count() > limitSeconds) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      run.finished = false;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  run.seconds = std::chrono::duration<double>(Clock::now() - begin).count();
  return run;
}

// Lines of the write log that name a path outside the allowed folders.
std::vector<std::string> WritesOutside(const std::string& home) {
  std::vector<std::string> outside;
  std::ifstream log(home + "/writes.log");
  std::string line;
  while (std::getline(log, line)) {
    std::string path = line.substr(line.find(' ') + 1);
    bool allowed = path.rfind(home + "/", 0) == 0 || path == "/dev/null" || path == "/dev/tty" ||
                   path.rfind("/dev/pts/", 0) == 0;
    if (!allowed) outside.push_back(line);
  }
  fs::remove(home + "/writes.log");
  return outside;
}

std::string Verdict(const Run& run, double limit) {
  if (!run.finished) return "hang (over " + std::to_string(limit) + " s)";
  if (WIFSIGNALED(run.status)) return "crash (signal " + std::to_string(WTERMSIG(run.status)) + ")";
  if (WEXITSTATUS(run.status) == kSanitizerExit) return "sanitizer report";
  if (WEXITSTATUS(run.status) > 1) return "exit code " + std::to_string(WEXITSTATUS(run.status));
  return {};
}

size_t LineCount(const std::string& path) {
  std::ifstream in(path);
  size_t lines = 0;
  for (std::string line; std::getline(in, line);) lines += !line.empty();
  return lines;
}

size_t FileCount(const std::string& folder) {
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) files += entry.is_regular_file();
  return files;
}

// Why a clean run does not count as one: it must end with exit 0 and give
// something (records listed, files saved); empty when it does.
std::string CleanRunProblem(const Run& run, const std::string& command, size_t given) {
  std::string verdict = Verdict(run, 600);
  if (verdict.empty() && WEXITSTATUS(run.status) != 0) verdict = "exit code " + std::to_string(WEXITSTATUS(run.status));
  if (verdict.empty() && given == 0) verdict = command == "scan" ? "no record listed" : "no file saved";
  return verdict.empty() ? verdict : "clean run of " + command + ": " + verdict;
}

// Every variant's recovery is written and removed again: in memory (/dev/shm)
// when it has room for the image and a few recoveries of it, else in /tmp.
std::string SweepFolder(uint64_t imageBytes) {
  struct statvfs shm {};
  if (::statvfs("/dev/shm", &shm) == 0 && ::access("/dev/shm", W_OK) == 0 &&
      static_cast<uint64_t>(shm.f_bavail) * shm.f_frsize > 4 * imageBytes + (256u << 20))
    return "/dev/shm";
  return "/tmp";
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string key = argv[i], value = argv[i + 1];
    if (key == "--vantor") o.vantor = value;
    else if (key == "--image") o.image = value;
    else if (key == "--layout") o.layout = value;
    else if (key == "--partition") o.partition = std::stoi(value);
    else if (key == "--offset") o.offset = std::stoll(value);
    else if (key == "--select") o.select = value;
    else if (key == "--variants") o.variants = std::stoi(value);
    else if (key == "--seed") o.seed = static_cast<unsigned>(std::stoul(value));
    else if (key == "--watch") o.watch = value;
    else if (key == "--boot") o.boot = value;
    else return false;
  }
  return !o.vantor.empty() && !o.image.empty() && (o.layout == "fat" || o.layout == "ntfs" || o.layout == "vmdk");
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::cerr << "usage: vantor_corruption_sweep --vantor BIN --image FILE --layout fat|ntfs|vmdk "
                 "[--partition N | --offset SECTOR --select ARGS] [--variants K] [--seed S] [--watch LIB]\n";
    return 2;
  }
  if (const char* full = std::getenv("VANTOR_FULL_CAMPAIGN"); full != nullptr && *full == '1') options.variants = 2000;
  if (!fs::exists(options.image)) {
    std::cout << "corruption sweep: " << options.image << " was not built here (its tools are missing); skipped\n";
    return 77;
  }
  std::string pattern = SweepFolder(fs::file_size(options.image)) + "/vantor-sweep-XXXXXX";
  std::string home = ::mkdtemp(pattern.data());
  for (const char* sub : {"/data", "/config", "/tmp", "/out"}) fs::create_directories(home + sub);
  std::string extension = fs::path(options.image).extension().string();
  std::string variant = home + "/variant" + extension;
  fs::copy_file(options.image, variant);
  // A split or flat .vmdk names its extents relative to itself: they come along.
  for (const auto& entry : fs::directory_iterator(fs::path(options.image).parent_path()))
    if (entry.path().stem().string().rfind(fs::path(options.image).stem().string() + "-", 0) == 0)
      fs::copy_file(entry.path(), home + "/variant" + entry.path().filename().string().substr(fs::path(options.image).stem().string().size()));

  uint64_t base = options.layout == "vmdk"  ? 0
                  : options.offset >= 0     ? static_cast<uint64_t>(options.offset) * 512
                                            : PartitionOffset(variant, options.partition);
  std::vector<Range> ranges = options.layout == "fat"    ? FatRanges(variant, base, options.boot)
                              : options.layout == "ntfs" ? NtfsRanges(variant, base)
                                                         : VmdkRanges(variant);
  std::vector<std::string> select;
  std::istringstream words(options.select.empty() ? "-p " + std::to_string(options.partition) : options.select);
  for (std::string word; words >> word;) select.push_back(word);
  std::vector<std::string> scan = {options.vantor, "scan", variant, "--quiet"};
  std::vector<std::string> recover = {options.vantor, "recover", variant, "-o", home + "/out",
                                      "--all", "--on-exists", "replace", "--quiet"};
  scan.insert(scan.begin() + 3, select.begin(), select.end());
  recover.insert(recover.begin() + 3, select.begin(), select.end());
  // The clean run's time is the slowest of three, so that a busy machine does not
  // make a slow-but-finishing variant look like a hang; 5 s is the floor.
  double clean = 0;
  size_t records = 0, files = 0;
  for (int i = 0; i < 3; ++i) {
    const Run scanned = RunTool(scan, options, home, 600, home + "/listing.txt");
    records = LineCount(home + "/listing.txt");
    fs::remove_all(home + "/out");
    fs::create_directories(home + "/out");
    const Run recovered = RunTool(recover, options, home, 600);
    files = FileCount(home + "/out");
    for (const std::string& problem :
         {CleanRunProblem(scanned, "scan", records), CleanRunProblem(recovered, "recover", files)}) {
      if (problem.empty()) continue;
      std::cerr << "corruption sweep of " << options.image << ": " << problem << "\n";
      fs::remove_all(home);
      return 1;
    }
    clean = std::max({clean, scanned.seconds, recovered.seconds});
  }
  double limit = std::max(10 * clean, 5.0);
  if (auto outside = WritesOutside(home); !outside.empty()) {
    std::cerr << "corruption sweep of " << options.image << ": the clean run wrote outside: " << outside[0] << "\n";
    fs::remove_all(home);
    return 1;
  }

  std::mt19937_64 random(options.seed);
  int failures = 0;
  std::fstream file(variant, std::ios::binary | std::ios::in | std::ios::out);
  for (int v = 0; v < options.variants; ++v) {
    struct Saved { uint64_t at; char byte; };
    std::vector<Saved> saved;
    std::string changes;  // "offset=value" of each byte written, to rebuild a failing variant
    int bytes = 1 + static_cast<int>(random() % 16);
    for (int b = 0; b < bytes; ++b) {
      const Range& r = ranges[random() % ranges.size()];
      if (r.length == 0) continue;
      uint64_t at = r.offset + random() % r.length;
      char old = 0;
      file.seekg(static_cast<std::streamoff>(at));
      file.read(&old, 1);
      file.clear();
      saved.push_back({at, old});
      char fresh = static_cast<char>(random());
      changes += " " + std::to_string(at) + "=" + std::to_string(static_cast<uint8_t>(fresh));
      file.seekp(static_cast<std::streamoff>(at));
      file.write(&fresh, 1);
    }
    file.flush();
    for (const auto* command : {&scan, &recover}) {
      Run run = RunTool(*command, options, home, limit);
      std::string verdict = Verdict(run, limit);
      auto outside = WritesOutside(home);
      if (!outside.empty()) verdict += (verdict.empty() ? "" : ", ") + std::string("wrote outside: ") + outside[0];
      if (!verdict.empty()) {
        ++failures;
        std::cerr << "variant " << v << " (" << (*command)[1] << "): " << verdict << "; bytes" << changes << "\n";
      }
    }
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
      file.seekp(static_cast<std::streamoff>(it->at));
      file.write(&it->byte, 1);
    }
    fs::remove_all(home + "/out");
    fs::create_directories(home + "/out");
  }
  file.close();
  std::cout << "corruption sweep of " << options.image << ": " << options.variants << " variants; clean run "
            << records << " records listed, " << files << " files saved, " << clean << " s; limit " << limit << " s\n"
            << (options.variants * 2 - failures) << " passed, " << failures << " failed\n";
  fs::remove_all(home);
  return failures == 0 ? 0 : 1;
}
