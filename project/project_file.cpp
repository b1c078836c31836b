#include "project/project_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <map>
#include <optional>

#include "core/message_box.h"
#include "core/progress.h"
#include "core/store_file.h"
#include "core/store_listing.h"
#include "core/store_records.h"
#include "core/store_scramble.h"
#include "core/string_ids.h"
#include "platform/ascii_text.h"
#include "platform/atomic_replacement.h"
#include "platform/ini_file.h"
#include "project/project_ini_format.h"

namespace vandrel::project {

namespace fs = std::filesystem;

// ---- the layout -------------------------------------------------------------

std::vector<SettingDescriptor> ProjectValueRows(ProjectSettings& p, std::string* versionText,
                                                std::int32_t* projectSize) {
  return {
      TextRow("Version", versionText, kVersionTextSize),
      TextRow("Connection", &p.server, kServerSize),
      TextRow("User", &p.user, kUserSize),
      TextRow("Password", &p.password, kPasswordSize),
      NumberRow("MPEHPFSSupport", &p.hpfsSupport),
      NumberRow("MPEPosixShell", &p.posixShell),
      NumberRow("MPELocking", &p.fileLocking),
      NumberRow("MPEUdcLogon", &p.udcLogon),
      NumberRow("MPEUdcEnabled", &p.udcEnabled),
      TextRow("AutoexecCommand", &p.autoexecCommand, kAutoexecSize),
      NumberRow("PortNo", &p.port),
      NumberRow("ProjectSize", projectSize),
      TextRow("EnvironmentVars", &p.environment, kEnvironmentSize),
  };
}

std::string OutputMaskName(std::size_t index) { return "OutputMask" + std::to_string(index); }

std::vector<SettingDescriptor> ItemValueRows(ItemSettings& s, std::int32_t* items) {
  return {
      NumberRow("Folder", &s.folder),
      TextRow("Name", &s.name, kNameSize),
      TextRow("Build", &s.build, kCommandSize),
      NumberRow("BuildFlags", &s.buildFlags),
      TextRow("Compile", &s.compile, kCommandSize),
      NumberRow("CompileFlags", &s.compileFlags),
      TextRow("CompileEcho", &s.compileEcho, kCompileEchoSize),
      TextRow("Location", &s.location, kLocationSize),
      NumberRow("Items", items),
      TextRow("Type", &s.type, kTypeSize),
      NumberRow("TabStops", &s.tabStops),
      NumberRow("ReadOnly", &s.readOnly),
      TextRow("CobolToken", &s.cobolToken, kCobolTokenSize),
      NumberRow("CobolFormat", &s.cobolFormat),
      TextRow("NLSCharSet", &s.nlsCharSet, kCharSetSize),
      NumberRow("CompileOutput", &s.compileOutput),
      NumberRow("NLSTranslate", &s.nlsTranslate),
  };
}

std::string ChildSectionName(std::string_view section, std::size_t index) {
  std::string name(section);
  name += '.';
  name += std::to_string(index);
  return name;
}

std::int64_t LeadingDecimal(std::string_view text) {
  std::size_t at = 0;
  const auto number = platform::ScanDecimal(text, &at, platform::IsAsciiBlank);
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max();
  return number ? number->Clamped(-kLimit, kLimit) : 0;
}

namespace {

std::uint32_t VersionNumber(std::string_view text) {
  const std::int64_t value = LeadingDecimal(text);
  if (value <= 0 || value > std::numeric_limits<std::uint32_t>::max()) return 0;
  return static_cast<std::uint32_t>(value);
}

// ---- reading ----------------------------------------------------------------

// The whole file behind an open handle.
std::optional<std::vector<std::uint8_t>> ReadImage(const StoreFile& file) {
  struct stat st {};
  if (::fstat(file.fd(), &st) != 0) return std::nullopt;
  std::vector<std::uint8_t> image(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < image.size()) {
    const ssize_t n =
        ::pread(file.fd(), image.data() + done, image.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    done += static_cast<std::size_t>(n);
  }
  return image;
}

// Reads sections of one store file image. A sound file is listed once and its
// sections found through an index, so loading a project costs one pass over
// the file however many items it has; a damaged one is read section by
// section with the store's own checks, so what is found and what fails is
// exactly what the store reads.
class SectionReader {
 public:
  explicit SectionReader(std::vector<std::uint8_t> image) : image_(std::move(image)) {
    listing_ = ListStoreImage(image_);
    if (!listing_.valid) return;
    for (std::size_t i = 0; i < listing_.sections.size(); ++i) {
      const auto& section = listing_.sections[i];
      if (section.live) index_.emplace(Folded(section.name), i);  // the first one wins
    }
  }

  bool Read(std::string_view section, std::span<const SettingDescriptor> rows) const {
    if (!listing_.valid) return ReadValuesFromImage(image_, section, rows);
    auto found = index_.find(Folded(section));
    if (found == index_.end()) return false;
    const StoreListedSection& listed = listing_.sections[found->second];
    for (const SettingDescriptor& row : rows) {
      if (row.name.empty()) continue;
      const StoreListedValue* value = nullptr;
      for (const auto& v : listed.values) {
        if (v.live && StoreNamesEqual(v.name, row.name)) {
          value = &v;
          break;
        }
      }
      if (!value || value->type != row.type || value->data.size() > row.size) continue;
      if (row.type == kStorageText && value->data.size() == row.size) continue;
      StoreRowData(row, value->data);
    }
    return true;
  }

  const std::vector<std::uint8_t>& image() const { return image_; }

 private:
  static std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
  }

  std::vector<std::uint8_t> image_;
  StoreListing listing_;
  std::map<std::string, std::size_t> index_;
};

platform::IniFile ParseIni(const std::vector<std::uint8_t>& image) {
  return platform::IniFile::Parse(
      std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
}

// Reports per cent of `total` items as they are counted.
class ItemProgress {
 public:
  ItemProgress(ProgressReporter* reporter, std::int64_t total)
      : reporter_(reporter), total_(total) {}
  void Advance() {
    ++done_;
    if (!reporter_ || total_ <= 0) return;
    const int percent = static_cast<int>(std::min<std::int64_t>(100, done_ * 100 / total_));
    if (percent != shown_) {
      shown_ = percent;
      reporter_->SetProgress(percent);
    }
  }

 private:
  ProgressReporter* reporter_;
  std::int64_t total_;
  std::int64_t done_ = 0;
  int shown_ = -1;
};

// Where an item's values come from: the store file or an older file.
class ItemSource {
 public:
  virtual ~ItemSource() = default;
  virtual bool ReadItem(std::string_view section, ItemSettings& item, std::int32_t* items) = 0;
  virtual bool IsStore() const = 0;
};

class StoreItemSource final : public ItemSource {
 public:
  explicit StoreItemSource(const SectionReader& reader) : reader_(reader) {}
  bool ReadItem(std::string_view section, ItemSettings& item, std::int32_t* items) override {
    const auto rows = ItemValueRows(item, items);
    return reader_.Read(section, rows);
  }
  bool IsStore() const override { return true; }

 private:
  const SectionReader& reader_;
};

class IniItemSource final : public ItemSource {
 public:
  explicit IniItemSource(const platform::IniFile& ini) : ini_(ini) {}
  bool ReadItem(std::string_view section, ItemSettings& item, std::int32_t* items) override {
    return ReadIniItemValues(ini_, section, item, items);
  }
  bool IsStore() const override { return false; }

 private:
  const platform::IniFile& ini_;
};

bool LoadItem(ProjectItem& item, ItemSource& source, const std::string& section,
              std::uint32_t version, ItemProgress& progress) {
  std::int32_t items = 0;
  if (!source.ReadItem(section, item.settings(), &items)) return false;
  if (item.IsProject()) item.settings().folder = 1;
  ConvertOlderItem(item, version, source.IsStore());
  progress.Advance();
  for (std::int32_t i = 0; i < items; ++i) {
    std::string childSection = ChildSectionName(section, static_cast<std::size_t>(i));
    // No store holds a longer section name; this also bounds the depth.
    if (childSection.size() > kStoreMaxNameLength) return false;
    ProjectItem* child = item.AppendChild(ProjectItem::Create(&item, false));
    if (!LoadItem(*child, source, childSection, version, progress)) return false;
  }
  return true;
}

}  // namespace

std::uint32_t ReadFileVersion(const fs::path& path) {
  StoreFile file = StoreFile::Open(path, true, StoreCreation::kOpenExisting);
  if (!file.IsValid()) return 0;
  auto image = ReadImage(file);
  if (!image) return 0;
  std::string versionText;
  const SettingDescriptor row = TextRow("Version", &versionText, kVersionTextSize);
  std::uint32_t version = 0;
  if (ReadValuesFromImage(*image, kProjectSection, {&row, 1})) version = VersionNumber(versionText);
  if (version >= kFirstStoreVersion) return version;
  const platform::IniFile ini = ParseIni(*image);
  if (!IsIniProject(ini)) return version;
  return IniProjectVersion(ini);
}

bool LoadProjectFile(Project& project, const fs::path& path, bool exclusive,
                     const LoadOptions& options) {
  project.CloseFileHandle();
  project.Clear();
  project.SetExclusive(exclusive);
  project.SetVersion(0);

  StoreFile file = StoreFile::Open(path, true, StoreCreation::kOpenExisting);
  if (!file.IsValid()) return false;
  auto image = ReadImage(file);
  if (!image) return false;
  const SectionReader reader(std::move(*image));

  ProjectSettings& settings = project.projectSettings();
  std::string versionText;
  std::int32_t projectSize = 0;
  std::uint32_t version = 0;
  const auto rows = ProjectValueRows(settings, &versionText, &projectSize);
  if (reader.Read(kProjectSection, rows)) {
    version = VersionNumber(versionText);
    settings.outputMasks.clear();
    for (std::size_t n = 0;; ++n) {
      std::string mask;
      const SettingDescriptor maskRow = TextRow(OutputMaskName(n), &mask, kOutputMaskSize);
      if (!reader.Read(kProjectSection, {&maskRow, 1}) || mask.empty()) break;
      settings.outputMasks.push_back(std::move(mask));
    }
  }

  bool loaded = false;
  if (version < kFirstStoreVersion) {
    const platform::IniFile ini = ParseIni(reader.image());
    if (!IsIniProject(ini)) return false;
    ReadIniProjectValues(ini, settings, &projectSize);
    version = IniProjectVersion(ini);
    project.SetVersion(version);
    project.SetProjectSize(projectSize);
    if (!(options.specialOptions & 1)) settings.fileLocking = 0;
    IniItemSource source(ini);
    ItemProgress progress(options.progress, projectSize);
    loaded = LoadItem(project, source, std::string(kProjectSection), version, progress);
  } else {
    project.SetVersion(version);
    project.SetProjectSize(projectSize);
    if (!(options.specialOptions & 1)) settings.fileLocking = 0;
    StoreItemSource source(reader);
    ItemProgress progress(options.progress, projectSize);
    loaded = LoadItem(project, source, std::string(kProjectSection), version, progress);
  }
  // The older format is held too: exclusive mode keeps every project file
  // locked while it is open.
  if (loaded && exclusive) project.FileHandle() = std::move(file);
  return loaded;
}

// ---- writing ----------------------------------------------------------------

namespace {

// Lays out a store file as the store's Write values calls lay out an empty
// file: records appended in call order, each new section linked from the one
// before it (or the header), each new value from the value before it (or its
// section). Names within a section are unique, so no value is ever rewritten
// or retired.
class StoreImageBuilder {
 public:
  StoreImageBuilder() { Append(EncodeStoreHeader(header_)); }

  void WriteValues(std::string_view section, std::span<const SettingDescriptor> rows) {
    OpenSection(section);
    for (const SettingDescriptor& row : rows) {
      if (row.name.empty()) continue;
      std::vector<std::uint8_t> data = RowData(row);
      Scramble(ScrambleDirection::kStore, data);
      ValueRecord record;
      record.offset = static_cast<std::uint32_t>(bytes_.size());
      record.type = row.type;
      record.name = row.name;
      record.dataLength = static_cast<std::uint32_t>(data.size());
      if (lastValue_) {
        lastValue_->next = record.offset;
        Patch(lastValue_->offset, EncodeValueRecord(*lastValue_));
      } else {
        section_.firstValue = record.offset;
        Patch(section_.offset, EncodeSectionRecord(section_));
      }
      Append(EncodeValueRecord(record));
      Append(data);
      lastValue_ = std::move(record);
    }
  }

  // False when the file would outgrow the 32-bit offsets of its records.
  bool Fits() const { return bytes_.size() <= std::numeric_limits<std::uint32_t>::max(); }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  void OpenSection(std::string_view name) {
    if (haveSection_ && StoreNamesEqual(section_.name, name)) return;
    SectionRecord record;
    record.offset = static_cast<std::uint32_t>(bytes_.size());
    record.name = std::string(name);
    if (haveSection_) {
      section_.next = record.offset;
      Patch(section_.offset, EncodeSectionRecord(section_));
    } else {
      header_.firstSection = record.offset;
      Patch(0, EncodeStoreHeader(header_));
    }
    Append(EncodeSectionRecord(record));
    section_ = std::move(record);
    haveSection_ = true;
    lastValue_.reset();
  }

  void Append(const std::vector<std::uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  }
  void Patch(std::size_t offset, const std::vector<std::uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
  }

  std::vector<std::uint8_t> bytes_;
  StoreHeader header_;
  SectionRecord section_;
  bool haveSection_ = false;
  std::optional<ValueRecord> lastValue_;
};

void WriteItem(StoreImageBuilder& builder, const ProjectItem& item, const std::string& section,
               const std::function<void()>& itemWritten) {
  ItemSettings settings = item.settings();
  std::int32_t items = static_cast<std::int32_t>(item.ChildCount());
  builder.WriteValues(section, ItemValueRows(settings, &items));
  if (itemWritten) itemWritten();
  for (std::size_t i = 0; i < item.ChildCount(); ++i)
    WriteItem(builder, *item.Child(i), ChildSectionName(section, i), itemWritten);
}

}  // namespace

std::vector<std::uint8_t> BuildProjectImage(Project& project,
                                            const std::function<void()>& itemWritten) {
  project.SetVersion(kProjectFileVersion);
  project.SetProjectSize(project.TotalItems());

  StoreImageBuilder builder;
  ProjectSettings settings = project.projectSettings();
  std::string versionText = std::to_string(kProjectFileVersion);
  std::int32_t projectSize = project.ProjectSize();
  builder.WriteValues(kProjectSection, ProjectValueRows(settings, &versionText, &projectSize));
  // Reading stops at the first empty mask, so an empty one would hide every
  // mask after it: empty masks are left out and the rest numbered on.
  std::size_t written = 0;
  for (std::string& mask : settings.outputMasks) {
    if (mask.empty()) continue;
    const SettingDescriptor row = TextRow(OutputMaskName(written++), &mask, kOutputMaskSize);
    builder.WriteValues(kProjectSection, {&row, 1});
  }
  WriteItem(builder, project, std::string(kProjectSection), itemWritten);
  if (!builder.Fits()) return {};
  return builder.Take();
}

fs::path BackupName(const fs::path& path) {
  std::string text = path.string();
  const std::size_t dot = text.rfind('.');
  if (dot != std::string::npos && text.find('/', dot) == std::string::npos) text.erase(dot);
  return fs::path(text + ".bak");
}

fs::path ConversionBackupName(const fs::path& path) {
  std::string text = path.string();
  const std::size_t dot = text.rfind('.');
  if (dot != std::string::npos && text.find('/', dot) == std::string::npos) text.erase(dot);
  return fs::path(text + ".000");
}

namespace {

// A save's new file is "<name>.save-XXXXXX" beside the project file, held
// locked from its creation, so a save in progress is never taken for one an
// interrupted save left behind.
platform::ReplacementOptions SaveReplacement() {
  platform::ReplacementOptions options;
  options.infix = ".save-";
  return options;
}

// Keeps the project file that is about to be replaced under the backup name.
// A hard link keeps it at its own name too until the new file takes that
// name, so no moment passes without a whole project file there; where links
// are not supported it is renamed, and the backup is the whole file for the
// moment until the new one is in place. Returns whether `target` was renamed.
bool MakeBackup(const fs::path& target, const fs::path& backup, const SaveOptions& options,
                bool* renamed) {
  *renamed = false;
  std::error_code ec;
  if (!fs::exists(target, ec)) return true;
  fs::remove(backup, ec);
  if (::link(target.c_str(), backup.c_str()) == 0) return true;
  if (::rename(target.c_str(), backup.c_str()) == 0) {
    *renamed = true;
    return true;
  }
  if (options.ui)
    MessageBox(*options.ui, kMbOk | kMbIconWarning, kStrProjectBackupFailed, backup.string());
  return false;
}

}  // namespace

bool SaveProjectFile(Project& project, const fs::path& path, const SaveOptions& options) {
  const std::int32_t total = project.TotalItems();
  ItemProgress progress(options.progress, total + 1);
  std::vector<std::uint8_t> image = BuildProjectImage(project, [&] { progress.Advance(); });
  if (image.empty()) return false;

  platform::RemoveStaleTemporaries(path, SaveReplacement());
  std::optional<platform::AtomicReplacement> replacement =
      platform::AtomicReplacement::Begin(path, nullptr, SaveReplacement());
  if (!replacement || !replacement->Write(image, nullptr) || !replacement->Flush(nullptr)) {
    return false;
  }

  const fs::path& target = replacement->target();
  bool renamed = false;
  const fs::path backup = BackupName(target);
  // A project file named like its own backup has none: the old file must not
  // be deleted to make room for a copy of itself.
  if (options.backup && backup != target) MakeBackup(target, backup, options, &renamed);
  if (!replacement->Commit(nullptr)) {
    if (renamed) ::rename(backup.c_str(), target.c_str());
    return false;
  }

  // The handle of the new file is the project's in exclusive mode: the file
  // was locked from its creation, so it is never open to others.
  project.CloseFileHandle();
  if (project.Exclusive())
    project.FileHandle() = StoreFile::Adopt(replacement->ReleaseDescriptor());
  return true;
}

}  // namespace vandrel::project
