// The section lists the converters fill, and the INF document made of them.
//
// Layout: each non-empty section list is written as its header line, its
// items (each followed by CR LF) and one empty line, in the order
// Software.AddReg (then, only there and only when not empty, "; for
// Tessalon" and the expander list as a block of its own), Software.DelReg,
// Default.AddReg, Default.DelReg, SetupReg.AddReg. All lists empty: a file
// of 0 bytes. The file is replaced atomically.
#ifndef TOVRIX_INF_OUTPUT_H_
#define TOVRIX_INF_OUTPUT_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "text/string_list.h"

namespace tovrix {

// Each list keeps its items' line ends, so that it is written out as it
// is stored.
struct OutputLists {
  TStringList softwareAddReg{LineEnds::Kept};
  TStringList softwareDelReg{LineEnds::Kept};
  TStringList defaultAddReg{LineEnds::Kept};
  TStringList defaultDelReg{LineEnds::Kept};
  TStringList setupRegAddReg{LineEnds::Kept};
  TStringList expanderList{LineEnds::Kept};
};

// The document's bytes (for tests and small outputs).
std::string AssembleOutputDocument(const OutputLists& lists);

// Writes the document to `path`, block by block. Throws EFCreateError /
// EWriteError.
void WriteOutputDocument(const OutputLists& lists, const std::string& path);

// Writes the document while the converters still fill the lists.
// Whenever a section's items hold kStreamedBytes they go out and are
// dropped from the list, so the INF of a large input is never held whole.
// The first section to get there goes straight into the temporary file
// beside `path` when no section before it in the file holds anything (most
// inputs fill one section: an export of one hive); the sections after it go
// to files of their own that nobody sees (platform::SpillFile), where the
// system has them, and Finish copies each in after its header, before the
// items its list still holds. Should a section before the one written first
// get items after all, Finish sets the file written so far aside and copies
// it in where that section comes. Where the system keeps no bytes aside,
// only [Software.AddReg] is written straight away and the other sections
// are held. Finish writes the rest and puts the file in place: the same
// bytes and the same failures as WriteOutputDocument at that point, and
// until then nothing but the temporary file exists. Where no temporary file
// can be made when the stream is made, or the target could only be written
// in place, the lists are held whole and Finish is WriteOutputDocument. A
// stream that is not finished removes its temporary file.
//
// `itemsMayBeCut`: the key-list input runs after others filled the lists,
// and it cuts the sections' items at their line breaks when it appends
// (liveexport/section_append.h). Items are then written only while none
// holds a line break; from the first that does, the section is held.
class OutputStream {
 public:
  static constexpr std::size_t kStreamedBytes = std::size_t{1} << 20;

  OutputStream(OutputLists& lists, const std::string& path, bool itemsMayBeCut);
  ~OutputStream();
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  // Throws EFCreateError / EWriteError.
  void Finish();

 private:
  class Section;

  // `items` (the section's list, or a list handed in whole in its place:
  // TStringList::AddAll) are due: true when they went into the file itself
  // (and were dropped), false when they go aside.
  bool TakeStraight(Section& section, TStringList& items);
  // Whether a section before `section` in the file holds anything.
  bool FilledBefore(const Section& section) const;
  // Ends every sink the stream set.
  void Detach();

  OutputLists& lists_;
  const std::string path_;
  std::unique_ptr<platform::FileWriter> writer_;  // null while the lists are held
  Section* first_ = nullptr;      // the section written straight away, header and all
  bool failed_ = false;           // a write failed: the rest is dropped
  bool asideEverywhere_ = false;  // every section has a spill file
  std::string chunk_;
  std::vector<std::unique_ptr<Section>> sections_;  // the five, in file order
};

}  // namespace tovrix

#endif  // TOVRIX_INF_OUTPUT_H_
