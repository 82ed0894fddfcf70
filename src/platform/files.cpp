#include "platform/files.h"

namespace tovrix::platform {

ReadResult ReadWholeFile(std::string_view path, Share share) {
  FileReader reader;
  ReadResult result = reader.Open(path, share);
  if (result.status != ReadStatus::Ok) return result;
  // The size known at open is read straight into place; a file that grew
  // since is read on in pieces.
  constexpr std::size_t kPiece = 1 << 16;
  std::string& data = result.data;
  data.resize(reader.SizeAtOpen() > 0 ? reader.SizeAtOpen() : kPiece);
  std::size_t have = 0;
  for (;;) {
    if (have == data.size()) data.resize(have + kPiece);
    std::size_t got = 0;
    ReadResult read = reader.Read(data.data() + have, data.size() - have, got);
    if (read.status != ReadStatus::Ok) return read;
    if (got == 0) break;
    have += got;
  }
  data.resize(have);
  return result;
}

}  // namespace tovrix::platform
