#include "pictures/pngreader.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "pictures/picturelimits.h"
#include "pictures/pnginflatedsource.h"
#include "pictures/rowscaler.h"

// libpng reports errors through png_error, which leaves by longjmp to the
// png_jmpbuf of the stage running. As with JPEG, only the *Stage functions call
// libpng, each under its own setjmp, and they hold plain data only.
//
// A picture larger than the area it is shown in is decoded row by row into the
// reduced size (TRowScaler), so a 20000 x 20000 picture of a few megabytes
// never becomes 1.6 GB of pixels. An interlaced picture arrives in seven passes
// over the whole picture, so it can only be decoded whole, within the budget of
// kMaxDecodedPixels, and is reduced afterwards.

namespace zarn {
namespace {

// A single chunk (text, profile, ...) larger than this is refused.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(16) << 20;
constexpr png_uint_32 kMaxCachedChunks = 1000;
// Deflate cannot expand data more than 1032 times.
constexpr qint64 kMaxDeflateExpansion = 1100;
// libpng reads picture data in pieces of this size: one rewritten chunk at a time.
constexpr size_t kInflatedReadBytes = size_t(1) << 17;

using TPngOutput = TRowScaler::TPixels;

struct TPngJob {
  png_structp Png;
  png_infop Info;
  const unsigned char* Input;
  TInflatedPngSource* Inflated;  // null: libpng reads Input as it is
  size_t InputSize;
  size_t Position;
  char Message[256];
  png_uint_32 Width;
  png_uint_32 Height;
  size_t RawRowBytes;
  bool Interlaced;
  int Passes;
  TPngOutput Output;
  png_uint_32 RowsDone;
  const TDecodeCancel* Cancel;
  bool Cancelled;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
  auto* job = static_cast<TPngJob*>(png_get_io_ptr(png));
  if (job->Inflated) {
    if (!job->Inflated->Read(out, length)) png_error(png, job->Inflated->Error());
    return;
  }
  if (length > job->InputSize - job->Position) png_error(png, "unexpected end of file");
  std::memcpy(out, job->Input + job->Position, length);
  job->Position += length;
}

void StopWithError(png_structp png, png_const_charp message) {
  auto* job = static_cast<TPngJob*>(png_get_error_ptr(png));
  std::snprintf(job->Message, sizeof job->Message, "%s", message ? message : "libpng error");
  png_longjmp(png, 1);
}

// Warnings are about ancillary data (profiles, text) that the picture does not need.
void IgnoreWarning(png_structp, png_const_charp) {}

bool ReadHeaderStage(TPngJob* job) {
  if (setjmp(png_jmpbuf(job->Png))) return false;
  png_set_user_limits(job->Png, png_uint_32(kMaxPictureSide), png_uint_32(kMaxPictureSide));
  png_set_chunk_malloc_max(job->Png, kMaxChunkBytes);
  png_set_chunk_cache_max(job->Png, kMaxCachedChunks);
  png_set_read_fn(job->Png, job, ReadFromMemory);
  // Every chunk's CRC already covers the compressed bytes; the Adler-32 of the
  // inflated data would only cost a second pass over every decoded byte.
  png_set_option(job->Png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
  if (job->Inflated) {
    // The source checked every CRC; its picture chunks carry none.
    png_set_crc_action(job->Png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_compression_buffer_size(job->Png, kInflatedReadBytes);
  }
  png_read_info(job->Png, job->Info);
  job->Width = png_get_image_width(job->Png, job->Info);
  job->Height = png_get_image_height(job->Png, job->Info);
  job->RawRowBytes = png_get_rowbytes(job->Png, job->Info);
  job->Interlaced = png_get_interlace_type(job->Png, job->Info) != PNG_INTERLACE_NONE;
  return true;
}

// Every picture becomes 8-bit gray, RGBX or RGBA.
bool SetTransformsStage(TPngJob* job) {
  if (setjmp(png_jmpbuf(job->Png))) return false;
  png_structp png = job->Png;
  const int colorType = png_get_color_type(png, job->Info);
  const bool transparency = png_get_valid(png, job->Info, PNG_INFO_tRNS) != 0;
  png_set_expand(png);
  png_set_strip_16(png);
  const bool gray = (colorType & PNG_COLOR_MASK_COLOR) == 0;
  const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || transparency;
  if (gray && !alpha) {
    job->Output = TPngOutput::Gray;
  } else {
    if (gray) png_set_gray_to_rgb(png);
    if (!alpha) png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    job->Output = alpha ? TPngOutput::Rgba : TPngOutput::Rgbx;
  }
  job->Passes = png_set_interlace_handling(png);
  png_read_update_info(png, job->Info);
  return true;
}

bool StopIfCancelled(TPngJob* job) {
  job->Cancelled = IsCancelled(*job->Cancel);
  return job->Cancelled;
}

bool DecodeStage(TPngJob* job, unsigned char* bits, qsizetype bytesPerLine) {
  if (setjmp(png_jmpbuf(job->Png))) return false;
  for (int pass = 0; pass < job->Passes; ++pass) {
    for (png_uint_32 y = 0; y < job->Height; ++y) {
      if (StopIfCancelled(job)) return false;
      png_read_row(job->Png, bits + qsizetype(y) * bytesPerLine, nullptr);
      if (!job->Interlaced) job->RowsDone = y + 1;
    }
  }
  if (job->Interlaced) job->RowsDone = job->Height;
  return true;
}

// Each row goes through `row` into the scaler; the stage holds no C++ object.
bool DecodeReducedStage(TPngJob* job, unsigned char* row, TRowScaler* scaler) {
  if (setjmp(png_jmpbuf(job->Png))) return false;
  for (png_uint_32 y = 0; y < job->Height; ++y) {
    if (StopIfCancelled(job)) return false;
    png_read_row(job->Png, row, nullptr);
    scaler->AddRow(row);
    job->RowsDone = y + 1;
  }
  return true;
}

bool ReadEndStage(TPngJob* job) {
  if (setjmp(png_jmpbuf(job->Png))) return false;
  png_read_end(job->Png, nullptr);
  return true;
}

class TPngCleanup {
 public:
  explicit TPngCleanup(TPngJob* job) : Job_(job) {}
  ~TPngCleanup() { png_destroy_read_struct(&Job_->Png, Job_->Info ? &Job_->Info : nullptr, nullptr); }
  TPngCleanup(const TPngCleanup&) = delete;
  TPngCleanup& operator=(const TPngCleanup&) = delete;

 private:
  TPngJob* Job_;
};

OsError LibraryError(const TPngJob& job) { return DamagedPictureError(QString::fromLatin1(job.Message)); }

// The sizes in the header chunk, checked before libpng allocates anything.
ErrorOrDone CheckHeaderChunk(const QByteArray& bytes) {
  if (bytes.size() < 24 || std::memcmp(bytes.constData() + 12, "IHDR", 4) != 0) return Done{};
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qint64 width = png_get_uint_32(data + 16);
  const qint64 height = png_get_uint_32(data + 20);
  return CheckPictureSize(width, height);
}

// A picture decoded in part is shown, marked damaged; one without a single row is an error.
ErrorOr<TPicture> Finish(TPngJob* job, bool decoded, QImage image, const QSize& fullSize) {
  if (job->Cancelled) return CancelledDecodeError();
  if (!decoded && job->RowsDone == 0) return LibraryError(*job);
  const bool ended = decoded && ReadEndStage(job);
  TPicture picture = TPicture::FromImage(std::move(image), fullSize);
  if (!ended) picture.MarkDamaged(QString::fromLatin1(job->Message));
  return picture;
}

ErrorOr<TPicture> DecodeWhole(TPngJob* job, const QSize& fitArea) {
  auto budget = CheckDecodedPixels(job->Width, job->Height);
  if (budget.IsError() && job->Interlaced) {
    return OsError::WithText(QStringLiteral("Чересстрочное изображение PNG %1 x %2 точек слишком велико для просмотра: "
                                            "его можно прочесть только целиком, а это более %3 млн точек")
                                 .arg(job->Width)
                                 .arg(job->Height)
                                 .arg(kMaxDecodedPixels / 1000000));
  }
  if (budget.IsError()) return budget.Error();
  // libpng hands out colours not premultiplied by their alpha.
  const QImage::Format format =
      job->Output == TPngOutput::Rgba ? QImage::Format_RGBA8888 : TRowScaler::ImageFormat(job->Output);
  QImage image(int(job->Width), int(job->Height), format);
  if (image.isNull()) return OsError(ENOMEM);
  image.fill(Qt::transparent);
  const bool decoded = DecodeStage(job, image.bits(), image.bytesPerLine());
  auto picture = Finish(job, decoded, std::move(image), {});
  if (picture.IsError() || ReducedSize(picture.Value().Size(), fitArea) == picture.Value().Size()) return picture;
  TPicture reduced = ReducedPicture(picture.Value().Image(), fitArea);
  if (picture.Value().IsDamaged()) reduced.MarkDamaged(picture.Value().DamageNote());
  return reduced;
}

ErrorOr<TPicture> DecodeReduced(TPngJob* job, const QSize& reducedSize) {
  TRowScaler scaler(QSize(int(job->Width), int(job->Height)), reducedSize, job->Output);
  std::vector<unsigned char> row(png_get_rowbytes(job->Png, job->Info));
  if (!scaler.IsReady()) return OsError(ENOMEM);
  const bool decoded = DecodeReducedStage(job, row.data(), &scaler);
  return Finish(job, decoded, scaler.TakeImage(), QSize(int(job->Width), int(job->Height)));
}

ErrorOr<TPicture> DecodePixels(TPngJob* job, const QSize& fitArea) {
  const QSize fullSize(int(job->Width), int(job->Height));
  const QSize reducedSize = ReducedSize(fullSize, fitArea);
  if (job->Interlaced || reducedSize == fullSize) return DecodeWhole(job, fitArea);
  return DecodeReduced(job, reducedSize);
}

}  // namespace

ErrorOr<TPicture> ReadPngPicture(const QByteArray& bytes, const QSize& fitArea, const TDecodeCancel& cancel) {
  if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.constData()), 0, 8) != 0) {
    return DamagedPictureError(QStringLiteral("not a PNG file"));
  }
  auto header = CheckHeaderChunk(bytes);
  if (header.IsError()) return header.Error();

  TPngJob job{};
  job.Input = reinterpret_cast<const unsigned char*>(bytes.constData());
  job.InputSize = size_t(bytes.size());
  const auto inflated = TInflatedPngSource::ForFile(job.Input, job.InputSize);
  job.Inflated = inflated.get();
  job.Cancel = &cancel;
  job.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, StopWithError, IgnoreWarning);
  if (!job.Png) return OsError(ENOMEM);
  job.Info = png_create_info_struct(job.Png);
  TPngCleanup cleanup(&job);
  if (!job.Info) return OsError(ENOMEM);

  if (!ReadHeaderStage(&job)) return LibraryError(job);
  auto size = CheckPictureSize(job.Width, job.Height);
  if (size.IsError()) return size.Error();
  const qint64 rawBytes = qint64(job.Height) * (qint64(job.RawRowBytes) + 1);
  auto expansion = CheckExpansion(job.Width, job.Height, rawBytes, bytes.size(), kMaxDeflateExpansion);
  if (expansion.IsError()) return expansion.Error();
  if (!SetTransformsStage(&job)) return LibraryError(job);
  return DecodePixels(&job, fitArea);
}

}  // namespace zarn
