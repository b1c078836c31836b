// The record form of a transfer in modes M and Q, as the agent keeps files
// of an MPE-personality tree: for Qedit files (file code 111, mode Q) the
// Qedit header record first, then the MPE header record with the file's
// attributes, then its user labels, then each record, all as length-prefixed
// records (a 16-bit big-endian length, then the bytes).
//
// How the tree stores the records depends on the file's attributes:
// - text lines, one record a line ending in LF, so the host's own tools read
//   them: ASCII files (MODE other than 0), Qedit files (file code 111, whose
//   records are the editor's lines whatever their mode) and byte-stream files
//   (TYPE 9, whose records are LF-delimited by nature). Lines are stored as
//   received, trailing blanks included; fixed-length ASCII records (TYPE 0)
//   are padded with blanks to the record length when sent, and a received
//   one longer than the record length is refused (a stored line that other
//   tools made longer is sent whole, for the editor to offer a longer record
//   length). A record holding a line feed cannot be a line and is refused.
// - fixed-length binary records (TYPE 0, MODE 0): the records one after the
//   other, each exactly RECLEN bytes (short ones padded with zero bytes when
//   received); sent as RECLEN-byte records, a short last record as it is.
// - other binary records (variable, undefined, spool): the record stream
//   itself, each record as its 16-bit length and bytes, so that record
//   boundaries survive; sent back unchanged.
// A file placed in the tree by other means has no attributes and is served
// as variable-length ASCII records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "agent/agent_errors.h"
#include "agent/mpe_attributes.h"

namespace vandrel::agent {

inline constexpr std::int32_t kQeditFileCode = 111;
inline constexpr std::int32_t kByteStreamType = 9;

// Neither a record stream to send nor a file to store grows beyond this:
// padding to the record length could otherwise turn a small input into an
// enormous one.
inline constexpr std::size_t kMaxRecordFormSize = std::size_t{1} << 30;

// The record stream for the stored `content` of a file with `attributes`.
// EOF is the number of records; LIMIT at least that (for byte-stream files,
// whose limit counts bytes, at least the data bytes of the stream).
std::optional<std::string> ToRecordForm(std::string_view content, const MpeAttributes& attributes,
                                        bool withQeditHeader, const std::string& hostPath,
                                        AgentError* error);

// The content to store for a received record stream; `attributes` (the
// replaced file's, or the defaults) take the values its headers carry, and
// keep their own for the keys the headers leave out (the labels included
// when #L is absent). On failure `attributes` is left as it was.
std::optional<std::string> FromRecordForm(std::string_view stream, MpeAttributes* attributes,
                                          AgentError* error);

}  // namespace vandrel::agent
