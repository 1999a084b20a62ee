#include "service/disk_query_seam_win.h"

namespace kestro {

DiskQuerySeam realDiskQuerySeam() {
  DiskQuerySeam seam;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  seam.getVersionEx = &GetVersionExW;
#pragma GCC diagnostic pop
  seam.createFile = &CreateFileW;
  seam.deviceIoControl = &DeviceIoControl;
  seam.closeHandle = &CloseHandle;
  return seam;
}

DiskQuerySeam& diskQuerySeam() {
  // Never destroyed: detached workers may still use it while the process exits.
  static DiskQuerySeam* seam = new DiskQuerySeam(realDiskQuerySeam());
  return *seam;
}

}  // namespace kestro
