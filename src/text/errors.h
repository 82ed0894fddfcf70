// The failure classes the program reports.
//
// Each failure is an exception named after its class; `what()` is the
// message in UTF-8 (paths and other ANSI texts inside it are converted when
// the message is made). main catches them once and reports
// "<ClassName>: <message>" on standard error.
#ifndef TOVRIX_TEXT_ERRORS_H_
#define TOVRIX_TEXT_ERRORS_H_

#include <stdexcept>
#include <string>
#include <string_view>

namespace tovrix {

class TovrixError : public std::runtime_error {
 public:
  TovrixError(const char* className, const std::string& utf8Message)
      : std::runtime_error(utf8Message), class_name_(className) {}
  const char* ClassName() const { return class_name_; }

 private:
  const char* class_name_;
};

// NOLINTBEGIN(bugprone-macro-parentheses): Name is a class name
#define TOVRIX_ERROR_CLASS(Name)                                                       \
  class Name : public TovrixError {                                                    \
   public:                                                                             \
    explicit Name(const std::string& utf8Message) : TovrixError(#Name, utf8Message) {} \
  };
// NOLINTEND(bugprone-macro-parentheses)

TOVRIX_ERROR_CLASS(EStringListError)
TOVRIX_ERROR_CLASS(EFOpenError)
TOVRIX_ERROR_CLASS(EFCreateError)
TOVRIX_ERROR_CLASS(EReadError)
TOVRIX_ERROR_CLASS(EWriteError)
TOVRIX_ERROR_CLASS(ERegistryException)
TOVRIX_ERROR_CLASS(EConvertError)

#undef TOVRIX_ERROR_CLASS

// Message makers, so that every place raises the same texts.
// `path` is ANSI; it is expanded to a full path and converted to UTF-8.
// `systemText` is the system's ANSI text for the operating-system error;
// trailing blanks, line breaks and dots are dropped from it.
[[noreturn]] void ThrowOpenError(const std::string& path, const std::string& systemText);
[[noreturn]] void ThrowCreateError(const std::string& path, const std::string& systemText);
[[noreturn]] void ThrowReadError();
[[noreturn]] void ThrowWriteError();
[[noreturn]] void ThrowListIndexError(long long index);
// `valueName` is ANSI.
[[noreturn]] void ThrowRegistryReadError(const std::string& valueName);
[[noreturn]] void ThrowRegistryTypeError(const std::string& valueName);
// The offline registry (/r). Texts are UTF-8 but `folder` and `path`, which
// are ANSI.
// ERegistryException: /l where the build has no live registry and no /r.
[[noreturn]] void ThrowNoLiveRegistryError();
// EFOpenError: the /r folder is missing or holds no hive file.
[[noreturn]] void ThrowRegistryFolderError(const std::string& folder, const std::string& reason);
// ERegistryException: a hive file the system cannot load.
[[noreturn]] void ThrowHiveLoadError(const std::string& path, const std::string& reason);
// ERegistryException: a hive file found damaged while it is read; `report`
// is the store's "<file>: <what is wrong>".
[[noreturn]] void ThrowDamagedHiveError(const std::string& report);
// ERegistryException: subkey names the code page writes alike below
// `keyPath` (ANSI) make the export repeat itself without end.
[[noreturn]] void ThrowRepeatedKeysError(const std::string& keyPath);
// EConvertError for a FormatText pattern that does not fit its arguments.
[[noreturn]] void ThrowFormatError(std::string_view pattern);

}  // namespace tovrix

#endif  // TOVRIX_TEXT_ERRORS_H_
