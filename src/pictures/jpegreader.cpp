#include "pictures/jpegreader.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "pictures/picturelimits.h"

// libjpeg reports a fatal error by calling error_exit, which must not return; it
// leaves through longjmp. Only the *Stage functions below call libjpeg, each
// under its own setjmp, and they hold nothing but plain data, so the jump never
// skips a destructor. The C++ code around them owns the image buffer.

namespace zarn {
namespace {

// Real progressive files have about ten scans; thousands are a denial of service.
constexpr int kMaxProgressiveScans = 256;
// Each warning is one more corrupt spot; past this many the file is garbage.
constexpr long kMaxWarnings = 1000;
// Buffered (progressive) decoding keeps every coefficient of the picture.
constexpr long kMaxLibjpegMemory = 1536L << 20;
// Huffman coding spends at least one bit per 8x8 block, so a real JPEG holds
// at least one byte per 512 pixels; allow twice that for arithmetic coding.
constexpr qint64 kMaxPixelsPerByte = 1024;

struct TJpegErrors {
  jpeg_error_mgr Public;  // first, so the library's pointer converts to ours
  jmp_buf Escape;
  char Message[JMSG_LENGTH_MAX];
  char FirstWarning[JMSG_LENGTH_MAX];
  long Warnings;
};

// Everything that lives across setjmp: plain data only.
struct TJpegJob {
  jpeg_decompress_struct Info;
  TJpegErrors Errors;
  jpeg_progress_mgr Progress;
  const unsigned char* Input;
  unsigned long InputSize;
  bool Created;
  JDIMENSION RowsDone;
  const TDecodeCancel* Cancel;
  bool Cancelled;
};

void ExitWithError(j_common_ptr info) {
  auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
  info->err->format_message(info, errors->Message);
  std::longjmp(errors->Escape, 1);
}

void ExitWithText(j_common_ptr info, const char* text) {
  auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
  std::snprintf(errors->Message, sizeof errors->Message, "%s", text);
  std::longjmp(errors->Escape, 1);
}

void CountWarning(j_common_ptr info, int level) {
  if (level >= 0) return;  // trace messages
  auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
  if (errors->Warnings == 0) info->err->format_message(info, errors->FirstWarning);
  if (++errors->Warnings > kMaxWarnings) ExitWithText(info, "too many corrupt data segments");
}

void IgnoreOutput(j_common_ptr) {}

void LimitScans(j_common_ptr info) {
  if (!info->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxProgressiveScans) {
    ExitWithText(info, "progressive JPEG with too many scans");
  }
}

void InitializeJob(TJpegJob* job, const QByteArray& bytes, const TDecodeCancel& cancel) {
  std::memset(job, 0, sizeof *job);
  job->Info.err = jpeg_std_error(&job->Errors.Public);
  job->Errors.Public.error_exit = ExitWithError;
  job->Errors.Public.emit_message = CountWarning;
  job->Errors.Public.output_message = IgnoreOutput;
  job->Progress.progress_monitor = LimitScans;
  job->Input = reinterpret_cast<const unsigned char*>(bytes.constData());
  job->InputSize = static_cast<unsigned long>(bytes.size());
  job->Cancel = &cancel;
}

// Stage 1: the header. Returns false with Errors.Message set.
bool ReadHeaderStage(TJpegJob* job) {
  if (setjmp(job->Errors.Escape)) return false;
  job->Created = true;
  jpeg_create_decompress(&job->Info);
  job->Info.mem->max_memory_to_use = kMaxLibjpegMemory;
  job->Info.progress = &job->Progress;
  jpeg_mem_src(&job->Info, job->Input, job->InputSize);
  jpeg_read_header(&job->Info, TRUE);
  return true;
}

// Stage 2: the output size at the chosen scale and colour space.
bool PrepareOutputStage(TJpegJob* job, int scaleEighths, J_COLOR_SPACE outputSpace) {
  if (setjmp(job->Errors.Escape)) return false;
  job->Info.scale_num = static_cast<unsigned int>(scaleEighths);
  job->Info.scale_denom = 8;
  job->Info.out_color_space = outputSpace;
  jpeg_calc_output_dimensions(&job->Info);
  return true;
}

// Stage 3: the pixels, row by row into `bits`. RowsDone counts finished rows
// so that a picture cut short can still be shown.
bool DecodeStage(TJpegJob* job, unsigned char* bits, qsizetype bytesPerLine) {
  if (setjmp(job->Errors.Escape)) return false;
  jpeg_start_decompress(&job->Info);
  while (job->Info.output_scanline < job->Info.output_height) {
    job->Cancelled = IsCancelled(*job->Cancel);
    if (job->Cancelled) return false;
    JSAMPROW row = bits + qsizetype(job->Info.output_scanline) * bytesPerLine;
    jpeg_read_scanlines(&job->Info, &row, 1);
    job->RowsDone = job->Info.output_scanline;
  }
  jpeg_finish_decompress(&job->Info);
  return true;
}

class TJobCleanup {
 public:
  explicit TJobCleanup(TJpegJob* job) : Job_(job) {}
  ~TJobCleanup() {
    if (Job_->Created) jpeg_destroy_decompress(&Job_->Info);
  }
  TJobCleanup(const TJobCleanup&) = delete;
  TJobCleanup& operator=(const TJobCleanup&) = delete;

 private:
  TJpegJob* Job_;
};

OsError LibraryError(const TJpegJob& job) { return DamagedPictureError(QString::fromLatin1(job.Errors.Message)); }

J_COLOR_SPACE OutputSpaceFor(J_COLOR_SPACE fileSpace) {
  if (fileSpace == JCS_GRAYSCALE) return JCS_GRAYSCALE;
  if (fileSpace == JCS_CMYK || fileSpace == JCS_YCCK) return JCS_CMYK;
  return JCS_EXT_RGBX;
}

// CMYK rows arrive in the 4-byte pixels of an RGBX image; Adobe files store the
// inks inverted.
void ConvertCmykToRgb(QImage& image, bool invertedInks) {
  for (int y = 0; y < image.height(); ++y) {
    uchar* pixel = image.scanLine(y);
    for (int x = 0; x < image.width(); ++x, pixel += 4) {
      const int black = invertedInks ? pixel[3] : 255 - pixel[3];
      for (int channel = 0; channel < 3; ++channel) {
        const int ink = invertedInks ? pixel[channel] : 255 - pixel[channel];
        pixel[channel] = static_cast<uchar>(ink * black / 255);
      }
      pixel[3] = 255;
    }
  }
}

ErrorOrDone CheckDeclaredSize(const jpeg_decompress_struct& info, qint64 inputBytes) {
  auto size = CheckPictureSize(info.image_width, info.image_height);
  if (size.IsError()) return size;
  const qint64 pixels = qint64(info.image_width) * info.image_height;
  return CheckExpansion(info.image_width, info.image_height, pixels, inputBytes, kMaxPixelsPerByte);
}

}  // namespace

int JpegScaleEighths(const QSize& fullSize, const QSize& fitArea) {
  if (fitArea.isEmpty() || fullSize.isEmpty()) return 8;
  const QSize fitted = FitSize(fullSize, fitArea);
  for (int eighths = 1; eighths < 8; ++eighths) {
    const qint64 width = (qint64(fullSize.width()) * eighths + 7) / 8;
    const qint64 height = (qint64(fullSize.height()) * eighths + 7) / 8;
    if (width >= fitted.width() && height >= fitted.height()) return eighths;
  }
  return 8;
}

ErrorOr<TPicture> ReadJpegPicture(const QByteArray& bytes, const QSize& fitArea, const TDecodeCancel& cancel) {
  auto job = std::make_unique<TJpegJob>();
  InitializeJob(job.get(), bytes, cancel);
  TJobCleanup cleanup(job.get());
  if (!ReadHeaderStage(job.get())) return LibraryError(*job);
  auto declared = CheckDeclaredSize(job->Info, bytes.size());
  if (declared.IsError()) return declared.Error();

  const QSize fullSize(int(job->Info.image_width), int(job->Info.image_height));
  const J_COLOR_SPACE outputSpace = OutputSpaceFor(job->Info.jpeg_color_space);
  if (!PrepareOutputStage(job.get(), JpegScaleEighths(fullSize, fitArea), outputSpace)) return LibraryError(*job);
  auto budget = CheckDecodedPixels(job->Info.output_width, job->Info.output_height);
  if (budget.IsError()) return budget.Error();

  const QImage::Format format = outputSpace == JCS_GRAYSCALE ? QImage::Format_Grayscale8 : QImage::Format_RGBX8888;
  QImage image(int(job->Info.output_width), int(job->Info.output_height), format);
  if (image.isNull()) return OsError(ENOMEM);
  image.fill(Qt::lightGray);
  const bool decoded = DecodeStage(job.get(), image.bits(), image.bytesPerLine());
  if (job->Cancelled) return CancelledDecodeError();
  if (!decoded && job->RowsDone == 0) return LibraryError(*job);
  if (outputSpace == JCS_CMYK) ConvertCmykToRgb(image, job->Info.saw_Adobe_marker);

  TPicture picture = TPicture::FromImage(std::move(image), fullSize);
  if (!decoded) {
    picture.MarkDamaged(QString::fromLatin1(job->Errors.Message));
  } else if (job->Errors.Warnings > 0) {
    picture.MarkDamaged(QString::fromLatin1(job->Errors.FirstWarning));
  }
  return picture;
}

}  // namespace zarn
