// Reading and writing the contour record files (sort.prn and the files derived from it): one
// record per line, a letter and two millimetre coordinates printed with two decimals.
//
// The reader follows the conventions of the files' original C reader ("%c %f %f "): the letter
// is the next non-blank character, a coordinate that is absent (a record that ends after its
// letter, such as the closing "A") leaves the previous value in place, and blanks after a record
// are consumed so that the offset after a record is the offset of the next one. Values pass
// through single precision, so reading and rewriting a file reproduces the original bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvex {

struct ContourRecord {
  char letter = 0;
  float a = 0.0F;  // along the feed, mm
  float b = 0.0F;  // across the feed, mm
  int values = 0;  // coordinates actually present on the record (0..2)
};

// Walks the records of a file held in memory.
class ContourRecordReader {
 public:
  explicit ContourRecordReader(std::string_view text, std::size_t offset = 0)
      : text_(text), offset_(offset) {}

  // Reads the next record into `record` (keeping its previous coordinates where the record has
  // none). False at the end of the text.
  bool Next(ContourRecord& record);
  // Offset of the next unread byte: right after the previous record and the blanks after it.
  std::size_t Offset() const { return offset_; }
  void Seek(std::size_t offset) { offset_ = offset < text_.size() ? offset : text_.size(); }

 private:
  bool ReadValue(float& value);
  void SkipBlanks();

  std::string_view text_;
  std::size_t offset_;
};

// Appends "%c %.2f %.2f\n".
void AppendContourRecord(std::string& out, char letter, float a, float b);

inline bool IsCutLetter(char letter) {
  return letter == 'L' || letter == 'C';
}
// A cut record that lacks a coordinate is damaged: what it would carry over from the record
// before it depends on where reading started, so it is never taken as a point.
inline bool IsCutPoint(const ContourRecord& record) {
  return IsCutLetter(record.letter) && record.values == 2;
}
inline bool IsContourStart(char letter) {
  return letter == 'M' || letter == 'O';
}

}  // namespace orvex
