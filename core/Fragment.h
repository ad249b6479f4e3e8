#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

// A template text split once into literal text and the words to fill in, so
// that filling in is one pass that never looks at what it has put in.
class Fragment {
 public:
  // Words are the "#NAME" placeholders of the code template, numbered by
  // TemplateWordIndex. With `lineBreaks`, each U+2022 in the literal text
  // becomes CR LF.
  Fragment(std::string_view text, bool lineBreaks);
  // Words are exactly `words`, numbered by their place in that list.
  Fragment(std::string_view text, const std::vector<std::string_view>& words, bool lineBreaks);

  // Appends the fragment to `out`, calling fill(out, word) for each word.
  template <class Fill>
  void Render(std::string& out, Fill&& fill) const {
    for (const Piece& piece : pieces_) {
      if (piece.Word < 0) {
        out.append(literals_, piece.Begin, piece.Size);
      } else {
        fill(out, piece.Word);
      }
    }
  }

  // The literal text alone, for sizing the output.
  std::size_t LiteralSize() const { return literals_.size(); }
  // The words it holds, in order, repeats included.
  std::vector<int> Words() const;

 private:
  struct Piece {
    int Word;  // -1 for literal text
    std::size_t Begin;
    std::size_t Size;
  };
  void AddLiteral(std::string_view text, bool lineBreaks);

  std::string literals_;
  std::vector<Piece> pieces_;
};

// The placeholders the code template holds ("#FUNCTION", "#URL", ...), each
// once, in the order they first stand in the fragments.
const std::vector<std::string>& TemplateWords();

// The index of `word` in TemplateWords(); throws std::logic_error for a word
// the template does not hold.
int TemplateWordIndex(std::string_view word);

}  // namespace orvanta
