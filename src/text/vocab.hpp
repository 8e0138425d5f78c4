#pragma once
// The document as its own dictionary. Counts how often each word occurs whole in the interior
// of lines, where it cannot be a fragment of a word broken at a line end; a broken word is
// rejoined only when the document uses the joined form clearly more often than the second
// fragment on its own.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quillstone::text::vocab {

class Vocabulary {
  public:
    // From the lines of all pages: any range of pages, each a range of lines whose `words` hold
    // a `text`. Only interior words of lines of three words or more are counted; the first and
    // last word of a line may be fragments.
    template <class PagesLines>
    [[nodiscard]] static Vocabulary build(const PagesLines& pages_lines) {
        Vocabulary v;
        for (const auto& lines : pages_lines) {
            for (const auto& line : lines) {
                const auto& words = line.words;
                for (std::size_t i = 1; i + 1 < words.size(); ++i)
                    v.add(words[i].text);
            }
        }
        return v;
    }

    // Occurrences of the word's lower-cased form; 0 for an empty word, one with a character that
    // cannot be part of a word (digits, apostrophes, punctuation other than "-"), or one never
    // seen.
    [[nodiscard]] std::uint32_t count(std::string_view word) const;

    // head + tail, case kept, when the document supports the joined word; nothing otherwise.
    // `head` is the line-final fragment without its hyphen, `tail` the next line's first word.
    [[nodiscard]] std::optional<std::string> rejoin(std::string_view head,
                                                    std::string_view tail) const;

  private:
    void add(std::string_view word);

    std::unordered_map<std::string, std::uint32_t> counts_;
};

} // namespace quillstone::text::vocab
