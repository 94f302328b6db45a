#pragma once
// File-name masks matched the way the search's users know from the Windows
// directory listing: "*" is any run of characters, "?" one character, letters
// match in either case, "*.*" matches every name (also names without a dot),
// "x.*" matches "x" as well, and a mask ending in "." matches the names without
// an extension. The "." of a mask before "*" or "?" and at its end may stand for
// the end of a name; a "*" before "." stops short of a name's last dot; a "?"
// before a dot or at the end of a name may match nothing. Qt Core only.
//
// Matching runs a small automaton over the name, so the cost is at most the
// mask's length times the name's length, whatever the stars.

#include <QByteArray>
#include <QString>

#include <vector>

namespace zarn {

class TWindowsMask {
 public:
  explicit TWindowsMask(const QString& mask);

  // `name` is a file name's bytes (any bytes; UTF-8 is compared by characters).
  bool Matches(const char* name, qsizetype length) const;
  bool Matches(const QByteArray& name) const { return Matches(name.constData(), name.size()); }
  bool MatchesText(const QString& name) const;
  // True when every name matches ("*", "*.*", "**").
  bool MatchesEverything() const { return MatchesEverything_; }

 private:
  enum class Kind : unsigned char { Literal, Star, StarBeforeLastDot, OneOrNone, DotOrEnd };
  struct Token {
    Kind Type;
    char32_t Folded;  // for literals
  };

  template <typename Text>
  bool Run(const Text& text, qsizetype length) const;
  std::vector<Token> Tokens_;
  bool MatchesEverything_ = false;
};

// Letter case folded for comparison: ASCII quickly, other characters by Unicode.
char32_t FoldForMask(char32_t character);

}  // namespace zarn
