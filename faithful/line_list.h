// A list of text lines that is set from one text and read back as one text: the line-break
// rules stated on their own, which LineWriter (convert/document/line_writer.h) applies while it
// converts, and against which the tests hold it.
//
// Setting splits at CR LF, a lone CR or a lone LF; a break at the very end adds no empty
// last line, and a NUL ends the text. Reading gives every line followed by CR LF. The list
// keeps its lines in exactly that read-back form, so appending is linear and Text() is free.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trelka::faithful {

class LineList {
 public:
  LineList() = default;
  explicit LineList(std::string_view text) { SetText(text); }

  void SetText(std::string_view text);
  // The same; a text already in read-back form is taken over without a copy.
  void SetText(std::string&& text);

  // The same as SetText(Text() + text), without copying what the list already holds.
  void AppendText(std::string_view text);

  // Every line followed by CR LF, the last one included; empty when there are no lines.
  [[nodiscard]] const std::string& Text() const { return text_; }

  // Moves the text out and leaves the list empty.
  [[nodiscard]] std::string TakeText();

  [[nodiscard]] std::size_t Count() const { return count_; }
  [[nodiscard]] bool Empty() const { return count_ == 0; }

 private:
  std::string text_;
  std::size_t count_ = 0;
};

}  // namespace trelka::faithful
