// Feeds arbitrary bytes to the journal reader and to the line data reader
// under it. The first byte chooses:
//   0: the rest is a journal without its trailer; the trailer (length and
//      checksum) is added, so the fields themselves are tried rather than
//      the checksum;
//   1: the rest goes to the journal reader as it is;
//   otherwise: the rest goes to LineMetadata::ReadFrom.
// Nothing may crash, allocate absurdly or read outside the bytes, and what
// is accepted must be exactly what the writer writes for the state read:
// encoding it again gives the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "editor/edit_journal.h"
#include "platform/byte_order.h"

using namespace vandrel;

namespace {

void CheckJournal(std::string_view bytes) {
  const JournalRead read = DecodeJournal(bytes);
  if (read.status != JournalReadStatus::kOk) return;
  if (EncodeJournal(*read.entry) != bytes) std::abort();
}

void CheckLineData(std::string_view bytes) {
  std::string_view in = bytes;
  const auto lines = LineMetadata::ReadFrom(in);
  if (!lines) {
    if (in.size() != bytes.size()) std::abort();  // a refusal consumes nothing
    return;
  }
  std::string again;
  lines->AppendTo(again);
  if (again != bytes.substr(0, bytes.size() - in.size())) std::abort();
  // The state read must bear the questions and edits the view makes.
  const std::int64_t count = lines->LineCount();
  lines->NumberOfLine(count - 1);
  lines->LineWithNumber(100);
  LineMetadata edited = *lines;
  edited.InsertLines(count / 2, 2);
  edited.MarkChanged(0, count > 0 ? 1 : 0);
  edited.DeleteLines(0, count > 0 ? 1 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0]) {
    case 0: {
      std::string journal(rest);
      const std::uint64_t length = journal.size();
      const std::uint32_t checksum = JournalChecksum(journal);
      platform::AppendLittleEndian32(journal, static_cast<std::uint32_t>(length));
      platform::AppendLittleEndian32(journal, static_cast<std::uint32_t>(length >> 32));
      platform::AppendLittleEndian32(journal, checksum);
      CheckJournal(journal);
      break;
    }
    case 1:
      CheckJournal(rest);
      break;
    default:
      CheckLineData(rest);
      break;
  }
  return 0;
}
