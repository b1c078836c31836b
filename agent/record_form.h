// The record form of a transfer in modes M and Q, as the agent keeps files
// of an MPE-personality tree: for Qedit files (file code 111, mode Q) the
// Qedit header record first, then the MPE header record with the file's
// attributes, then each record, all as length-prefixed records. The tree
// keeps ASCII records as text lines, so the host's own tools read them;
// fixed-length ASCII records are padded with blanks to the record length.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "agent/agent_errors.h"
#include "agent/mpe_attributes.h"

namespace vandrel::agent {

inline constexpr std::int32_t kQeditFileCode = 111;

// The record stream for the stored `content` of a file with `attributes`.
std::optional<std::string> ToRecordForm(std::string_view content, const MpeAttributes& attributes,
                                        bool withQeditHeader, const std::string& hostPath,
                                        AgentError* error);

// The content to store for a received record stream; `attributes` (the
// replaced file's, or the defaults) take the values its headers carry.
std::optional<std::string> FromRecordForm(std::string_view stream, MpeAttributes* attributes,
                                          AgentError* error);

}  // namespace vandrel::agent
