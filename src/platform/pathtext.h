#pragma once
// Arithmetic on path texts as the windows show them ("/"-separated, folders
// often ending in "/"). Text only: nothing here looks at the file system.

#include <QString>

namespace zarn {

// The text after the last separator: the root "/" comes back whole; otherwise
// one trailing "/" is ignored and the text after the last remaining "/" is
// returned; empty when there is none.
QString LastPathComponent(const QString& path);

// A folder path ending in exactly one "/": one is appended unless the text
// already ends with one (the root "/", the computer) or is empty.
QString WithTrailingSlash(const QString& path);

// The path without trailing "/" characters; the root "/" stays as it is.
QString WithoutTrailingSlash(const QString& path);

}  // namespace zarn
