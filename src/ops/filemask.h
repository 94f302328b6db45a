#pragma once
// File-name masks and the mark operations that use them. No widgets: the main
// window copies its rows into TMarkRow values, runs an operation and takes the
// marks back.
//
// Mask syntax: "*" any run of characters (empty included), "?" one character,
// "[abc]", "[a-z]" and "[!a-z]" one character from (or outside) a set; every
// other character stands for itself. Latin a-z match in either case, all other
// letters exactly. "." is ordinary, so "*.*" needs a dot in the name. A mask
// works on characters: a character outside the BMP counts as one, and each
// byte of a name that is not UTF-8 (a lone surrogate after FromNativeName)
// counts as one character of its own.

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

#include "platform/errors.h"

namespace zarn {

// A mask may carry "*" in at most this many places (a run of stars counts once).
inline constexpr int MaxMaskStars = 30;

class TFileMask {
 public:
  // Parses `mask`; a malformed one gives the error "'<mask>' is an invalid mask
  // at (<position>)", the position 1-based in characters and pointing at the
  // fault: the "[" left open, the "-" of a range without a first character,
  // the "]" that closes an empty set, the star one over the limit.
  static ErrorOr<TFileMask> Compile(const QString& mask);
  // True when the whole of `name` matches. O(name length x mask length) at worst.
  bool Matches(const QString& name) const;

  struct Token {
    enum class Kind { Literal, AnyOne, AnyRun, Set };
    Kind Type = Kind::Literal;
    char32_t Character = 0;
    bool Negated = false;
    // Inclusive ranges of a set (a single character is a range of one).
    std::vector<std::pair<char32_t, char32_t>> Ranges;
  };

 private:
  std::vector<Token> Tokens_;
};

// The mask matcher as one call (compiles the mask each time: for many names
// compile once with TFileMask).
ErrorOr<bool> NameMatchesMask(const QString& name, const QString& mask);

// One row of a list as the mark operations see it.
struct TMarkRow {
  QString Name;
  bool IsFolder = false;
  bool Marked = false;
};

// The choices of the selection-modes window, in its order.
enum class MarkOperation { Mark = 0, MarkMissing = 1, Unmark = 2, Invert = 3 };

// Folders are never touched. On a malformed mask nothing changes and the error
// is returned.
ErrorOrDone MarkByMask(std::vector<TMarkRow>& rows, const QString& mask);
ErrorOrDone UnmarkByMask(std::vector<TMarkRow>& rows, const QString& mask);
// Marks the files matching `mask`, then unmarks every file, matching or not,
// whose name equals (letter case counts) one of `panelCaptions` from its SECOND
// entry on: the panel's first entry never takes part.
ErrorOrDone MarkMissing(std::vector<TMarkRow>& rows, const QString& mask, const QStringList& panelCaptions);
void InvertMarks(std::vector<TMarkRow>& rows);

// Runs the operation a selection-modes choice stands for.
ErrorOrDone ApplyMarkOperation(MarkOperation operation, std::vector<TMarkRow>& rows, const QString& mask,
                               const QStringList& panelCaptions = {});

}  // namespace zarn
