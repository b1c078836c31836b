// How a document travels between the editor and the host: the option bits
// of a transfer request. The save path chooses them for an upload from the
// document's format; the request engine carries them out (remote/).
#pragma once

#include <cstdint>

namespace vandrel {

// Request option flags (a request's `options`).
enum RequestOption : std::int32_t {
  kOptionModeBytes = 0x4,      // transfer mode "B": the bytes as they are (hosts other than MPE/iX)
  kOptionProgress = 0x8,       // show "Loading %s..." / "Saving %s..." and percentages
  kOptionModeRecord = 0x10,    // transfer mode "M" (MPE records)
  kOptionModeQedit = 0x20,     // transfer mode "Q" (Qedit)
  kOptionProbe = 0x40,         // connect: stop after the greeting checks
  kOptionKeepLocked = 0x80,    // keep the host file locked; the agent returns a lock number
  kOptionNameWritten = 0x100,  // the agent names the host file it wrote
};

// What an upload to a host that is not MPE/iX always carries.
inline constexpr std::uint32_t kOptionsOtherHost = kOptionProgress | kOptionModeBytes;

}  // namespace vandrel
