#include "agent/record_form.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/record_headers.h"
#include "platform/byte_order.h"

namespace vandrel::agent {

namespace {

enum class Storage {
  kLines,         // one record a line ending in LF
  kFixedBinary,   // the records back to back, each RECLEN bytes
  kRecordStream,  // the framed records themselves
};

bool IsAscii(const MpeAttributes& attributes) { return attributes.mode != 0; }

Storage StorageOf(const MpeAttributes& attributes) {
  if (IsAscii(attributes) || attributes.fileCode == kQeditFileCode ||
      attributes.recordType == kByteStreamType) {
    return Storage::kLines;
  }
  return attributes.recordType == 0 ? Storage::kFixedBinary : Storage::kRecordStream;
}

// Fixed-length ASCII records are padded with blanks to the record length.
bool PadsWithBlanks(const MpeAttributes& attributes) {
  return StorageOf(attributes) == Storage::kLines && attributes.recordType == 0 &&
         IsAscii(attributes);
}

// Takes the framed record at the front of `stream`; false when the stream
// ends inside its length or its bytes.
bool TakeRecord(std::string_view* stream, std::string_view* record) {
  if (stream->size() < 2) return false;
  const std::size_t length = platform::ReadBigEndian16(stream->data());
  if (stream->size() - 2 < length) return false;
  *record = stream->substr(2, length);
  stream->remove_prefix(2 + length);
  return true;
}

// Whether the MPE header `text` (already known to parse) gives #L, which
// decides whether label records follow it.
bool GivesLabelCount(std::string_view text) {
  const auto keys = MpeHeaderKeys();
  const AttributeList list = ParseAttributes(text, keys);
  for (std::size_t row = 0; row < keys.size(); ++row) {
    if (keys[row].name == "#L") return list.Has(row);
  }
  return false;
}

// Calls `visit` with each record of `content` stored as `storage` (records
// of `fixedLength` bytes for fixed binary storage) until it returns false;
// false then. A framed record cut short stops the walk with its number in
// `damagedAt`.
template <typename Visit>
bool ForEachStoredRecord(std::string_view content, Storage storage, std::size_t fixedLength,
                         std::optional<std::size_t>* damagedAt, Visit visit) {
  std::string_view record;
  for (std::size_t number = 1; !content.empty(); ++number) {
    switch (storage) {
      case Storage::kLines: {
        const std::size_t end = content.find('\n');
        record = content.substr(0, end);
        content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
        break;
      }
      case Storage::kFixedBinary:
        record = content.substr(0, fixedLength);
        content.remove_prefix(record.size());
        break;
      case Storage::kRecordStream:
        if (!TakeRecord(&content, &record)) {
          *damagedAt = number;
          return true;
        }
        break;
    }
    if (!visit(record)) return false;
  }
  return true;
}

std::int32_t Clamped(std::size_t value) {
  return static_cast<std::int32_t>(
      std::min<std::size_t>(value, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::optional<std::string> ToRecordForm(std::string_view content, const MpeAttributes& attributes,
                                        bool withQeditHeader, const std::string& hostPath,
                                        AgentError* error) {
  if (std::string problem = MpeAttributesProblem(attributes); !problem.empty()) {
    *error = {kErrorInternal, "The attributes of " + hostPath + " are damaged: " + problem};
    return std::nullopt;
  }

  const Storage storage = StorageOf(attributes);
  std::size_t fixedLength = 0;
  if (storage == Storage::kFixedBinary) {
    if (attributes.recordLength <= 0 ||
        static_cast<std::size_t>(attributes.recordLength) > kMaxRecordLength) {
      *error = {kErrorInternal, hostPath + " holds fixed-length binary records, but its record " +
                                    "length " + std::to_string(attributes.recordLength) +
                                    " cannot divide them"};
      return std::nullopt;
    }
    fixedLength = static_cast<std::size_t>(attributes.recordLength);
  }

  // First pass: the counts the header gives, and whether every record can
  // be sent.
  std::size_t count = 0;
  std::size_t longest = 1;
  std::size_t dataBytes = 0;  // the records with their length prefixes
  std::optional<std::size_t> damagedAt;
  ForEachStoredRecord(content, storage, fixedLength, &damagedAt, [&](std::string_view record) {
    ++count;
    longest = std::max(longest, record.size());
    dataBytes += 2 + record.size();
    return true;
  });
  if (damagedAt) {
    *error = {kErrorInternal, "The stored records of " + hostPath + " are damaged: record " +
                                  std::to_string(*damagedAt) + " is cut short"};
    return std::nullopt;
  }
  if (longest > kMaxRecordLength) {
    *error = SystemError(EFBIG, "a line of " + hostPath + " is " + std::to_string(longest) +
                                    " bytes, too long for a record");
    return std::nullopt;
  }

  MpeHeader header;
  header.mver = 1;
  header.fcode = attributes.fileCode;
  header.lw = attributes.lockword;
  header.reclen =
      attributes.recordLength > 0 ? attributes.recordLength : static_cast<std::int32_t>(longest);
  header.bfact = attributes.blockingFactor;
  header.type = attributes.recordType;
  header.mode = attributes.mode;
  header.eof = Clamped(count);
  header.limit = std::max(
      attributes.limit, attributes.recordType == kByteStreamType ? Clamped(dataBytes) : header.eof);
  header.labels = static_cast<std::int32_t>(attributes.labels.size());
  header.maxLabels = attributes.maxLabels;
  header.cctl = attributes.carriageControl;
  header.acd = attributes.acd;
  const auto mpeText = FormatMpeHeader(header);
  if (!mpeText) {
    *error = {kErrorInternal, "The header record of " + hostPath +
                                  " cannot be written: its lockword or ACD holds both kinds of "
                                  "quote, or the record would be too long"};
    return std::nullopt;
  }

  const std::size_t padTo =
      PadsWithBlanks(attributes) ? static_cast<std::size_t>(header.reclen) : 0;
  if (padTo > kMaxRecordLength) {
    *error = {kErrorInternal, "The record length " + std::to_string(header.reclen) + " of " +
                                  hostPath + " is longer than a record can be"};
    return std::nullopt;
  }
  // Padding can make the stream far larger than the file: refused before
  // anything is built when even its least size is too large.
  std::size_t labelBytes = 0;
  for (const auto& label : attributes.labels) labelBytes += 2 + label.size();
  const std::size_t leastRecordBytes = std::max(dataBytes, count * (2 + padTo));
  if (leastRecordBytes > kMaxRecordFormSize) {
    *error = SystemError(EFBIG, hostPath + " is too large to send in record form");
    return std::nullopt;
  }

  std::string out;
  out.reserve(std::min(128 + mpeText->text.size() + labelBytes + dataBytes + count * padTo,
                       kMaxRecordFormSize));
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
  AppendRecord(out, mpeText->text);
  for (const auto& label : attributes.labels) AppendRecord(out, label);
  std::string padding;
  const bool complete =
      ForEachStoredRecord(content, storage, fixedLength, &damagedAt, [&](std::string_view record) {
        if (record.size() < padTo) {
          padding.assign(record);
          padding.resize(padTo, ' ');
          if (!AppendRecord(out, padding)) return false;
        } else if (!AppendRecord(out, record)) {
          return false;
        }
        return out.size() <= kMaxRecordFormSize;
      });
  if (!complete) {
    *error = SystemError(EFBIG, hostPath + " is too large to send in record form");
    return std::nullopt;
  }
  return out;
}

std::optional<std::string> FromRecordForm(std::string_view stream, MpeAttributes* attributes,
                                          AgentError* error) {
  auto bad = [&](std::string message) {
    *error = {kErrorBadArguments, "Malformed record stream: " + std::move(message)};
    return std::nullopt;
  };
  auto refused = [&](std::string message) {
    *error = {kErrorBadArguments, "Record stream refused: " + std::move(message)};
    return std::nullopt;
  };

  MpeAttributes result = *attributes;
  std::string_view record;
  if (!TakeRecord(&stream, &record)) return bad("no header record");
  if (!record.empty() && (record[0] == 'Q' || record[0] == 'q')) {
    QeditHeader qedit;
    qedit.lang = result.qeditLanguage;
    qedit.reclen = result.qeditRecordLength;
    qedit.lnl = result.qeditNumberLength;
    qedit.lnj = result.qeditNumbersLeft;
    if (record.size() > kMaxHeaderRecordLength || ParseQeditHeader(record, qedit) != 0) {
      return bad("the Qedit header record cannot be read");
    }
    result.qeditLanguage = qedit.lang;
    result.qeditRecordLength = qedit.reclen;
    result.qeditNumberLength = qedit.lnl;
    result.qeditNumbersLeft = qedit.lnj;
    if (!TakeRecord(&stream, &record)) return bad("no MPE header record");
  }

  // The keys a header leaves out keep the file's values; without #L no
  // label records follow and the labels are kept.
  MpeHeader header;
  header.fcode = result.fileCode;
  header.lw = result.lockword;
  header.reclen = result.recordLength;
  header.bfact = result.blockingFactor;
  header.type = result.recordType;
  header.mode = result.mode;
  header.limit = result.limit;
  header.maxLabels = result.maxLabels;
  header.cctl = result.carriageControl;
  header.acd = result.acd;
  if (record.empty() || (record[0] != 'M' && record[0] != 'm') ||
      record.size() > kMaxHeaderRecordLength || ParseMpeHeader(record, header) != 0) {
    return bad("the MPE header record cannot be read");
  }
  if (header.reclen < 0 || static_cast<std::size_t>(header.reclen) > kMaxRecordLength) {
    return bad("RECLEN " + std::to_string(header.reclen) + " is not a record length");
  }
  const bool labelsGiven = GivesLabelCount(record);
  if (labelsGiven &&
      (header.labels < 0 || header.labels > static_cast<std::int32_t>(kMaxUserLabels))) {
    return bad("#L " + std::to_string(header.labels) + " is not a number of user labels (0 to " +
               std::to_string(kMaxUserLabels) + ")");
  }
  // A lockword or ACD that could not be written into a header again would
  // make the file impossible to download.
  if (!QuoteHeaderValue(header.lw) || !QuoteHeaderValue(header.acd)) {
    return refused("the lockword or ACD holds both kinds of quote");
  }
  result.fileCode = header.fcode;
  result.lockword = header.lw;
  result.recordLength = header.reclen;
  result.blockingFactor = header.bfact;
  result.recordType = header.type;
  result.mode = header.mode;
  result.limit = header.limit;
  result.maxLabels = header.maxLabels;
  result.carriageControl = header.cctl;
  result.acd = header.acd;

  if (labelsGiven) {
    result.labels.clear();
    for (std::int32_t label = 1; label <= header.labels; ++label) {
      if (!TakeRecord(&stream, &record)) {
        return bad("user label " + std::to_string(label) + " of " + std::to_string(header.labels) +
                   " is missing or cut short");
      }
      if (record.size() > kMaxUserLabelLength) {
        return refused("user label " + std::to_string(label) + " holds " +
                       std::to_string(record.size()) + " bytes; a label holds at most " +
                       std::to_string(kMaxUserLabelLength));
      }
      result.labels.emplace_back(record);
    }
  }

  // First pass: every record framed whole and keepable, and the size of
  // what is stored.
  const std::string_view records = stream;
  std::size_t count = 0;
  std::size_t longest = 0;
  std::size_t dataBytes = 0;
  while (!stream.empty()) {
    if (!TakeRecord(&stream, &record)) {
      return bad("record " + std::to_string(count + 1) + " is cut short");
    }
    ++count;
    longest = std::max(longest, record.size());
    dataBytes += record.size();
  }

  const Storage storage = StorageOf(result);
  if (storage == Storage::kFixedBinary && result.recordLength == 0) {
    // Fixed records need a length to be told apart again.
    result.recordLength = static_cast<std::int32_t>(std::max<std::size_t>(longest, 1));
  }
  // Fixed records longer than the record length cannot be kept whole. Qedit
  // files are measured by their Qedit record length, which the editor keeps.
  const bool fixed = result.recordType == 0 && result.fileCode != kQeditFileCode &&
                     storage != Storage::kRecordStream && result.recordLength > 0;
  const auto recordLength = static_cast<std::size_t>(result.recordLength);
  // Fixed-length ASCII records are kept whole, blanks to the record length,
  // as the host keeps them: a record written shorter reads back the same,
  // and what is kept of an unchanged record stays byte for byte.
  const std::size_t padTo = fixed && PadsWithBlanks(result) ? recordLength : 0;
  std::size_t size = 0;
  switch (storage) {
    case Storage::kLines:
      size = padTo > 0 ? count * (padTo + 1) : dataBytes + count;
      break;
    case Storage::kFixedBinary:
      size =
          count > kMaxRecordFormSize / recordLength ? kMaxRecordFormSize + 1 : count * recordLength;
      break;
    case Storage::kRecordStream:
      size = dataBytes + 2 * count;
      break;
  }
  if (size > kMaxRecordFormSize) {
    *error = SystemError(EFBIG, "the records received are too large to store");
    return std::nullopt;
  }
  std::size_t index = 0;
  for (std::string_view rest = records; TakeRecord(&rest, &record);) {
    ++index;
    if (fixed && record.size() > recordLength) {
      return refused("record " + std::to_string(index) + " is " + std::to_string(record.size()) +
                     " bytes, longer than the record length " + std::to_string(recordLength) +
                     " of fixed-length records");
    }
    if (storage == Storage::kLines && record.find('\n') != std::string_view::npos) {
      return refused("record " + std::to_string(index) +
                     " holds a line feed, which a file kept as text lines cannot store");
    }
  }

  std::string content;
  content.reserve(size);
  for (std::string_view rest = records; TakeRecord(&rest, &record);) {
    switch (storage) {
      case Storage::kLines:
        content += record;
        if (record.size() < padTo) content.append(padTo - record.size(), ' ');
        content += '\n';
        break;
      case Storage::kFixedBinary:
        content += record;
        content.append(recordLength - record.size(), '\0');
        break;
      case Storage::kRecordStream:
        AppendRecord(content, record);
        break;
    }
  }
  *attributes = std::move(result);
  return content;
}

}  // namespace vandrel::agent
