#pragma once
// libpng inflates a picture's data with zlib, and in a large picture that is
// nearly all of the decode: a 20000 x 20000 picture of zeros spends 2.9 s of 3
// there. This source hands libpng the same file with its picture data already
// inflated by ISA-L, several times faster, and stored again as deflate's
// uncompressed blocks, which zlib only copies. libpng still does everything
// else: chunk order, filters, transforms, and every error it finds.
//
// The rewritten picture chunks carry no CRC, so every chunk's CRC is checked
// here, on the file as it is.

#include <cstddef>
#include <memory>
#include <vector>

struct inflate_state;

namespace zarn {

class TInflatedPngSource {
 public:
  // Null when the file's chunks are not whole and sound (cut short, a CRC that
  // does not match, no picture data, a stream that is not plain deflate): libpng
  // then reads the file as it is and says what is wrong with it.
  static std::unique_ptr<TInflatedPngSource> ForFile(const unsigned char* bytes, size_t size);
  ~TInflatedPngSource();
  TInflatedPngSource(const TInflatedPngSource&) = delete;
  TInflatedPngSource& operator=(const TInflatedPngSource&) = delete;

  // Copies the next `length` bytes of the rewritten file to `out`. False past
  // the end of the file or when the picture data does not inflate; Error() says why.
  bool Read(unsigned char* out, size_t length);
  const char* Error() const { return Error_; }

 private:
  struct TSpan {
    size_t Offset;
    size_t Length;
  };
  enum class TPart { Head, PictureChunks, Tail };

  TInflatedPngSource(const unsigned char* bytes, size_t size, size_t headEnd, std::vector<TSpan> data, size_t tail);
  bool StageNextChunk();
  size_t InflateInto(unsigned char* out, size_t capacity, bool* finished);
  bool NextInput();

  const unsigned char* Bytes_;
  size_t Size_;
  size_t HeadEnd_;  // where the first picture chunk begins
  std::vector<TSpan> Data_;  // the picture chunks' data, zlib header excluded
  size_t Tail_;  // where the first chunk after the picture chunks begins
  std::unique_ptr<inflate_state> Inflater_;
  size_t NextSpan_ = 0;
  TPart Part_ = TPart::Head;
  size_t Position_ = 0;  // in Head and Tail: the offset in the file
  std::vector<unsigned char> Staged_;  // one rewritten picture chunk
  size_t StagedPosition_ = 0;
  size_t StagedEnd_ = 0;
  bool FirstChunk_ = true;
  bool StreamEnded_ = false;
  bool Broken_ = false;  // the picture data stopped inflating; Error_ says why
  const char* Error_ = "";
};

}  // namespace zarn
