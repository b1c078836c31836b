// The commands that move data over a connection the agent makes back to the
// client: directory listings ("=LIST_DIR"), downloads ("=SEND_FILE", host to
// client) and uploads ("=RECV_FILE", client to host). Each names the port
// the client listens on; the agent connects to the client's address on it,
// moves the data as packets and closes the connection, and only then is the
// command answered on the command connection. A command refused before any
// data moves is answered at once and no connection is made.
//
// Downloads start with a packet of 4 bytes, the file's size big-endian, and
// end with an empty packet. Uploads end when the client closes the data
// connection between two packets (an empty packet ends them too); a stream
// that stops inside a packet, or a connection that fails, is a broken upload
// and leaves the host file as it was, since the new content is written to a
// temporary file beside it and renamed into place only when it is whole.
#pragma once

#include <string>
#include <string_view>

#include "agent/abort_watch.h"
#include "agent/host_tree.h"
#include "agent/session.h"
#include "agent/temporary_uploads.h"

namespace vandrel::agent {

// What the transfer commands need of the session.
struct TransferContext {
  const HostTree& tree;
  const std::string& currentDirectory;
  const std::string& clientAddress;  // the address the data connections go to
  SessionLocks& locks;
  AbortWatch& abort;          // "=!" ends the transfer: the reply's code is then 103
  TemporaryUploads& uploads;  // uploads without a host path
};

// "port maxPacket listFlag directory": the listing of the directory, a
// sequence of zero-terminated strings: the directory's host path, then for
// each entry "Y <length> <name> " and the ten values of a file description
// ("." and ".." included; list flag 1 lists directories only).
Outcome RunListDirectory(const TransferContext& context, std::string_view arguments);

// "port maxPacket mode options path": the file to the client. Options 16
// keeps the file locked for the session; the reply is then "0 <lock>".
Outcome RunSendFile(const TransferContext& context, std::string_view arguments);

// "port maxPacket mode options path": the file from the client. Options 4
// locks the written file for the session ("0 <lock>", "0 -1" when the lock
// could not be taken); options 8 names the host file written ("0 <path>").
// With options 8 the path may be left out: the file is then kept for the
// session alone, outside the tree, under the name the reply gives.
Outcome RunReceiveFile(const TransferContext& context, std::string_view arguments);

}  // namespace vandrel::agent
