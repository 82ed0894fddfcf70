// Makes a hive file for the end-to-end cases from a .reg text.
//
//   tovrix_mkhive REG_FILE HIVE_FILE PREFIX [--big-data] [--dirty] [--truncate BYTES]
//
// The keys of REG_FILE below PREFIX (HKEY_LOCAL_MACHINE\SOFTWARE, ...) become
// the hive, their paths relative to it. --big-data stores data longer than
// 16344 bytes in big-data records; --dirty marks the header as waiting for
// its logs; --truncate cuts the finished file to BYTES. Options act in
// their order.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "support/hive_writer.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: tovrix_mkhive REG_FILE HIVE_FILE PREFIX [--big-data] [--dirty] "
                 "[--truncate BYTES]\n";
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    const std::string hive = argv[2];
    std::filesystem::path parent = std::filesystem::path(hive).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent);
    tovrix::testing::WriteHive(hive, tovrix::testing::KeysOfRegText(text, argv[3]));
    for (int i = 4; i < argc; ++i) {
      const std::string option = argv[i];
      if (option == "--big-data") {
        tovrix::testing::StoreAsBigData(hive);
      } else if (option == "--dirty") {
        tovrix::testing::MarkHiveDirty(hive);
      } else if (option == "--truncate" && i + 1 < argc) {
        std::filesystem::resize_file(hive, std::stoull(argv[++i]));
      } else {
        throw std::runtime_error("unknown option " + option);
      }
    }
  } catch (const std::exception& error) {
    std::cerr << "tovrix_mkhive: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
