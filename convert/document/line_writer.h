// Appending windows-1251 texts to a UTF-8 document as lines, in one pass: the line-break rules
// of a line list and the code-page conversion together, straight into the document's blocks.
//
// A text's CR LF, lone CR and lone LF each end one line, and every line is written with CR LF;
// a break at the text's very end adds no empty line, and a NUL ends the text: nothing after it
// is taken. Every text starts on a line of its own.
#pragma once

#include <string_view>

#include "document/utf8_document.h"
#include "text/xml_guard.h"

namespace trelka {

class LineWriter {
 public:
  explicit LineWriter(Utf8Document& document) : document_(document) {}

  // Appends a piece of the current text. The pieces of a text join as one: a CR that ends one
  // piece and an LF that starts the next are one break.
  void Append(std::string_view cp1251);

  // Appends a piece of the current text as XmlGuard(cp1251, context) would be appended, the
  // guard applied as the bytes are converted rather than in a copy of its own.
  void AppendGuarded(std::string_view cp1251, XmlContext context);

  // Appends a piece of the current text that is UTF-8 already and holds no CR, LF or NUL.
  void AppendUtf8(std::string_view utf8);

  // Ends the current text: its last line gets its line break.
  void EndText();

  // Appends text as one whole text.
  void AppendText(std::string_view cp1251) {
    Append(cp1251);
    EndText();
  }

 private:
  // Appends text, guarded or not; false, with part of it written, where a guarded text holds
  // a forbidden control byte.
  template <bool kGuarded>
  bool Write(std::string_view text, XmlContext context);

  Utf8Document& document_;
  bool line_open_ = false;  // characters written since the last break
  bool after_cr_ = false;   // the last byte was a CR, so an LF now belongs to its break
  bool cut_ = false;        // a NUL ended the text
};

}  // namespace trelka
