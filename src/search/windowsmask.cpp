#include "search/windowsmask.h"

#include <QChar>

#include <array>
#include <cstring>

#include "platform/filenames.h"

namespace zarn {
namespace {

// A set of automaton states (mask positions), on the stack for masks of up to
// 255 tokens and on the heap beyond.
class TStateSet {
 public:
  explicit TStateSet(qsizetype states) : Words_((states + 63) / 64) {
    if (Words_ > qsizetype(Inline_.size())) Heap_.resize(static_cast<size_t>(Words_));
    Clear();
  }
  void Clear() { std::memset(Data(), 0, static_cast<size_t>(Words_) * sizeof(quint64)); }
  void Add(qsizetype state) { Data()[state / 64] |= quint64(1) << (state % 64); }
  bool Has(qsizetype state) const { return (Data()[state / 64] >> (state % 64)) & 1; }
  bool Empty() const {
    for (qsizetype word = 0; word < Words_; ++word) {
      if (Data()[word] != 0) return false;
    }
    return true;
  }
  void Swap(TStateSet& other) {
    std::swap(Inline_, other.Inline_);
    std::swap(Heap_, other.Heap_);
  }

 private:
  quint64* Data() { return Heap_.empty() ? Inline_.data() : Heap_.data(); }
  const quint64* Data() const { return Heap_.empty() ? Inline_.data() : Heap_.data(); }
  qsizetype Words_;
  std::array<quint64, 4> Inline_{};
  std::vector<quint64> Heap_;
};

struct TBytesText {
  const unsigned char* Bytes;
  char32_t operator[](qsizetype index) const { return Bytes[index]; }
};

struct TWideText {
  const std::vector<char32_t>* Characters;
  char32_t operator[](qsizetype index) const { return (*Characters)[static_cast<size_t>(index)]; }
};

// Characters of a QString; a lone surrogate (a byte that was not UTF-8) stays a
// character of its own, so two different such bytes never compare equal.
std::vector<char32_t> CharactersOf(const QString& text) {
  std::vector<char32_t> characters;
  characters.reserve(static_cast<size_t>(text.size()));
  for (qsizetype index = 0; index < text.size(); ++index) {
    const QChar unit = text.at(index);
    if (unit.isHighSurrogate() && index + 1 < text.size() && text.at(index + 1).isLowSurrogate()) {
      characters.push_back(QChar::surrogateToUcs4(unit, text.at(index + 1)));
      ++index;
    } else {
      characters.push_back(unit.unicode());
    }
  }
  return characters;
}

bool IsAscii(const char* bytes, qsizetype length) {
  for (qsizetype index = 0; index < length; ++index) {
    if (static_cast<unsigned char>(bytes[index]) >= 0x80) return false;
  }
  return true;
}

}  // namespace

char32_t FoldForMask(char32_t character) {
  if (character < 0x80) return (character >= 'A' && character <= 'Z') ? character + 0x20 : character;
  return QChar::toCaseFolded(character);
}

TWindowsMask::TWindowsMask(const QString& mask) {
  if (mask == QLatin1String("*.*")) {
    Tokens_.push_back({Kind::Star, 0});
    MatchesEverything_ = true;
    return;
  }
  const auto isLiteralDot = [this] {
    return !Tokens_.empty() && Tokens_.back().Type == Kind::Literal && Tokens_.back().Folded == U'.';
  };
  for (const char32_t character : CharactersOf(mask)) {
    if (character == U'?' || character == U'*') {
      if (isLiteralDot()) Tokens_.back().Type = Kind::DotOrEnd;
      Tokens_.push_back({character == U'?' ? Kind::OneOrNone : Kind::Star, 0});
    } else {
      if (character == U'.' && !Tokens_.empty() && Tokens_.back().Type == Kind::Star) {
        Tokens_.back().Type = Kind::StarBeforeLastDot;
      }
      Tokens_.push_back({Kind::Literal, FoldForMask(character)});
    }
  }
  if (isLiteralDot()) Tokens_.back().Type = Kind::DotOrEnd;
  MatchesEverything_ = !Tokens_.empty();
  for (const Token& token : Tokens_) {
    if (token.Type != Kind::Star) MatchesEverything_ = false;
  }
}

bool TWindowsMask::Matches(const char* name, qsizetype length) const {
  if (MatchesEverything_) return true;
  // An ASCII name (the usual case) is compared as bytes; any other is decoded,
  // so that "?" takes a whole character and non-ASCII letters fold by Unicode.
  if (IsAscii(name, length)) return Run(TBytesText{reinterpret_cast<const unsigned char*>(name)}, length);
  return MatchesText(FromNativeName(name, length));
}

bool TWindowsMask::MatchesText(const QString& name) const {
  if (MatchesEverything_) return true;
  const std::vector<char32_t> characters = CharactersOf(name);
  return Run(TWideText{&characters}, qsizetype(characters.size()));
}

template <typename Text>
bool TWindowsMask::Run(const Text& text, qsizetype length) const {
  const qsizetype tokenCount = qsizetype(Tokens_.size());
  qsizetype lastDot = -1;
  for (qsizetype index = length - 1; index >= 0; --index) {
    if (text[index] == U'.') {
      lastDot = index;
      break;
    }
  }
  TStateSet current(tokenCount + 1);
  TStateSet next(tokenCount + 1);
  current.Add(0);
  // States reachable without taking a character; a single upward pass suffices
  // because every such move goes one token forward.
  const auto close = [&](TStateSet& states, qsizetype position) {
    const bool atEnd = position == length;
    const bool atDot = !atEnd && text[position] == U'.';
    for (qsizetype state = 0; state < tokenCount; ++state) {
      if (!states.Has(state)) continue;
      const Kind type = Tokens_[static_cast<size_t>(state)].Type;
      const bool skippable = type == Kind::Star || type == Kind::StarBeforeLastDot ||
                             (type == Kind::OneOrNone && (atEnd || atDot)) || (type == Kind::DotOrEnd && atEnd);
      if (skippable) states.Add(state + 1);
    }
  };
  for (qsizetype position = 0; position < length; ++position) {
    close(current, position);
    next.Clear();
    const char32_t character = text[position];
    const char32_t folded = FoldForMask(character);
    for (qsizetype state = 0; state < tokenCount; ++state) {
      if (!current.Has(state)) continue;
      const Token& token = Tokens_[static_cast<size_t>(state)];
      switch (token.Type) {
        case Kind::Literal:
          if (token.Folded == folded) next.Add(state + 1);
          break;
        case Kind::Star:
          next.Add(state);
          break;
        case Kind::StarBeforeLastDot:
          if (position != lastDot) next.Add(state);
          break;
        case Kind::OneOrNone:
          if (character != U'.') next.Add(state + 1);
          break;
        case Kind::DotOrEnd:
          if (character == U'.') next.Add(state + 1);
          break;
      }
    }
    if (next.Empty()) return false;
    current.Swap(next);
  }
  close(current, length);
  return current.Has(tokenCount);
}

}  // namespace zarn
