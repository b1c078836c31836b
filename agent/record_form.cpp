#include "agent/record_form.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "documents/header_records.h"

namespace vandrel::agent {

std::optional<std::string> ToRecordForm(std::string_view text, const MpeAttributes& attributes,
                                        bool withQeditHeader, const std::string& hostPath,
                                        AgentError* error) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  std::size_t longest = 1;
  for (auto line : lines) longest = std::max(longest, line.size());

  MpeHeader header;
  header.fcode = attributes.fileCode;
  header.reclen = attributes.recordLength > 0
                      ? attributes.recordLength
                      : static_cast<std::int32_t>(std::min<std::size_t>(longest, kMaxRecordLength));
  header.bfact = attributes.blockingFactor;
  header.type = attributes.recordType;
  header.mode = attributes.mode;
  header.eof = static_cast<std::int32_t>(std::min<std::size_t>(lines.size(), INT32_MAX));
  header.limit = std::max(attributes.limit, header.eof);
  header.cctl = attributes.carriageControl;
  const auto mpeText = FormatMpeHeader(header);

  std::vector<std::uint8_t> out;
  if (withQeditHeader) {
    QeditHeader qedit;
    qedit.qver = 1;
    qedit.lang = attributes.qeditLanguage;
    qedit.reclen = attributes.qeditRecordLength > 0 ? attributes.qeditRecordLength : header.reclen;
    qedit.eof = header.eof;
    qedit.lnl = attributes.qeditNumberLength;
    qedit.lnj = attributes.qeditNumbersLeft;
    AppendRecord(out, FormatQeditHeader(qedit));
  }
  if (!mpeText || !AppendRecord(out, mpeText->text)) {
    *error = {kErrorInternal, "Cannot make the header record of " + hostPath};
    return std::nullopt;
  }
  const bool padded = header.type == 0 && header.mode == 1;
  std::string record;
  for (auto line : lines) {
    record.assign(line);
    if (padded && record.size() < static_cast<std::size_t>(header.reclen)) {
      record.resize(static_cast<std::size_t>(header.reclen), ' ');
    }
    if (!AppendRecord(out, record)) {
      *error = SystemError(EFBIG, "a line is too long for a record: " + hostPath);
      return std::nullopt;
    }
  }
  return std::string(out.begin(), out.end());
}

// The stored text and attributes of a file received in record form.
std::optional<std::string> FromRecordForm(std::string_view stream, MpeAttributes* attributes,
                                          AgentError* error) {
  auto bad = [&](std::string message) {
    *error = {kErrorBadArguments, "Malformed record stream: " + std::move(message)};
    return std::nullopt;
  };
  auto next = [&](std::string_view* record) {
    if (stream.size() < 2) return false;
    const std::size_t length =
        (static_cast<std::size_t>(static_cast<unsigned char>(stream[0])) << 8) |
        static_cast<unsigned char>(stream[1]);
    if (stream.size() - 2 < length) return false;
    *record = stream.substr(2, length);
    stream.remove_prefix(2 + length);
    return true;
  };

  std::string_view record;
  if (!next(&record)) return bad("no header record");
  if (!record.empty() && (record[0] == 'Q' || record[0] == 'q')) {
    QeditHeader qedit;
    if (record.size() > kMaxHeaderRecordLength || ParseQeditHeader(record, qedit) != 0) {
      return bad("Qedit header");
    }
    attributes->qeditLanguage = qedit.lang;
    attributes->qeditRecordLength = qedit.reclen;
    attributes->qeditNumberLength = qedit.lnl;
    attributes->qeditNumbersLeft = qedit.lnj;
    if (!next(&record)) return bad("no MPE header record");
  }
  MpeHeader header;
  header.type = attributes->recordType;
  header.mode = attributes->mode;
  header.bfact = attributes->blockingFactor;
  if (record.empty() || (record[0] != 'M' && record[0] != 'm') ||
      record.size() > kMaxHeaderRecordLength || ParseMpeHeader(record, header) != 0) {
    return bad("MPE header");
  }
  attributes->fileCode = header.fcode;
  attributes->recordLength = header.reclen;
  attributes->blockingFactor = header.bfact;
  attributes->recordType = header.type;
  attributes->mode = header.mode;
  attributes->limit = header.limit;
  attributes->carriageControl = header.cctl;
  for (std::int32_t label = 0; label < header.labels; ++label) {
    if (!next(&record)) return bad("label records");
  }
  std::string text;
  while (!stream.empty()) {
    if (!next(&record)) return bad("a record is cut short");
    text += record;
    text += '\n';
  }
  return text;
}

}  // namespace vandrel::agent
