#include "file_image.h"

#include "catalogue/paths.h"
#include "platform/platform.h"

namespace zvcat {

FileImage ReadWholeFile(const std::string& path) {
  FileImage image;
  plat::FileHandle file =
      plat::OpenFile(path.c_str(), plat::kAccessRead, plat::kShareRead, plat::kOpenExisting);
  if (!file) {
    image.state = zv::PathExists(path.c_str()) ? FileImage::kCannotOpen : FileImage::kMissing;
    return image;
  }
  image.size = plat::GetFileSize(file);
  if (image.size == plat::kInvalidSize) {
    image.state = FileImage::kReadFailed;
  } else if (image.size > kLargestFile) {
    image.state = FileImage::kTooLarge;
  } else {
    image.bytes.resize(image.size);
    uint32_t total = 0;
    while (total < image.size) {
      uint32_t done = 0;
      if (!plat::ReadFile(file, image.bytes.data() + total, image.size - total, &done) || done == 0) break;
      total += done;
    }
    image.state = total == image.size ? FileImage::kRead : FileImage::kReadFailed;
  }
  plat::CloseFile(file);
  return image;
}

}  // namespace zvcat
