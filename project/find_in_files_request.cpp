#include "project/find_in_files_request.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/file_io.h"
#include "platform/temporary_file.h"
#include "remote/output_writer.h"

namespace vandrel::project {

std::int32_t FindInFilesFlags(const FindInFilesValues& values) {
  std::int32_t flags = 0;
  if (values.wholeWord) flags |= remote::kSearchWholeWord;
  if (values.matchCase) flags |= remote::kSearchMatchCase;
  if (values.subdirectories) flags |= remote::kSearchSubdirectories;
  if (values.showProgress) flags |= remote::kSearchProgress;
  if (values.projectFilesOnly) {
    flags |= remote::kSearchProjectFiles;
    flags &= ~remote::kSearchSubdirectories;
  }
  return flags;
}

std::optional<PreparedSearch> PrepareFindInFiles(const FindInFilesValues& values,
                                                 const ProjectItem* files,
                                                 const std::filesystem::path& temporaryFolder,
                                                 std::string* error) {
  PreparedSearch search;
  remote::RequestBlock& request = search.request;
  request.kind = remote::kRequestFindInFiles;
  request.pane = remote::kPaneFindInFiles;
  request.searchFlags = FindInFilesFlags(values);
  request.findText = values.text;
  request.fileTypes = values.fileTypes;
  request.directory = values.directory;
  if (!values.projectFilesOnly) return search;

  std::string list;
  if (files != nullptr) files->ListFiles(list);
  std::optional<platform::TemporaryFile> file =
      platform::TemporaryFile::Create(temporaryFolder, platform::kTemporaryFilePrefix);
  if (!file) {
    if (error) *error = std::string("cannot create the file list: ") + std::strerror(errno);
    return std::nullopt;
  }
  if (!platform::WriteAll(file->fd(), list) || !file->Close()) {
    if (error) *error = std::string("cannot write the file list: ") + std::strerror(errno);
    return std::nullopt;  // the file goes with `file`
  }
  search.listFile = file->Keep();
  request.directory = search.listFile.string();
  return search;
}

bool StartFindInFiles(const FindInFilesValues& values, const ProjectItem* files,
                      const std::filesystem::path& temporaryFolder, OutputPanes& panes,
                      HostRequestFrame& frame, std::string* error) {
  RequestQueue* queue = frame.Queue();
  if (queue == nullptr) {
    if (error) *error = "not connected";
    return false;
  }
  panes.Empty(remote::kPaneFindInFiles);
  panes.ShowPane(remote::kPaneFindInFiles);
  std::optional<PreparedSearch> search = PrepareFindInFiles(values, files, temporaryFolder, error);
  if (!search) return false;
  search->request.completion = [&frame, queue,
                                listFile = search->listFile](remote::RequestBlock& done) {
    if (!listFile.empty()) {
      std::error_code ignored;
      std::filesystem::remove(listFile, ignored);
    }
    if (!queue->AnyQueued()) frame.SetBusy(false);
    if (done.status != remote::kStatusSuccess) frame.RequestFailed(done);
  };
  frame.SetBusy(true);
  queue->Post(search->request);
  return true;
}

}  // namespace vandrel::project
