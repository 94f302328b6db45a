#pragma once
// An open file descriptor, closed when it goes out of scope.

#include <unistd.h>

namespace zarn {

class TFileDescriptor {
 public:
  explicit TFileDescriptor(int descriptor = -1) : Descriptor_(descriptor) {}
  ~TFileDescriptor() {
    if (Descriptor_ >= 0) ::close(Descriptor_);
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;

  int Get() const { return Descriptor_; }
  bool IsOpen() const { return Descriptor_ >= 0; }
  // Closes now, for callers that must see the error close reports.
  int Close() {
    const int result = ::close(Descriptor_);
    Descriptor_ = -1;
    return result;
  }

 private:
  int Descriptor_;
};

}  // namespace zarn
