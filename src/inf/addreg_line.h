// The lines of the registry sections, as both converters write them.
//
//  - AddReg line: 0x<type>,<key>,"<name>",<data>, and for a key's default
//    value 0x<type>,<key>,,<data>; the type in decimal.
//  - Key line: 0x0,<key>.
//  - <key> is a key path between double quotes (QuotedKeyPath); names and
//    key paths have their own double quotes doubled.
//  - Replacement comment, before a value written as REG_BINARY although of
//    another type: ; Replaced "<type name>" to "REG_BINARY".
//  - Byte lists: items joined by commas, 25 to an output line: after every
//    25th item but the last, a backslash, CR LF and two blanks. A byte list
//    that is wrapped starts on a line of its own below the AddReg line (its
//    data begins with that same break).
#ifndef TOVRIX_INF_ADDREG_LINE_H_
#define TOVRIX_INF_ADDREG_LINE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tovrix {

inline constexpr std::size_t kBytesPerLine = 25;
inline constexpr std::string_view kByteListBreak = "\\\r\n  ";

std::string QuotedKeyPath(std::string_view path);

// Everything of an AddReg line before its data, as pieces to be copied in
// order: 0x<type>,<quotedKey>,"<name>", or 0x<type>,<quotedKey>,, when
// `isDefault`. The pieces view `quotedKey`, `name` and the object itself.
class AddRegHead {
 public:
  static constexpr std::size_t kPieces = 5;

  AddRegHead(std::uint32_t type, std::string_view quotedKey, bool isDefault, std::string_view name);
  AddRegHead(const AddRegHead&) = delete;
  AddRegHead& operator=(const AddRegHead&) = delete;

  const std::array<std::string_view, kPieces>& Pieces() const { return pieces_; }

 private:
  char type_[16];        // "0x<type>,"
  std::string doubled_;  // the name with its quotes doubled, when it has any
  std::array<std::string_view, kPieces> pieces_;
};

// Appends the pieces of AddRegHead.
void AppendAddRegHead(std::string& out, std::uint32_t type, std::string_view quotedKey,
                      bool isDefault, std::string_view name);

// 0x0,<quotedKey>
std::string KeyLine(std::string_view quotedKey);

std::string ReplacementComment(std::uint32_t type);

// Appends the items of a byte list to `out` one at a time.
class ByteListWriter {
 public:
  explicit ByteListWriter(std::string& out) : out_(out) {}
  void Add(std::string_view item) {
    if (count_ > 0) {
      out_ += ',';
      if (count_ % kBytesPerLine == 0) out_ += kByteListBreak;
    }
    out_ += item;
    ++count_;
  }
  // Adds the items of a plain comma list (text/comma_list.h): the pieces
  // between its commas, copied in runs rather than one by one.
  void AddPlainList(std::string_view text);
  std::size_t Count() const { return count_; }

 private:
  std::string& out_;
  std::size_t count_ = 0;
};

}  // namespace tovrix

#endif  // TOVRIX_INF_ADDREG_LINE_H_
