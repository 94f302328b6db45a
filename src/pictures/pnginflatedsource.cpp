#include "pictures/pnginflatedsource.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zarn {
namespace {

constexpr size_t kSignatureBytes = 8;
constexpr size_t kChunkFrameBytes = 12;  // length, type, CRC
constexpr size_t kZlibHeaderBytes = 2;
constexpr size_t kStoredHeaderBytes = 5;  // block type, length, its complement
constexpr size_t kMaxStoredBytes = 65535;
constexpr size_t kAdlerBytes = 4;
constexpr uint32_t kMaxChunkLength = 0x7fffffffu;

uint32_t BigEndian32(const unsigned char* bytes) {
  return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | uint32_t(bytes[3]);
}

void PutBigEndian32(unsigned char* out, uint32_t value) {
  for (int index = 0; index < 4; ++index) out[index] = static_cast<unsigned char>(value >> (24 - 8 * index));
}

bool CrcMatches(const unsigned char* chunk, size_t length) {
  const uLong crc = crc32(0, chunk + 4, uInt(length + 4));
  return crc == BigEndian32(chunk + 8 + length);
}

// Deflate data in a zlib wrapper with no preset dictionary, as PNG requires.
bool IsPlainZlibHeader(const unsigned char* header) {
  const unsigned method = header[0] & 0x0f;
  const unsigned window = header[0] >> 4;
  const bool presetDictionary = (header[1] & 0x20) != 0;
  return method == 8 && window <= 7 && !presetDictionary && (header[0] * 256u + header[1]) % 31 == 0;
}

}  // namespace

std::unique_ptr<TInflatedPngSource> TInflatedPngSource::ForFile(const unsigned char* bytes, size_t size) {
  std::vector<TSpan> data;
  size_t headEnd = 0;
  size_t tail = 0;
  bool inPictureChunks = false;
  for (size_t position = kSignatureBytes; position + kChunkFrameBytes <= size;) {
    const uint32_t length = BigEndian32(bytes + position);
    if (length > kMaxChunkLength || length > size - position - kChunkFrameBytes) return nullptr;
    if (!CrcMatches(bytes + position, length)) return nullptr;
    const bool picture = std::memcmp(bytes + position + 4, "IDAT", 4) == 0;
    if (picture && !data.empty() && !inPictureChunks) return nullptr;
    if (picture) {
      if (data.empty()) headEnd = position;
      data.push_back({position + 8, length});
      tail = position + kChunkFrameBytes + length;
    }
    inPictureChunks = picture;
    if (std::memcmp(bytes + position + 4, "IEND", 4) == 0) {
      if (data.empty() || data.front().Length < kZlibHeaderBytes) return nullptr;
      if (!IsPlainZlibHeader(bytes + data.front().Offset)) return nullptr;
      data.front().Offset += kZlibHeaderBytes;
      data.front().Length -= kZlibHeaderBytes;
      return std::unique_ptr<TInflatedPngSource>(new TInflatedPngSource(bytes, size, headEnd, std::move(data), tail));
    }
    position += kChunkFrameBytes + length;
  }
  return nullptr;
}

TInflatedPngSource::TInflatedPngSource(const unsigned char* bytes, size_t size, size_t headEnd,
                                       std::vector<TSpan> data, size_t tail)
    : Bytes_(bytes),
      Size_(size),
      HeadEnd_(headEnd),
      Data_(std::move(data)),
      Tail_(tail),
      Inflater_(std::make_unique<inflate_state>()),
      Staged_(8 + kZlibHeaderBytes + kStoredHeaderBytes + kMaxStoredBytes + kAdlerBytes + 4) {
  isal_inflate_init(Inflater_.get());
  Inflater_->crc_flag = ISAL_DEFLATE;
  NextInput();
}

TInflatedPngSource::~TInflatedPngSource() = default;

bool TInflatedPngSource::NextInput() {
  if (NextSpan_ == Data_.size()) return false;
  const TSpan& span = Data_[NextSpan_++];
  Inflater_->next_in = const_cast<unsigned char*>(Bytes_ + span.Offset);
  Inflater_->avail_in = uint32_t(span.Length);
  return true;
}

bool TInflatedPngSource::Read(unsigned char* out, size_t length) {
  while (length > 0) {
    size_t available = 0;
    const unsigned char* from = nullptr;
    if (Part_ == TPart::PictureChunks) {
      if (StagedPosition_ == StagedEnd_ && !StreamEnded_ && !StageNextChunk()) return false;
      if (StagedPosition_ == StagedEnd_) {
        Part_ = TPart::Tail;
        Position_ = Tail_;
        continue;
      }
      available = StagedEnd_ - StagedPosition_;
      from = Staged_.data() + StagedPosition_;
    } else {
      const size_t end = Part_ == TPart::Head ? HeadEnd_ : Size_;
      if (Part_ == TPart::Head && Position_ == end) {
        Part_ = TPart::PictureChunks;
        continue;
      }
      if (Position_ == end) {
        Error_ = "unexpected end of file";
        return false;
      }
      available = end - Position_;
      from = Bytes_ + Position_;
    }
    const size_t count = std::min(available, length);
    std::memcpy(out, from, count);
    out += count;
    length -= count;
    (Part_ == TPart::PictureChunks ? StagedPosition_ : Position_) += count;
  }
  return true;
}

// Inflates up to `capacity` bytes; a stream whose data ends before its last
// block stops where the data does, as zlib would, and libpng sees the chunks
// after the picture data where it wanted more. The bytes inflated before a
// broken block are handed on before the error is.
size_t TInflatedPngSource::InflateInto(unsigned char* out, size_t capacity, bool* finished) {
  inflate_state& inflater = *Inflater_;
  inflater.next_out = out;
  inflater.avail_out = uint32_t(capacity);
  while (!Broken_ && inflater.avail_out > 0 && inflater.block_state != ISAL_BLOCK_FINISH) {
    if (inflater.avail_in == 0 && !NextInput()) break;
    const int status = isal_inflate(&inflater);
    const bool stalled = inflater.avail_in > 0 && inflater.avail_out > 0 && inflater.block_state != ISAL_BLOCK_FINISH;
    if (status < 0 || stalled) {
      Error_ = "invalid compressed picture data";
      Broken_ = true;
    }
  }
  *finished = inflater.block_state == ISAL_BLOCK_FINISH;
  return capacity - inflater.avail_out;
}

// A picture chunk holding one stored block of the next inflated bytes; the
// last also holds the zlib checksum's place, which libpng is told to ignore.
bool TInflatedPngSource::StageNextChunk() {
  unsigned char* chunk = Staged_.data();
  const size_t header = FirstChunk_ ? kZlibHeaderBytes : 0;
  unsigned char* payload = chunk + 8 + header + kStoredHeaderBytes;
  bool finished = false;
  const size_t produced = InflateInto(payload, kMaxStoredBytes, &finished);
  if (produced == 0 && Broken_) return false;
  StagedPosition_ = 0;
  StagedEnd_ = 0;
  if (produced == 0 && !finished) {
    StreamEnded_ = true;
    return true;
  }
  const size_t checksum = finished ? kAdlerBytes : 0;
  const size_t length = header + kStoredHeaderBytes + produced + checksum;
  PutBigEndian32(chunk, uint32_t(length));
  std::memcpy(chunk + 4, "IDAT", 4);
  if (FirstChunk_) {
    chunk[8] = 0x78;
    chunk[9] = 0x01;
  }
  unsigned char* block = chunk + 8 + header;
  block[0] = finished ? 1 : 0;
  block[1] = static_cast<unsigned char>(produced);
  block[2] = static_cast<unsigned char>(produced >> 8);
  block[3] = static_cast<unsigned char>(~produced);
  block[4] = static_cast<unsigned char>(~produced >> 8);
  std::memset(payload + produced, 0, checksum + 4);
  StagedEnd_ = 8 + length + 4;
  FirstChunk_ = false;
  StreamEnded_ = finished;
  return true;
}

}  // namespace zarn
