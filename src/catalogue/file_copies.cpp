#include "catalogue/file_copies.h"

#include "catalogue/file_access.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "module/module_state.h"
#include "platform/platform.h"

namespace zv {
namespace {

struct TransferBuffer {
  char bytes[kTransferBufferSize];
};

bool UsesSystemTransfer() {
  const uint32_t versionClass = GetWindowsVersionClass();
  return versionClass == kVersionNt3 || versionClass == kVersionNt4;
}

// The buffered copy of both operations: the source is opened, an existing
// target deleted and created anew with normal attributes, and the bytes
// pass through one buffer until the source ends. Unlike the system copy, a
// failed read or a short write (a full disk) is reported, and the partial
// target removed, so that no truncated copy passes for a good one.
bool CopyThroughBuffer(const char* source, const char* target) {
  // A missing buffer is a failed copy like any other: it sets no code.
  WorkMemory<TransferBuffer> buffer;
  if (!buffer) return false;
  plat::FileHandle in = plat::OpenFile(source, plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
  if (!in) return false;
  if (PathExists(target)) DeleteFileIfWritable(target);
  plat::FileHandle out =
      plat::OpenFile(target, plat::kAccessReadWrite, plat::kShareRead, plat::kCreateAlways);
  if (!out) {
    plat::CloseFile(in);
    return false;
  }
  bool ok = true;
  for (;;) {
    uint32_t got = 0;
    if (!plat::ReadFile(in, buffer->bytes, kTransferBufferSize, &got)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    uint32_t written = 0;
    if (!plat::WriteFile(out, buffer->bytes, got, &written) || written != got) {
      ok = false;
      break;
    }
  }
  plat::CloseFile(in);
  plat::CloseFile(out);
  if (!ok) DeleteFileIfWritable(target);
  return ok;
}

}  // namespace

bool MoveOverlayFile(const char* source, const char* target) {
  if (plat::SameFile(source, target)) return true;
  if (UsesSystemTransfer()) {
    plat::SetAttributesNormal(source);
    plat::SetAttributesNormal(target);
    return plat::MoveFileReplace(source, target);
  }
  if (!CopyThroughBuffer(source, target)) return false;
  DeleteFileIfWritable(source);
  return true;
}

bool CopyWholeFile(const char* source, const char* target) {
  // Replacing the target would destroy the source first.
  if (plat::SameFile(source, target)) return false;
  if (UsesSystemTransfer()) {
    plat::SetAttributesNormal(source);
    if (!plat::CopyFileTo(source, target, true)) return false;
    plat::SetAttributesNormal(target);
    return true;
  }
  return CopyThroughBuffer(source, target);
}

}  // namespace zv
