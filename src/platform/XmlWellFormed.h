// The well-formedness rules that a lenient parser lets through but MSXML's loadXML refuses: text
// or a second element outside the root, entity references other than the five predefined ones
// and character references, a bare "&", "]]>" in content, control characters, and an attribute
// given twice. Checked in one pass over the text, beside the parser's own checks.
#pragma once

#include <string_view>

namespace platform {

bool IsWellFormedXml(std::string_view text);

}  // namespace platform
