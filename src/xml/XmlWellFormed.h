// The well-formedness rules that a lenient parser lets through but MSXML's loadXML refuses: text
// or a second element outside the root, entity references other than the five predefined ones
// and character references, a bare "&", "]]>" in content, control characters, and an attribute
// given twice. Checked in one pass over the text, beside the parser's own checks.
#pragma once

#include <string_view>

namespace xml {

bool IsWellFormedXml(std::string_view text);

// The same for a text that a lenient parser read as one tree with the root element 'root':
// cheap passes over the text, and the full check only where one of them has a doubt.
bool IsWellFormedParse(std::string_view text, std::string_view root);

}  // namespace xml
