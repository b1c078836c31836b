// The request kinds that move data over a connection the agent makes back
// to the editor: list-directory, receive-file (to a temporary file or to
// memory), send-file, find-in-files and run-command.
//
// Each opens a listening socket, sends its command with the socket's port,
// waits for the agent to connect (or to answer instead), moves the data and
// reads the final reply. Once the command has gone out, the final reply is
// read whatever happened to the data, so that the command connection stays
// in step – unless the worker is stopping or the command connection has
// gone, when there is nothing left to keep in step. When the data
// connection broke under the transfer and that reply is an error, the
// request fails with the reply (status 2): the agent's account says more
// than the broken connection does, and its answer to an abort ("=!") is one
// the user is not shown. Local failures (a temporary file that cannot be
// written, no memory, a packet over the size asked for) keep their own
// status.
//
// An upload that cannot be finished is reset, never closed in order: the
// orderly close is the agent's sign that the file is complete.
#include <fmt/printf.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <new>
#include <optional>
#include <vector>

#include "core/string_ids.h"
#include "platform/byte_order.h"
#include "platform/byte_source.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "platform/temporary_file.h"
#include "remote/data_listener.h"
#include "remote/operation_support.h"
#include "remote/request_worker.h"

namespace vandrel::remote {

namespace {

// The largest data packets: what the editor accepts on downloads and
// listings, and what it sends on uploads and accepts from searches and
// commands.
constexpr std::size_t kLargeDataPacket = 65535;
constexpr std::size_t kSmallDataPacket = 32767;
// The most a download to memory reserves ahead on the agent's word.
constexpr std::size_t kMaxReserve = std::size_t{256} << 20;

// How a data stream went.
struct StreamOutcome {
  std::int32_t status = kStatusSuccess;
  // The connection broke under the transfer: when the agent's final reply
  // is an error, it tells why (its answer to an abort among others).
  bool connectionFailed = false;
  // No final reply is read: the worker stops, or the command connection is
  // gone.
  bool skipReply = false;
};

// The outcome of a packet read that did not deliver a packet or the end.
StreamOutcome ReadFailure(RequestBlock& request, DataListener::Read read) {
  switch (read) {
    case DataListener::Read::kBroken:
      request.errorNumber = errno;
      return {kStatusReceiveFailed, true, false};
    case DataListener::Read::kTooLong:
      // The agent broke the packet size it was given; the rest of the
      // stream cannot be trusted.
      return {kStatusBadReply, false, false};
    case DataListener::Read::kStopped:
      return {kStatusCancelled, false, true};
    case DataListener::Read::kLost:
      request.errorNumber = errno;
      return {kStatusReceiveFailed, false, true};
    case DataListener::Read::kPacket:
    case DataListener::Read::kEnd:
      break;
  }
  return {};
}

struct Exchange {
  std::int32_t status = kStatusSuccess;
  std::string reply;  // the final reply, for the operation to judge (status 0)
};

// Sends `command` (the listener is open), waits for the agent, runs
// `stream` on the accepted connection and reads the final reply. With
// `answerDecides` (run-command) an agent that answers instead of connecting
// is no failure: its reply is the final reply.
Exchange RunDataCommand(RequestBlock& request, const CommandLink& link, DataListener& data,
                        std::string_view command, bool answerDecides,
                        const std::function<StreamOutcome(DataListener&)>& stream) {
  Exchange result;
  errno = 0;
  if (link.Send(command) == 0) {
    request.errorNumber = errno;
    result.status = kStatusSendFailed;
    return result;
  }

  StreamOutcome outcome;
  switch (data.WaitForAgent()) {
    case DataListener::Arrival::kStopped:
      result.status = kStatusCancelled;
      return result;
    case DataListener::Arrival::kFailed:
      request.errorNumber = errno;
      outcome.status = kStatusWaitFailed;
      break;
    case DataListener::Arrival::kAnswered: {
      data.CloseAll();
      std::string reply;
      result.status = link.AwaitReply(request, reply);
      if (result.status != kStatusSuccess) return result;
      if (answerDecides) {
        result.reply = std::move(reply);
        return result;
      }
      // The agent refused the command; an error reply says why. A success
      // reply without a connection leaves the error text empty.
      if (!IsSuccessReply(reply)) {
        result.status = FailWithAgentReply(request, reply);
        return result;
      }
      request.errorText.clear();
      request.errorNumber = 0;
      result.status = kStatusAgentError;
      return result;
    }
    case DataListener::Arrival::kConnected:
      if (!data.Accept()) {
        request.errorNumber = errno;
        outcome.status = kStatusAcceptFailed;
      } else {
        outcome = stream(data);
      }
      break;
  }
  data.CloseAll();
  if (outcome.skipReply) {
    result.status = outcome.status;
    return result;
  }

  const std::int64_t streamError = request.errorNumber;
  std::string reply;
  const std::int32_t read = link.AwaitReply(request, reply);
  if (outcome.status != kStatusSuccess) {
    if (read == kStatusSuccess && outcome.connectionFailed && !IsSuccessReply(reply)) {
      result.status = FailWithAgentReply(request, reply);
    } else {
      request.errorNumber = streamError;
      result.status = outcome.status;
    }
    return result;
  }
  result.status = read;
  result.reply = std::move(reply);
  return result;
}

// Makes the temporary file of a receive-to-file request, created for
// writing and held with no sharing. 0 or the failure status.
std::int32_t MakeTemporaryFile(RequestBlock& request, const std::filesystem::path& folder,
                               std::optional<platform::TemporaryFile>& file) {
  file = platform::TemporaryFile::Create(folder);
  if (!file) {
    request.errorNumber = errno;
    // A name cannot be made in a folder that is not there or too deep;
    // anything else is a failure to create the file.
    const bool noName =
        errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG || errno == EEXIST;
    return noName ? kStatusTempNameFailed : kStatusTempCreateFailed;
  }
  // The name travels in a 260-character field.
  if (file->path().string().size() > kMaxRequestPath) {
    file.reset();
    return kStatusTempNameFailed;
  }
  if (!platform::TryLockFile(file->fd(), platform::LockKind::kExclusive)) {
    request.errorNumber = errno;
    file.reset();
    return kStatusTempCreateFailed;
  }
  return kStatusSuccess;
}

std::int32_t ReceiveFileExchange(RequestBlock& request, const CommandLink& link,
                                 const RequestServices& services) {
  const bool toFile = request.kind == kRequestReceiveToFile;
  if (!WithinLimit(request, request.hostPath, kMaxRequestPath, "host path")) return kStatusRefused;
  TransferProgress progress(services.progress, (request.options & kOptionProgress) != 0,
                            kStrLoadingHostFile, request.hostPath);

  DataListener data(link.command(), link.worker());
  if (!data.Listen()) {
    request.errorNumber = errno;
    return kStatusListenFailed;
  }
  std::optional<platform::TemporaryFile> file;  // removed on every way out but success
  if (toFile) {
    const std::int32_t status = MakeTemporaryFile(request, services.temporaryFolder, file);
    if (status != kStatusSuccess) return status;
  }

  std::string received;
  std::string packet;
  auto stream = [&](DataListener& connection) -> StreamOutcome {
    // First the size, for the progress display only.
    DataListener::Read read = connection.ReceivePacket(packet, kLargeDataPacket);
    if (read == DataListener::Read::kEnd) return {kStatusReceiveFailed, true, false};
    if (read != DataListener::Read::kPacket) return ReadFailure(request, read);
    if (packet.size() != 4) return {kStatusBadReply, false, false};
    const std::uint32_t announced = platform::ReadBigEndian32(packet.data());
    progress.SetTotal(announced);
    if (!toFile) {
      // Room for the announced size saves regrowing (and copying) the
      // buffer as the bytes come. A hint, not a limit: a wrong size only
      // costs the regrowing again, and a huge one is not taken at its word.
      try {
        received.reserve(std::min<std::size_t>(announced, kMaxReserve));
      } catch (const std::bad_alloc&) {
      }
    }
    while (true) {
      read = connection.ReceivePacket(packet, kLargeDataPacket);
      if (read == DataListener::Read::kEnd) return {};
      if (read != DataListener::Read::kPacket) return ReadFailure(request, read);
      if (toFile) {
        if (!platform::WriteAll(file->fd(), packet)) {
          request.errorNumber = errno;
          return {kStatusTempWriteFailed, false, false};
        }
      } else {
        try {
          received.append(packet);
        } catch (const std::bad_alloc&) {
          return {kStatusOutOfMemory, false, false};
        }
      }
      progress.Add(packet.size());
    }
  };

  const std::string command =
      fmt::sprintf("=SEND_FILE %hu %d %c %d %s", data.port(), static_cast<int>(kLargeDataPacket),
                   TransferModeLetter(request.options), SendFileOptionsNumber(request.options),
                   request.hostPath);
  const Exchange exchange = RunDataCommand(request, link, data, command, false, stream);
  if (exchange.status != kStatusSuccess) return exchange.status;
  const std::int32_t replied = ReadTransferReply(request, exchange.reply);
  if (replied != kStatusSuccess) return replied;

  if (toFile) {
    if (!file->Close()) {
      request.errorNumber = errno;
      return kStatusTempWriteFailed;
    }
    request.localPath = file->Keep().string();
  } else {
    request.buffer = std::move(received);
  }
  return kStatusSuccess;
}

std::int32_t SendFileExchange(RequestBlock& request, const CommandLink& link,
                              const RequestServices& services) {
  if (!WithinLimit(request, request.hostPath, kMaxRequestPath, "host path") ||
      !WithinLimit(request, request.localPath, kMaxRequestPath, "local file name")) {
    return kStatusRefused;
  }
  TransferProgress progress(services.progress, (request.options & kOptionProgress) != 0,
                            kStrSavingHostFile, request.hostPath);

  DataListener data(link.command(), link.worker());
  if (!data.Listen()) {
    request.errorNumber = errno;
    return kStatusListenFailed;
  }
  const std::unique_ptr<platform::FileSource> file = platform::FileSource::Open(request.localPath);
  if (!file) {
    request.errorNumber = errno;
    return kStatusLocalOpenFailed;
  }
  struct stat status {};
  if (::fstat(file->fd(), &status) == 0)
    progress.SetTotal(static_cast<std::uint64_t>(status.st_size));

  std::vector<std::uint8_t> block(kSmallDataPacket);
  auto stream = [&](DataListener& connection) -> StreamOutcome {
    while (true) {
      const std::int64_t got = file->Read(block);
      if (got < 0) {
        request.errorNumber = errno;
        connection.BreakData();
        return {kStatusLocalOpenFailed, false, false};
      }
      if (got == 0) break;
      const std::string_view bytes(reinterpret_cast<const char*>(block.data()),
                                   static_cast<std::size_t>(got));
      switch (connection.SendPacket(bytes)) {
        case DataListener::Io::kDone:
          break;
        case DataListener::Io::kStopped:
          connection.BreakData();
          return {kStatusCancelled, false, true};
        case DataListener::Io::kLost:
          request.errorNumber = errno;
          connection.BreakData();
          return {kStatusReceiveFailed, false, true};
        case DataListener::Io::kClosed:
        case DataListener::Io::kFailed:
          request.errorNumber = errno;
          connection.BreakData();
          return {kStatusSendFailed, true, false};
      }
      progress.Add(bytes.size());
    }
    // The orderly close is what tells the agent that the file is complete.
    connection.CloseData();
    return {};
  };

  const std::string command =
      fmt::sprintf("=RECV_FILE %hu %d %c %d %s", data.port(), static_cast<int>(kSmallDataPacket),
                   TransferModeLetter(request.options), ReceiveFileOptionsNumber(request.options),
                   request.hostPath);
  const Exchange exchange = RunDataCommand(request, link, data, command, false, stream);
  if (exchange.status != kStatusSuccess) return exchange.status;
  const std::int32_t replied = ReadTransferReply(request, exchange.reply);
  // A locked upload's reply carries the lock, not the name.
  if (replied != kStatusSuccess || (request.options & kOptionKeepLocked)) return replied;
  if (request.options & kOptionNameWritten) {
    // A success reply without a name leaves the host path as it was.
    const std::optional<std::string_view> written = ReplyResult(exchange.reply);
    if (written && !written->empty()) {
      if (!ResultWithinLimit(request, *written, kMaxRequestPath, "host file name")) {
        return kStatusRefused;
      }
      request.hostPath.assign(*written);
    }
  }
  return kStatusSuccess;
}

std::int32_t ListDirectoryExchange(RequestBlock& request, const CommandLink& link) {
  if (!WithinLimit(request, request.hostPath, kMaxRequestPath, "host path")) return kStatusRefused;
  DataListener data(link.command(), link.worker());
  if (!data.Listen()) {
    request.errorNumber = errno;
    return kStatusListenFailed;
  }

  std::string listing;
  std::string packet;
  auto stream = [&](DataListener& connection) -> StreamOutcome {
    while (true) {
      const DataListener::Read read = connection.ReceivePacket(packet, kLargeDataPacket);
      if (read == DataListener::Read::kEnd) return {};
      if (read != DataListener::Read::kPacket) return ReadFailure(request, read);
      try {
        listing.append(packet);
      } catch (const std::bad_alloc&) {
        return {kStatusOutOfMemory, false, false};
      }
    }
  };

  const std::string command =
      fmt::sprintf("=LIST_DIR %hu %d %i %s", data.port(), static_cast<int>(kLargeDataPacket),
                   request.listFlag != 0 ? 1 : 0, request.hostPath);
  const Exchange exchange = RunDataCommand(request, link, data, command, false, stream);
  if (exchange.status != kStatusSuccess) return exchange.status;
  if (!IsSuccessReply(exchange.reply)) return FailWithAgentReply(request, exchange.reply);
  request.buffer = std::move(listing);
  return kStatusSuccess;
}

// Reads a stream of output blocks, each handed to the output writer as it
// arrives.
std::function<StreamOutcome(DataListener&)> OutputStream(RequestBlock& request,
                                                         OutputWriter* output, int pane,
                                                         std::string& packet) {
  return [&request, output, pane, &packet](DataListener& connection) -> StreamOutcome {
    while (true) {
      const DataListener::Read read = connection.ReceivePacket(packet, kSmallDataPacket);
      if (read == DataListener::Read::kEnd) return {};
      if (read != DataListener::Read::kPacket) return ReadFailure(request, read);
      if (output) output->WriteOutput(pane, packet);
    }
  };
}

std::int32_t FindExchange(RequestBlock& request, const CommandLink& link,
                          const RequestServices& services, std::string_view directory,
                          std::int32_t searchFlags) {
  DataListener data(link.command(), link.worker());
  if (!data.Listen()) {
    request.errorNumber = errno;
    return kStatusListenFailed;
  }
  std::string packet;
  const std::string command = fmt::sprintf(
      "=FIND_INFILES %hu %d %ld \"%s\" \"%s\" %s", data.port(), static_cast<int>(kSmallDataPacket),
      static_cast<long>(searchFlags), std::string(directory), request.fileTypes, request.findText);
  const Exchange exchange =
      RunDataCommand(request, link, data, command, false,
                     OutputStream(request, services.output, kPaneFindInFiles, packet));
  if (exchange.status != kStatusSuccess) return exchange.status;
  if (!IsSuccessReply(exchange.reply)) return FailWithAgentReply(request, exchange.reply);
  return kStatusSuccess;
}

std::int32_t RunCommandExchange(RequestBlock& request, const CommandLink& link,
                                const RequestServices& services) {
  if (!WithinLimit(request, request.echoLine, kMaxCommandLine, "echo line") ||
      !WithinLimit(request, request.commandLine, kMaxCommandLine, "command line")) {
    return kStatusRefused;
  }
  DataListener data(link.command(), link.worker());
  if (!data.Listen()) {
    request.errorNumber = errno;
    return kStatusListenFailed;
  }

  std::string reply;
  const std::int32_t asked = link.Ask(request, fmt::sprintf("=SET_PORT %hu", data.port()), reply);
  if (asked != kStatusSuccess) return asked;
  if (!IsSuccessReply(reply)) return FailWithAgentReply(request, reply);

  // The command-line window (255) shows what was typed itself.
  if (!request.echoLine.empty() && request.pane >= kPaneOutput && request.pane <= kPaneDebug &&
      services.output) {
    services.output->WriteLine(request.pane, request.echoLine);
  }

  std::string packet;
  const Exchange exchange =
      RunDataCommand(request, link, data, request.commandLine, true,
                     OutputStream(request, services.output, request.pane, packet));
  if (exchange.status != kStatusSuccess) return exchange.status;
  if (!IsSuccessReply(exchange.reply)) return FailWithAgentReply(request, exchange.reply);
  // What follows the status: tandrill's exit status of a command that ran
  // but failed (empty when it succeeded).
  request.replyText = std::string(ReplyResult(exchange.reply).value_or(std::string_view()));
  return kStatusSuccess;
}

}  // namespace

std::int32_t RequestWorker::ReceiveFile(RequestBlock& request) {
  request.buffer.clear();
  if (request.kind == kRequestReceiveToFile) request.localPath.clear();
  return ReceiveFileExchange(request, Link(), services());
}

std::int32_t RequestWorker::SendFile(RequestBlock& request) {
  return SendFileExchange(request, Link(), services());
}

std::int32_t RequestWorker::ListDirectory(RequestBlock& request) {
  request.buffer.clear();
  return ListDirectoryExchange(request, Link());
}

std::int32_t RequestWorker::FindInFiles(RequestBlock& request) {
  if (!WithinLimit(request, request.findText, kMaxFindText, "text to find") ||
      !WithinLimit(request, request.fileTypes, kMaxFindText, "file types") ||
      !WithinLimit(request, request.directory, kMaxRequestPath, "folder")) {
    return kStatusRefused;
  }
  std::string directory = request.directory;
  std::int32_t searchFlags = request.searchFlags;
  if (searchFlags & kSearchProjectFiles) {
    // The local list of files goes to the host first; the agent keeps it
    // for the session and names it.
    RequestBlock upload;
    upload.kind = kRequestSendFile;
    upload.options = 0x1 | 0x2 | kOptionNameWritten;
    upload.localPath = request.directory;
    // The step's error text goes with its status: without it an agent error
    // would reach the user as an error without text.
    if (RunStep(&RequestWorker::SendFile, upload) != kStatusSuccess) {
      return FailWithStep(request, upload);
    }
    if (upload.hostPath.empty()) return kStatusBadReply;
    directory = upload.hostPath;
    searchFlags |= kSearchListIsHostFile;
  }
  return FindExchange(request, Link(), services(), directory, searchFlags);
}

std::int32_t RequestWorker::RunCommand(RequestBlock& request) {
  return RunCommandExchange(request, Link(), services());
}

}  // namespace vandrel::remote
