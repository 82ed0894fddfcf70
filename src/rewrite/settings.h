// The run settings the converters read. Filled once by the driver from the
// command line and only read afterwards.
#ifndef TOVRIX_REWRITE_SETTINGS_H_
#define TOVRIX_REWRITE_SETTINGS_H_

#include <cstdint>

namespace tovrix {

struct ConversionSettings {
  std::uint8_t replaceMode = 2;    // 0 none, 1 to %VAR% references, 2 to X: paths
  std::uint8_t replaceTarget = 7;  // bits: 1 SystemRoot, 2 ProgramFiles, 4 SystemDrive
  bool verbose = false;
  bool addExpanderEntries = false;
  bool normalizeControlSet = true;
  int probeSize = 2048;
};

}  // namespace tovrix

#endif  // TOVRIX_REWRITE_SETTINGS_H_
