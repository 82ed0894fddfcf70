// The messages of the failure classes. Messages are UTF-8; the ANSI texts
// that go into them (paths, value names, system texts) are converted here.

#include "text/errors.h"

#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/files.h"

namespace tovrix {

namespace {

std::string FullPathUtf8(const std::string& path) {
  return platform::AnsiToUtf8(platform::FullPath(path));
}

// System texts often end with a period and a line break; inside a message
// they would break the line.
std::string CleanSystemText(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0) {
    const auto c = static_cast<unsigned char>(text[end - 1]);
    if (c > 0x20 && c != '.') break;
    --end;
  }
  return platform::AnsiToUtf8(text.substr(0, end));
}

}  // namespace

void ThrowOpenError(const std::string& path, const std::string& systemText) {
  throw EFOpenError("ファイル \"" + FullPathUtf8(path) + "\". " + CleanSystemText(systemText) +
                    " は開けません");
}

void ThrowCreateError(const std::string& path, const std::string& systemText) {
  throw EFCreateError("ファイル \"" + FullPathUtf8(path) + "\". " + CleanSystemText(systemText) +
                      " を作成できません");
}

void ThrowReadError() { throw EReadError("ストリームからの読み込みエラー"); }

void ThrowWriteError() { throw EWriteError("ストリームへの書き込みエラー"); }

void ThrowListIndexError(long long index) {
  throw EStringListError("リストのインデックスが範囲を超えています (" + std::to_string(index) +
                         ")");
}

void ThrowRegistryReadError(const std::string& valueName) {
  throw ERegistryException("'" + platform::AnsiToUtf8(valueName) + "' の取得に失敗しました");
}

void ThrowRegistryTypeError(const std::string& valueName) {
  throw ERegistryException("'" + platform::AnsiToUtf8(valueName) + "' のデータ型が不正です");
}

void ThrowNoLiveRegistryError() {
  throw ERegistryException(
      "this build has no live registry to read /l keys from: name an offline Windows "
      "folder or a folder of hive files (SOFTWARE, SYSTEM, NTUSER.DAT) with /r");
}

void ThrowRegistryFolderError(const std::string& folder, const std::string& reason) {
  throw EFOpenError("registry folder \"" + FullPathUtf8(folder) + "\": " + reason);
}

void ThrowHiveLoadError(const std::string& path, const std::string& reason) {
  throw ERegistryException("hive file \"" + FullPathUtf8(path) + "\" cannot be loaded: " + reason);
}

void ThrowDamagedHiveError(const std::string& report) {
  throw ERegistryException("damaged hive file " + report);
}

void ThrowRepeatedKeysError(const std::string& keyPath) {
  throw ERegistryException(
      "subkeys whose names the ANSI code page writes alike repeat the same keys too often (at \"" +
      platform::AnsiToUtf8(keyPath) + "\")");
}

void ThrowFormatError(std::string_view pattern) {
  throw EConvertError("書式 '" + platform::AnsiToUtf8(pattern) +
                      "' が無効か、または引数と矛盾しています");
}

}  // namespace tovrix
