// The well-formedness rules that a lenient parser lets through but MSXML's loadXML refuses: text
// or a second element outside the root, entity references other than the five predefined ones
// and character references, a bare "&", "]]>" in content, control characters, and an attribute
// given twice. Checked in one pass over the text, beside the parser's own checks.
#pragma once

#include <string_view>

namespace xml {

bool IsWellFormedXml(std::string_view text);

// The same for a text that a lenient parser reads as one tree (checked before that parse, which
// may take the text apart): cheap passes over the text, and the full check only where one of
// them has a doubt.
bool IsWellFormedParse(std::string_view text);

}  // namespace xml
