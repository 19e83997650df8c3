// The rules of CreateFileA that both emulating backends apply before they
// touch a file: what the disposition asks of an existing or missing file,
// and what a read-only file or a read-only handle refuses.
#pragma once

#include "platform/platform.h"

namespace plat::emulation {

// True when an open with this access and disposition may go on, given
// whether the file exists; readOnly() tells whether an existing file is
// read-only, and is asked only when the open would write it.
template <typename ReadOnly>
bool OpenAdmitted(Access access, Disposition disposition, bool exists, ReadOnly readOnly) {
  const bool writes = (access & kAccessWrite) != 0;
  const bool truncates = disposition == kCreateAlways || disposition == kTruncateExisting;
  switch (disposition) {
    case kCreateNew:
      if (exists) return false;
      break;
    case kOpenExisting:
    case kTruncateExisting:
      if (!exists) return false;
      break;
    case kCreateAlways:
    case kOpenAlways:
      break;
    default:
      return false;
  }
  if (exists && (writes || truncates) && readOnly()) return false;
  return disposition != kTruncateExisting || writes;
}

}  // namespace plat::emulation
