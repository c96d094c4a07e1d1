// The XML document of one reply and the nodes read out of it. Nodes and node lists keep their
// document alive after the wrapper is gone. The parser behind it is the platform's (pugixml on
// Linux).
#pragma once

#include <cstddef>
#include <memory>

#include "common/ZelString.h"

class XmlNodeList;

class XmlNode {
  public:
    XmlNode() = default;
    explicit operator bool() const { return static_cast<bool>(impl_); }

    // Absolute paths are evaluated against the whole document, whatever node they start from.
    XmlNode SelectSingleNode(const char* xpath) const;
    XmlNodeList SelectNodes(const char* xpath) const;
    // The node's serialised markup.
    CZelString Xml() const;
    // The text of the first child of the node at path; empty when either is missing.
    CZelString GetNodeText(const char* path) const;

    struct Impl;
    explicit XmlNode(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

  private:
    std::shared_ptr<Impl> impl_;
};

class XmlNodeList {
  public:
    XmlNodeList() = default;
    // False when the selection itself failed, as opposed to matching nothing.
    explicit operator bool() const { return static_cast<bool>(impl_); }
    size_t Length() const;
    XmlNode Item(size_t index) const;

    struct Impl;
    explicit XmlNodeList(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

  private:
    std::shared_ptr<Impl> impl_;
};

class CXmlDocumentWrapper {
  public:
    CXmlDocumentWrapper();
    virtual ~CXmlDocumentWrapper();
    CXmlDocumentWrapper(const CXmlDocumentWrapper&) = delete;
    CXmlDocumentWrapper& operator=(const CXmlDocumentWrapper&) = delete;

    // True when the text parsed as an XML document; never throws. The text becomes the
    // document's, so that a long reply is not held twice.
    bool Load(CZelString text);
    // The allowance that the last Load's tree would have outgrown, or 0: a reply's tree may take
    // kTreeBytesPerTextByte bytes for each byte of text, beyond kTreeBytesAlways (a flood of tiny
    // elements takes more). Always 0 on Windows, where MSXML keeps its own account.
    size_t RefusedAllowance() const { return refusedAllowance_; }
    static constexpr size_t kTreeBytesPerTextByte = 3;
    static constexpr size_t kTreeBytesAlways = size_t{256} << 10;
    XmlNode Root() const;

    struct Document;

  private:
    std::shared_ptr<Document> document_;
    size_t refusedAllowance_ = 0;
};
