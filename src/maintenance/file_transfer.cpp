#include "maintenance/file_transfer.h"

#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "dialogs/module_frame.h"
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

// Deletes a file the catalogue's way: only when its attributes could be
// reset to normal first.
void DeleteIfWritable(const char* path) {
  if (plat::SetAttributesNormal(path)) plat::DeleteFile(path);
}

}  // namespace

bool CopyWholeFile(const char* source, const char* target) {
  if (UsesSystemTransfer()) {
    plat::SetAttributesNormal(source);
    if (!plat::CopyFile(source, target, true)) return false;
    plat::SetAttributesNormal(target);
    return true;
  }

  WorkMemory<TransferBuffer> buffer;
  if (!buffer) return false;
  plat::FileHandle in = plat::OpenFile(source, plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
  if (!in) return false;
  if (PathExists(target)) DeleteIfWritable(target);
  plat::FileHandle out =
      plat::OpenFile(target, plat::kAccessReadWrite, plat::kShareRead, plat::kCreateAlways);
  if (!out) {
    plat::CloseFile(in);
    return false;
  }
  // Unlike the system copy, a failed read or a short write (a full disk) is
  // reported, so that no truncated copy passes for a good one.
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
  if (!ok) DeleteIfWritable(target);
  return ok;
}

}  // namespace zv
