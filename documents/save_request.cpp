#include "documents/save_request.h"

namespace vandrel {

SaveRequest BuildSaveRequest(const DocumentFormat& format, int fd, std::int64_t dataOffset,
                             const CharacterTable* table) {
  SaveRequest request;
  request.flags = kSaveRequestAlways;
  request.fd = fd;
  request.dataOffset = dataOffset;
  if (format.IsRecordForm()) request.flags |= kSaveRequestRecordForm;
  if (dataOffset != 0) request.flags |= kSaveRequestDataOffset;
  if (format.lineEnds & kLineEndCr) request.flags |= kSaveRequestCr;
  if ((format.lineEnds & kLineEndLf) || (format.lineEnds == 0 && !format.IsRecordForm())) {
    request.flags |= kSaveRequestLf;
  }
  if (format.editFlags & kEditSaveTabsAsSpaces) request.flags |= kSaveRequestTabsAsSpaces;
  if (table != nullptr) {
    request.flags |= kSaveRequestTranslate;
    request.characterTable = *table;
  }
  return request;
}

}  // namespace vandrel
