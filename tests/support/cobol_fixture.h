// A small COBOL source with six-digit sequence numbers in columns 1-6, and
// a template that takes the numbers out of the text and keeps them, with
// keywords to colour: what the edit control and editor window tests load.
#pragma once

#include <memory>
#include <string>

#include "templates/template.h"

namespace vandrel::testing {

inline const std::string kCobolSource =
    "000100 IDENTIFICATION DIVISION.\n"
    "000200 PROGRAM-ID. HELLO.\n"
    "000300*THIS LINE IS A COMMENT: MOVE\n"
    "000400 PROCEDURE DIVISION.\n"
    "000450     MOVE 1 TO X.\n"
    "000500     DISPLAY \"MOVE\".\n";

inline std::unique_ptr<Template> CobolTemplate() {
  auto t = std::make_unique<Template>();
  TemplateSettings& s = t->settings;
  s.Name = "COBOL";
  s.RemoveLineNumbers = 1;
  s.KeepSequence = 1;
  s.LineNumberPosition = 1;
  s.LineNumberDigits = 6;
  s.LineNumberStart = 100;
  s.LineNumberIncrement = 100;
  s.MaximumLineLength = 80;
  s.LineComment = "*";
  s.LineCommentPos = 7;
  s.Delimiters = " .,()";
  t->keywords[0].Parse("MOVE\nDISPLAY\nDIVISION\nPROCEDURE", '\n', false);
  t->keywords[1].Parse("TO", '\n', false);
  return t;
}

}  // namespace vandrel::testing
