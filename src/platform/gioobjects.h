#pragma once
// GIO for the platform layer's sources: the header, and owners of what GIO
// hands out. Include only from .cpp files.

// GLib names a struct member "signals", which Qt defines as a keyword macro.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <QString>

#include <cerrno>

#include "platform/errors.h"

namespace zarn {

// Owns a GError and turns it into an OsError.
struct TGError {
  GError* Error = nullptr;
  ~TGError() { g_clear_error(&Error); }
  OsError ToOsError(const QString& path) const {
    return OsError::WithText(Error ? QString::fromUtf8(Error->message) : SystemMessage(EIO), path);
  }
};

// Holds one reference of a GObject.
template <typename T>
class TGRef {
 public:
  explicit TGRef(T* object = nullptr) : Object_(object) {}
  ~TGRef() {
    if (Object_) g_object_unref(Object_);
  }
  TGRef(const TGRef&) = delete;
  TGRef& operator=(const TGRef&) = delete;
  T* Get() const { return Object_; }
  explicit operator bool() const { return Object_ != nullptr; }

 private:
  T* Object_ = nullptr;
};

}  // namespace zarn
