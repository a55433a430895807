#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

namespace xml_detail {
struct Tree;
}

// A handle to one node of a loaded document. Copies are cheap and share the
// document, so a node stays valid after its XmlDocument is reloaded or
// destroyed. A default-constructed node is empty: it answers with empty
// names, texts and lists.
class XmlNode {
 public:
  XmlNode() = default;

  bool IsEmpty() const { return tree_ == nullptr; }
  bool IsElement() const;

  // The element name; "#text", "#cdata-section" or "#comment" for those
  // kinds of node, the target for a processing instruction.
  std::string NodeName() const;
  // All descendant text and CDATA joined in document order, exactly as
  // written (entities decoded, no trimming). A text node answers its own text.
  std::string Text() const;

  size_t AttributeCount() const;
  // "" when the index is out of range.
  std::string AttributeName(size_t index) const;
  std::string AttributeValue(size_t index) const;

  // Direct children of every kind, in document order.
  std::vector<XmlNode> ChildNodes() const;

 private:
  friend class XmlDocument;
  XmlNode(std::shared_ptr<const xml_detail::Tree> tree, uint32_t index)
      : tree_(std::move(tree)), index_(index) {}

  std::shared_ptr<const xml_detail::Tree> tree_;
  uint32_t index_ = 0;  // the node's place in the tree's document order
};

// A whole XML file parsed into memory. UTF-8 (with or without BOM), UTF-16
// and UTF-32 with a BOM are read; all text comes back as UTF-8. The tree is
// compact: a large export costs about its own size in memory, so the
// importer can hold the document and its staged records together.
class XmlDocument {
 public:
  XmlDocument() = default;

  // Parses the whole file. Never throws: returns false and leaves the
  // document empty when the file can't be read or isn't XML; LastError()
  // then names the file and where the parse stopped.
  // Only a regular file no larger than the source size limit is read.
  bool Load(const std::string& path);
  // The same from the bytes of a file; `name` stands for the file in errors.
  bool LoadFromMemory(const std::string& bytes, const std::string& name);
  const std::string& LastError() const { return last_error_; }

  bool IsEmpty() const { return tree_ == nullptr; }
  // The root element; empty when nothing is loaded.
  XmlNode DocumentElement() const;
  // Every element of that exact name (case-sensitive) at any depth, in
  // document order. "*" matches every element.
  std::vector<XmlNode> ElementsByTagName(const std::string& name) const;

 private:
  bool Parse(std::string bytes, const std::string& name);

  std::shared_ptr<const xml_detail::Tree> tree_;
  std::string last_error_;
};

}  // namespace vantrel
