// Whether the driver's configuration names a form editor.
#include "catalogue/catalogue_config.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "platform/platform.h"
#include "zvlmn30e.h"

namespace zv {
namespace {

constexpr char kEnvironmentSection[] = "ENVIRONMENT";
constexpr char kEditorKey[] = "EDITOR";

struct ServiceWork {
  PathBuffer path;
  PathBuffer value;
};

}  // namespace
}  // namespace zv

using namespace zv;

extern "C" ZVLONG ZVAPI ZVDriverFormService(void) {
  WorkMemory<ServiceWork> w;
  if (!w || !LocateDriverConfiguration(w->path)) return 0;
  // Only the first configuration file that exists is read.
  return plat::ReadProfileValue(kEnvironmentSection, kEditorKey, "", w->value, plat::kPathBuffer, w->path) > 0
             ? 1
             : 0;
}
