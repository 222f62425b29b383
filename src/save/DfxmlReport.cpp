#include "save/DfxmlReport.h"

#include <algorithm>
#include <ctime>

#include "core/Sector.h"
#include "core/Sha256.h"

namespace vantor {
namespace {

class RecordingFile : public OutputFile {
 public:
  RecordingFile(std::unique_ptr<OutputFile> inner, std::string path, SavingRun& run,
                std::vector<SavedFileEntry>& entries)
      : inner_(std::move(inner)), path_(std::move(path)), run_(run), entries_(entries) {
    run_.fileRuns.clear();
  }
  bool write(const uint8_t* data, size_t length) override {
    if (!inner_->write(data, length)) return false;
    hash_.Add(data, length);
    size_ += length;
    return true;
  }
  bool commit(const FileTime* time, bool replace) override {
    if (!inner_->commit(time, replace)) return false;
    SavedFileEntry entry{path_, size_, hash_.Finish(), std::nullopt, std::move(run_.fileRuns)};
    if (time != nullptr) entry.modified = *time;
    entries_.push_back(std::move(entry));
    run_.fileRuns.clear();
    return true;
  }
  std::string error() const override { return inner_->error(); }

 private:
  std::unique_ptr<OutputFile> inner_;
  std::string path_;
  SavingRun& run_;
  std::vector<SavedFileEntry>& entries_;
  Sha256 hash_;
  uint64_t size_ = 0;
};

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        // XML 1.0 has no place for control characters but tab and line ends.
        out += static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r' ? '?' : c;
    }
  }
  return out;
}

std::string Element(const char* name, const std::string& value) {
  return std::string("<") + name + ">" + Escaped(value) + "</" + name + ">";
}

}  // namespace

FileCreator RecordingCreator(FileCreator inner, SavingRun& run, std::vector<SavedFileEntry>& entries) {
  run.recordRuns = true;
  return [inner = std::move(inner), &run, &entries](const std::string& path, std::string& error) -> std::unique_ptr<OutputFile> {
    auto file = inner(path, error);
    if (file == nullptr) return nullptr;
    return std::make_unique<RecordingFile>(std::move(file), path, run, entries);
  };
}

std::string DfxmlText(const DfxmlRun& run, const std::vector<SavedFileEntry>& entries) {
  std::string out =
      "<?xml version='1.0' encoding='UTF-8'?>\n"
      "<dfxml xmloutputversion='1.1' xmlns='http://www.forensicswiki.org/wiki/Category:Digital_Forensics_XML'"
      " xmlns:dc='http://purl.org/dc/elements/1.1/'>\n"
      "  <metadata><dc:type>Recovered files</dc:type></metadata>\n"
      "  <creator version='1.0'>\n    " + Element("program", "vantor") + "\n    " + Element("version", run.version) +
      "\n    <execution_environment>" + Element("command_line", run.commandLine) +
      Element("start_time", IsoUtcText({static_cast<int64_t>(std::time(nullptr)), 0})) + "</execution_environment>\n"
      "  </creator>\n  <source>" + Element("image_filename", run.source) + "</source>\n"
      "  <volume offset='" + std::to_string(run.volumeSector * kSectorSize) + "'>\n    " +
      Element("ftype_str", run.fileSystem) + "\n";
  const std::string prefix = run.destination.empty() || run.destination.back() == '/' ? run.destination
                                                                                       : run.destination + "/";
  for (const SavedFileEntry& entry : entries) {
    const std::string path = entry.path.rfind(prefix, 0) == 0 ? entry.path.substr(prefix.size()) : entry.path;
    out += "    <fileobject>\n      " + Element("filename", path) + "\n      " +
           Element("filesize", std::to_string(entry.size)) + "\n";
    if (entry.modified) out += "      " + Element("mtime", IsoUtcText(*entry.modified)) + "\n";
    if (!entry.runs.empty()) {
      out += "      <byte_runs>\n";
      uint64_t offset = 0;
      for (const auto& [first, count] : entry.runs) {
        if (offset >= entry.size) break;
        const uint64_t length = std::min<uint64_t>(count * kSectorSize, entry.size - offset);
        out += "        <byte_run file_offset='" + std::to_string(offset) + "' img_offset='" +
               std::to_string(first * kSectorSize) + "' len='" + std::to_string(length) + "'/>\n";
        offset += length;
      }
      out += "      </byte_runs>\n";
    }
    out += "      <hashdigest type='sha256'>" + entry.sha256 + "</hashdigest>\n    </fileobject>\n";
  }
  return out + "  </volume>\n  " + Element("outcome", run.outcome) + "\n</dfxml>\n";
}

}  // namespace vantor
