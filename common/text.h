// Text: a NUL-terminated byte string in the ANSI code page (936 on the systems this tool is for).
// A missing text and a zero-length text are the same empty text. Texts are values: copying one
// copies its bytes, and each holder owns its own copy.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class Text {
 public:
  Text() = default;
  // Implicit on purpose, so literals and control reads turn into Texts; a null pointer is the
  // missing text, which is the empty text.
  Text(const char* bytes) : bytes_(bytes ? bytes : "") {}
  explicit Text(std::string_view bytes) : bytes_(bytes) {}

  const char* c_str() const { return bytes_.c_str(); }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  std::string_view view() const { return bytes_; }

  // Appending grows the text in place, in amortised linear time.
  Text& operator+=(std::string_view more) {
    bytes_ += more;
    return *this;
  }

 private:
  std::string bytes_;
};

inline Text operator+(Text left, std::string_view right) { return left += right; }

// Equal when both hold the same bytes up to the terminating NUL. Nothing is trimmed, case-folded
// or otherwise normalised; a missing text equals the empty text.
bool TextEquals(const char* a, const char* b);
inline bool TextEquals(const Text& a, const Text& b) { return TextEquals(a.c_str(), b.c_str()); }
