// CXmlDocumentWrapper over the system's MSXML DOM document (the MSXML 3 interfaces).
#include <msxml2.h>

#include "automation/BstrText.h"
#include "automation/UniqueBstr.h"
#include "automation/UniqueVariant.h"
#include "platform/CodePage.h"
#include "platform/ComRef.h"
#include "xml/ReplyBuffer.h"
#include "xml/XmlDocumentWrapper.h"

namespace {

// The MSXML identities, which the import libraries of the cross toolchain lack.
constexpr CLSID kClsidDomDocument = {
    0x2933bf90, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
constexpr IID kIidDomDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
constexpr IID kIidDomNode = {
    0x2933bf80, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

UniqueBstr TextBstr(const char* text) {
    return UniqueBstr(automation::AnsiToBstr(text));
}

}  // namespace

struct CXmlDocumentWrapper::Document {
    platform::ComRef<IXMLDOMDocument2> dom;
};

struct XmlNode::Impl {
    platform::ComRef<IXMLDOMNode> node;
};

struct XmlNodeList::Impl {
    platform::ComRef<IXMLDOMNodeList> nodes;
};

CXmlDocumentWrapper::CXmlDocumentWrapper() : document_(std::make_shared<Document>()) {
    if (FAILED(CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_ALL, kIidDomDocument2,
                                reinterpret_cast<void**>(document_->dom.Out()))))
        return;
    // MSXML 3 selects with XSL patterns unless told otherwise; the paths here are XPath.
    UniqueBstr name = TextBstr("SelectionLanguage");
    UniqueVariant language;
    VARIANT* held = language.put();
    held->vt = VT_BSTR;
    held->bstrVal = automation::AnsiToBstr("XPath");
    document_->dom->setProperty(name.get(), language.get());
}

CXmlDocumentWrapper::~CXmlDocumentWrapper() = default;

bool CXmlDocumentWrapper::Load(CZelString text) {
    if (!document_->dom)
        return false;
    // The reply is UTF-8, as the service sends it and as its declaration says: read through the
    // code page, "café" would arrive as "cafÃ©". What the code page cannot hold is lost later,
    // where the text becomes 8-bit.
    std::string bytes = text.TakeStr();
    platform::WideString wide = platform::ReplyToWide(bytes);
    xml::GiveBackReplyBuffer(bytes);
    UniqueBstr xml(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
    if (xml.get() == nullptr)
        return false;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    HRESULT hr = document_->dom->loadXML(xml.get(), &loaded);
    return SUCCEEDED(hr) && loaded == VARIANT_TRUE;
}

XmlNode CXmlDocumentWrapper::Root() const {
    if (!document_->dom)
        return {};
    platform::ComRef<IXMLDOMElement> element;
    if (FAILED(document_->dom->get_documentElement(element.Out())) || !element)
        return {};
    auto impl = std::make_shared<XmlNode::Impl>();
    if (FAILED(element->QueryInterface(kIidDomNode, reinterpret_cast<void**>(impl->node.Out()))))
        return {};
    return XmlNode(impl);
}

XmlNode XmlNode::SelectSingleNode(const char* xpath) const {
    if (!impl_)
        return {};
    UniqueBstr path = TextBstr(xpath);
    auto found = std::make_shared<Impl>();
    if (impl_->node->selectSingleNode(path.get(), found->node.Out()) != S_OK || !found->node)
        return {};
    return XmlNode(found);
}

XmlNodeList XmlNode::SelectNodes(const char* xpath) const {
    if (!impl_)
        return {};
    UniqueBstr path = TextBstr(xpath);
    auto found = std::make_shared<XmlNodeList::Impl>();
    if (FAILED(impl_->node->selectNodes(path.get(), found->nodes.Out())) || !found->nodes)
        return {};
    return XmlNodeList(found);
}

CZelString XmlNode::Xml() const {
    UniqueBstr xml;
    if (!impl_ || FAILED(impl_->node->get_xml(xml.put())))
        return {};
    return CZelString(xml.get());
}

CZelString XmlNode::GetNodeText(const char* path) const {
    XmlNode selected = SelectSingleNode(path);
    if (!selected)
        return {};
    platform::ComRef<IXMLDOMNode> child;
    if (selected.impl_->node->get_firstChild(child.Out()) != S_OK || !child)
        return {};
    // A text's own value: the text property would take its leading and trailing blanks off.
    DOMNodeType type = NODE_INVALID;
    if (SUCCEEDED(child->get_nodeType(&type)) &&
        (type == NODE_TEXT || type == NODE_CDATA_SECTION)) {
        UniqueVariant value;
        if (FAILED(child->get_nodeValue(value.put())) || value.get().vt != VT_BSTR)
            return {};
        return CZelString(value.get().bstrVal);
    }
    UniqueBstr text;
    if (FAILED(child->get_text(text.put())))
        return {};
    return CZelString(text.get());
}

size_t XmlNodeList::Length() const {
    LONG length = 0;
    if (!impl_ || FAILED(impl_->nodes->get_length(&length)) || length < 0)
        return 0;
    return static_cast<size_t>(length);
}

XmlNode XmlNodeList::Item(size_t index) const {
    if (!impl_)
        return {};
    auto item = std::make_shared<XmlNode::Impl>();
    if (impl_->nodes->get_item(static_cast<LONG>(index), item->node.Out()) != S_OK || !item->node)
        return {};
    return XmlNode(item);
}
