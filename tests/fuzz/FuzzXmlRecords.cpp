// A reply, whatever its bytes, through the XML wrapper and into records: loads or refuses, never
// crashes, and the well-formedness shortcut agrees with the full scan.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/CodePage.h"
#include "rest/RecordFiller.h"
#include "xml/XmlDocumentWrapper.h"
#include "xml/XmlWellFormed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    CXmlDocumentWrapper document;
    if (!document.Load(CZelString(std::string(text))))
        return 0;
    XmlNode root = document.Root();
    root.GetNodeText("/hash/error");
    XmlNodeList statuses = root.SelectNodes("/statuses/status");
    for (size_t i = 0; statuses && i < statuses.Length(); ++i) {
        StatusRecord record;
        FillStatusRecord(statuses.Item(i), record);
    }
    // Loaded, so the full scan must agree, on the text as the parser saw it: bytes that are no
    // UTF-8 became U+FFFD first, as the conversion to UTF-16 makes them on Windows.
    std::string seen =
        platform::IsValidUtf8(text) ? text : platform::WideToAnsi(platform::AnsiToWide(text));
    if (!xml::IsWellFormedXml(seen))
        __builtin_trap();
    return 0;
}
