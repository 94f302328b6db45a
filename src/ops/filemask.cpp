#include "ops/filemask.h"

#include <QSet>

namespace zarn {
namespace {

using Kind = TFileMask::Token::Kind;

// Code points of `text`. A lone surrogate (a byte of a name that is not UTF-8)
// stays a character of its own instead of collapsing into U+FFFD, so two
// different undecodable bytes never compare equal.
std::vector<char32_t> Characters(const QString& text) {
  std::vector<char32_t> characters;
  characters.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar unit = text.at(i);
    if (unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      characters.push_back(QChar::surrogateToUcs4(unit, text.at(i + 1)));
      ++i;
    } else {
      characters.push_back(unit.unicode());
    }
  }
  return characters;
}

// Only the Latin letters fold; Cyrillic and every other script compare exactly.
char32_t FoldCase(char32_t character) {
  return (character >= U'a' && character <= U'z') ? character - (U'a' - U'A') : character;
}

OsError InvalidMask(const QString& mask, qsizetype position) {
  return OsError::WithText(QStringLiteral("'%1' is an invalid mask at (%2)").arg(mask, QString::number(position)));
}

// Parses the set that starts with the "[" at `open`; on success `next` is the
// index after its "]". Returns the 1-based position of a fault, or 0.
qsizetype ParseSet(const std::vector<char32_t>& mask, size_t open, TFileMask::Token& token, size_t& next) {
  token.Type = Kind::Set;
  size_t at = open + 1;
  if (at < mask.size() && mask[at] == U'!') {
    token.Negated = true;
    ++at;
  }
  for (bool firstElement = true;; firstElement = false) {
    if (at >= mask.size()) return static_cast<qsizetype>(open) + 1;
    const char32_t character = mask[at];
    if (character == U']') {
      if (token.Ranges.empty()) return static_cast<qsizetype>(at) + 1;
      next = at + 1;
      return 0;
    }
    if (character == U'-' && firstElement) return static_cast<qsizetype>(at) + 1;
    const char32_t low = FoldCase(character);
    ++at;
    if (at + 1 < mask.size() && mask[at] == U'-' && mask[at + 1] != U']') {
      token.Ranges.emplace_back(low, FoldCase(mask[at + 1]));
      at += 2;
    } else {
      token.Ranges.emplace_back(low, low);
    }
  }
}

bool TokenMatches(const TFileMask::Token& token, char32_t character) {
  switch (token.Type) {
    case Kind::Literal:
      return token.Character == character;
    case Kind::AnyOne:
      return true;
    case Kind::Set: {
      bool inside = false;
      for (const auto& [low, high] : token.Ranges) inside = inside || (character >= low && character <= high);
      return inside != token.Negated;
    }
    case Kind::AnyRun:
      break;
  }
  return false;
}

}  // namespace

ErrorOr<TFileMask> TFileMask::Compile(const QString& maskText) {
  const std::vector<char32_t> mask = Characters(maskText);
  TFileMask compiled;
  int stars = 0;
  size_t at = 0;
  while (at < mask.size()) {
    Token token;
    const char32_t character = mask[at];
    if (character == U'*') {
      if (++stars > MaxMaskStars) return InvalidMask(maskText, static_cast<qsizetype>(at) + 1);
      token.Type = Kind::AnyRun;
      // A "?" right after a star adds nothing the star does not already cover.
      while (at < mask.size() && (mask[at] == U'*' || mask[at] == U'?')) ++at;
    } else if (character == U'?') {
      token.Type = Kind::AnyOne;
      ++at;
    } else if (character == U'[') {
      size_t next = at;
      if (const qsizetype fault = ParseSet(mask, at, token, next)) return InvalidMask(maskText, fault);
      at = next;
    } else {
      token.Character = FoldCase(character);
      ++at;
    }
    compiled.Tokens_.push_back(std::move(token));
  }
  return compiled;
}

bool TFileMask::Matches(const QString& nameText) const {
  std::vector<char32_t> name = Characters(nameText);
  for (char32_t& character : name) character = FoldCase(character);
  // Greedy walk that returns to the last star on a mismatch; every other token
  // takes exactly one character, so this finds a match whenever one exists.
  size_t nameAt = 0, tokenAt = 0, starToken = SIZE_MAX, starName = 0;
  while (nameAt < name.size()) {
    if (tokenAt < Tokens_.size() && Tokens_[tokenAt].Type == Kind::AnyRun) {
      starToken = tokenAt++;
      starName = nameAt;
    } else if (tokenAt < Tokens_.size() && TokenMatches(Tokens_[tokenAt], name[nameAt])) {
      ++tokenAt;
      ++nameAt;
    } else if (starToken != SIZE_MAX) {
      tokenAt = starToken + 1;
      nameAt = ++starName;
    } else {
      return false;
    }
  }
  while (tokenAt < Tokens_.size() && Tokens_[tokenAt].Type == Kind::AnyRun) ++tokenAt;
  return tokenAt == Tokens_.size();
}

ErrorOr<bool> NameMatchesMask(const QString& name, const QString& mask) {
  auto compiled = TFileMask::Compile(mask);
  if (compiled.IsError()) return compiled.Error();
  return compiled.Value().Matches(name);
}

namespace {

ErrorOrDone SetMarksByMask(std::vector<TMarkRow>& rows, const QString& mask, bool marked) {
  auto compiled = TFileMask::Compile(mask);
  if (compiled.IsError()) return compiled.Error();
  for (TMarkRow& row : rows) {
    if (!row.IsFolder && compiled.Value().Matches(row.Name)) row.Marked = marked;
  }
  return Done{};
}

}  // namespace

ErrorOrDone MarkByMask(std::vector<TMarkRow>& rows, const QString& mask) { return SetMarksByMask(rows, mask, true); }

ErrorOrDone UnmarkByMask(std::vector<TMarkRow>& rows, const QString& mask) {
  return SetMarksByMask(rows, mask, false);
}

ErrorOrDone MarkMissing(std::vector<TMarkRow>& rows, const QString& mask, const QStringList& panelCaptions) {
  auto compiled = TFileMask::Compile(mask);
  if (compiled.IsError()) return compiled.Error();
  // Every panel entry counts: the panel has no ".." row that the first entry would be.
  const QSet<QString> panelNames(panelCaptions.begin(), panelCaptions.end());
  for (TMarkRow& row : rows) {
    if (row.IsFolder) continue;
    if (compiled.Value().Matches(row.Name)) row.Marked = true;
    if (panelNames.contains(row.Name)) row.Marked = false;
  }
  return Done{};
}

void InvertMarks(std::vector<TMarkRow>& rows) {
  for (TMarkRow& row : rows) {
    if (!row.IsFolder) row.Marked = !row.Marked;
  }
}

ErrorOrDone ApplyMarkOperation(MarkOperation operation, std::vector<TMarkRow>& rows, const QString& mask,
                               const QStringList& panelCaptions) {
  switch (operation) {
    case MarkOperation::Mark:
      return MarkByMask(rows, mask);
    case MarkOperation::MarkMissing:
      return MarkMissing(rows, mask, panelCaptions);
    case MarkOperation::Unmark:
      return UnmarkByMask(rows, mask);
    case MarkOperation::Invert:
      InvertMarks(rows);
      return Done{};
  }
  return Done{};
}

}  // namespace zarn
