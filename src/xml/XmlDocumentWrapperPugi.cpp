// CXmlDocumentWrapper over pugixml (XPath 1.0, raw serialisation).
#include <pugixml.hpp>

#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "platform/CodePage.h"
#include "xml/ReplyBuffer.h"
#include "xml/XmlDocumentWrapper.h"
#include "xml/XmlWellFormed.h"

struct CXmlDocumentWrapper::Document {
    std::string text;  // the tree's own names and values point into it
    pugi::xml_document doc;

    ~Document() {
        doc.reset();
        xml::GiveBackReplyBuffer(text);
    }
};

struct XmlNode::Impl {
    std::shared_ptr<CXmlDocumentWrapper::Document> document;
    pugi::xml_node node;
};

struct XmlNodeList::Impl {
    std::shared_ptr<CXmlDocumentWrapper::Document> document;
    pugi::xpath_node_set nodes;
};

namespace {

// What the parse under way on this thread may still take from the heap; null outside a parse.
thread_local size_t* treeAllowance = nullptr;

void* AllowedAllocation(size_t size) {
    if (treeAllowance != nullptr) {
        if (size > *treeAllowance)
            return nullptr;  // the parser reports it as out of memory
        *treeAllowance -= size;
    }
    return std::malloc(size);
}

bool IsChildName(const char* path) {
    if (path == nullptr || *path == 0)
        return false;
    for (const char* p = path; *p != 0; ++p) {
        char c = *p;
        bool nameChar = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
                        (p != path && ((c >= '0' && c <= '9') || c == '-' || c == '.'));
        if (!nameChar)
            return false;
    }
    return true;
}

// The serialisation as MSXML writes it: a carriage return (which only a reference can bring into
// the tree: the parser makes every line end a line feed) is written as a reference again, so
// that a reader of the markup gets it back rather than a line feed. Attribute values already
// have it so.
struct StringWriter : pugi::xml_writer {
    void write(const void* data, size_t size) override {
        std::string_view chunk(static_cast<const char*>(data), size);
        for (size_t cr = chunk.find('\r'); cr != std::string_view::npos; cr = chunk.find('\r')) {
            text.append(chunk.substr(0, cr)).append("&#13;");
            chunk.remove_prefix(cr + 1);
        }
        text.append(chunk);
    }
    std::string text;
};

bool IsText(const pugi::xml_node& node) {
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

// The text of a node and everything below it, in document order. Iterative: a reply may nest
// deeper than the stack allows.
void AppendText(const pugi::xml_node& node, std::string& out) {
    // An element's value is the leading text the parser kept in it.
    if (IsText(node) || node.type() == pugi::node_element)
        out += node.value();
    if (IsText(node))
        return;
    pugi::xml_node current = node.first_child();
    while (current) {
        if (IsText(current) || current.type() == pugi::node_element)
            out += current.value();
        if (current.first_child()) {
            current = current.first_child();
            continue;
        }
        while (!current.next_sibling()) {
            current = current.parent();
            if (current == node)
                return;
        }
        current = current.next_sibling();
    }
}

bool HasOneRoot(const pugi::xml_document& document) {
    int elements = 0;
    for (pugi::xml_node child : document.children())
        elements += child.type() == pugi::node_element ? 1 : 0;
    return elements == 1;
}

}  // namespace

CXmlDocumentWrapper::CXmlDocumentWrapper() : document_(std::make_shared<Document>()) {}

CXmlDocumentWrapper::~CXmlDocumentWrapper() = default;

bool CXmlDocumentWrapper::Load(CZelString text) {
    refusedAllowance_ = 0;
    // Each text gets a document of its own: the nodes of an earlier one keep theirs whole.
    try {
        if (!document_ || document_->doc.first_child() || !document_->text.empty())
            document_ = std::make_shared<Document>();
    } catch (const std::bad_alloc&) {
        document_.reset();
        return false;
    }
    // The same heap as the parser's own, counted while a tree is built.
    static const bool counted =
        (pugi::set_memory_management_functions(AllowedAllocation, std::free), true);
    (void)counted;
    // The reply is text in the system code page: bytes that are no UTF-8 become U+FFFD, as the
    // conversion to the parser's UTF-16 does on Windows.
    std::string& source = document_->text;
    source = text.TakeStr();
    if (!platform::IsValidUtf8(source))
        source = platform::WideToAnsi(platform::AnsiToWide(source));
    // The parser is lenient where MSXML is strict: what MSXML refuses is no XML here either. The
    // check comes first, since the parse takes the text apart.
    if (!xml::IsWellFormedParse(source)) {
        document_->text = std::string();
        return false;
    }
    // The tree is built in the text itself, which is then held once. An element's leading text is
    // kept in the element rather than in a node of its own: a reply of many small records then
    // takes about half the nodes.
    const size_t allowed = kTreeBytesPerTextByte * source.size() + kTreeBytesAlways;
    size_t allowance = allowed;
    treeAllowance = &allowance;
    pugi::xml_parse_result result = document_->doc.load_buffer_inplace(
        source.data(), source.size(), pugi::parse_default | pugi::parse_embed_pcdata,
        pugi::encoding_utf8);
    treeAllowance = nullptr;
    if (result && HasOneRoot(document_->doc))
        return true;
    if (result.status == pugi::status_out_of_memory)
        refusedAllowance_ = allowed;
    document_->doc.reset();  // no half-parsed tree is ever handed out
    document_->text = std::string();
    return false;
}

XmlNode CXmlDocumentWrapper::Root() const {
    if (!document_)
        return XmlNode();
    pugi::xml_node root = document_->doc.document_element();
    if (!root)
        return XmlNode();
    return XmlNode(std::make_shared<XmlNode::Impl>(XmlNode::Impl{document_, root}));
}

XmlNode XmlNode::SelectSingleNode(const char* xpath) const {
    if (!impl_)
        return XmlNode();
    // A bare child name, the common case, is the first child element of that name: no need to
    // compile an XPath query for it.
    if (IsChildName(xpath)) {
        pugi::xml_node child = impl_->node.child(xpath);
        return child ? XmlNode(std::make_shared<Impl>(Impl{impl_->document, child})) : XmlNode();
    }
    try {
        pugi::xpath_node found = impl_->node.select_node(xpath);
        if (!found.node())
            return XmlNode();
        return XmlNode(std::make_shared<Impl>(Impl{impl_->document, found.node()}));
    } catch (const pugi::xpath_exception&) {
        return XmlNode();
    }
}

XmlNodeList XmlNode::SelectNodes(const char* xpath) const {
    if (!impl_)
        return XmlNodeList();
    try {
        return XmlNodeList(std::make_shared<XmlNodeList::Impl>(
            XmlNodeList::Impl{impl_->document, impl_->node.select_nodes(xpath)}));
    } catch (const pugi::xpath_exception&) {
        return XmlNodeList();
    }
}

CZelString XmlNode::Xml() const {
    if (!impl_)
        return CZelString();
    StringWriter out;
    impl_->node.print(out, "", pugi::format_raw, pugi::encoding_utf8);
    return CZelString(std::move(out.text));
}

CZelString XmlNode::GetNodeText(const char* path) const {
    if (!impl_)
        return CZelString();
    pugi::xml_node selected;
    if (IsChildName(path)) {
        selected = impl_->node.child(path);
    } else if (XmlNode found = SelectSingleNode(path)) {
        selected = found.impl_->node;
    }
    // The first child's text: kept in the element itself when it is text.
    if (*selected.value() != 0)
        return CZelString(selected.value());
    pugi::xml_node first = selected.first_child();
    if (!first)
        return CZelString();
    std::string text;
    AppendText(first, text);
    return CZelString(std::move(text));
}

size_t XmlNodeList::Length() const {
    return impl_ ? impl_->nodes.size() : 0;
}

XmlNode XmlNodeList::Item(size_t index) const {
    if (!impl_ || index >= impl_->nodes.size())
        return XmlNode();
    return XmlNode(std::make_shared<XmlNode::Impl>(
        XmlNode::Impl{impl_->document, impl_->nodes[index].node()}));
}
