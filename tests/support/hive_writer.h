// Hive files made for tests.
//
// hivex can change a hive but cannot make one from nothing, so
// WriteEmptyHive writes the smallest valid hive itself: the 4 KiB header
// ("regf", equal sequence numbers, version 1.5, the root cell at 0x20,
// the XOR checksum of its first 508 bytes) and one 4 KiB hbin holding the
// root key record "nk" (named ROOT), the security record "sk" the root and
// every key made later share, and one free cell for the rest. WriteHive
// then adds keys and values through hivex and commits the file.
//
// Names and paths are UTF-8 (hivex stores a name as Latin-1 when it can and
// as UTF-16LE otherwise); value data is stored as given, byte for byte.
#ifndef TOVRIX_TESTS_SUPPORT_HIVE_WRITER_H_
#define TOVRIX_TESTS_SUPPORT_HIVE_WRITER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tovrix::testing {

struct HiveValue {
  std::string name;  // "" is the key's default value
  std::uint32_t type = 0;
  std::string data;
};

struct HiveKey {
  std::string path;  // below the hive's root, components separated by '\'
  std::vector<HiveValue> values;
};

// Each throws std::runtime_error when the file cannot be written.
void WriteEmptyHive(const std::string& path);
// A hive holding `keys`: the keys on each path are made as needed, in the
// order given; a key listed twice gets the values of both entries.
void WriteHive(const std::string& path, const std::vector<HiveKey>& keys);
// Makes the header's sequence numbers differ (changes waiting in the logs),
// with the checksum kept right.
void MarkHiveDirty(const std::string& path);
// Moves the data of every value longer than 16344 bytes into the big-data
// form hivex does not write: a "db" record, its segment list and segments of
// at most 16344 bytes, all in one hbin added at the end of the file. The old
// data cells become free.
void StoreAsBigData(const std::string& path);

// Data in the forms the registry stores: UTF-16LE text (from UTF-8) with or
// without its terminating NUL unit, a little-endian DWORD.
std::string Utf16(std::string_view utf8, bool terminated = true);
std::string DwordData(std::uint32_t value);

// The keys of a .reg text (UTF-8, UTF-16LE after FF FE, or else Latin-1)
// below `prefix`
// (such as HKEY_LOCAL_MACHINE\SOFTWARE), with paths made relative to it.
// Knows "string", dword:, hex: and hex(n): data with continuation lines,
// @ for the default value, \\ and \" in quoted texts, and ; comments;
// deletions ("name"=- and [-key]) are passed over.
std::vector<HiveKey> KeysOfRegText(std::string_view text, std::string_view prefix);

}  // namespace tovrix::testing

#endif  // TOVRIX_TESTS_SUPPORT_HIVE_WRITER_H_
