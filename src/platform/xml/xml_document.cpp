#include "platform/xml/xml_document.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <pugixml.hpp>
#include <stdexcept>

#include "platform/common/source_file.h"
#include "platform/common/text_decoding.h"

namespace vantrel {

namespace xml_detail {
// The parser works in place: its strings point into text, which therefore
// lives as long as the document.
struct Tree {
  std::string text;
  pugi::xml_document doc;
};
}  // namespace xml_detail

namespace {

// Whitespace-only text between elements is dropped, but an element holding
// nothing except whitespace keeps it, so Text() never loses written content.
constexpr unsigned int kParseOptions =
    pugi::parse_cdata | pugi::parse_escapes | pugi::parse_wconv_attribute | pugi::parse_eol |
    pugi::parse_ws_pcdata_single | pugi::parse_comments | pugi::parse_pi;

pugi::xml_node Wrap(void* node) {
  return pugi::xml_node(static_cast<pugi::xml_node_struct*>(node));
}

bool IsSurrogate(uint32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

// The BOM decides the encoding; a declaration that says otherwise is ignored.
// UTF-16 without a BOM still shows itself by the zero byte beside the first '<'.
std::string ToUtf8(std::string& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  if (!HasByteOrderMark(bytes)) {
    if (n >= 4 && p[0] == '<' && p[1] == 0 && p[2] != 0 && p[3] == 0) return FromUtf16(p, n, false);
    if (n >= 4 && p[0] == 0 && p[1] == '<' && p[2] == 0 && p[3] != 0) return FromUtf16(p, n, true);
  }
  return DecodeTextFile(std::move(bytes));
}

// Exports carry references such as &#4; which the parser decodes as is. The
// ones that cannot become text (NUL, surrogate halves, beyond U+10FFFF) are
// removed first: a decoded NUL would cut the text short and the others would
// produce invalid UTF-8. Comments and CDATA hold literal text and are skipped.
void DropUnusableCharacterReferences(std::string& s) {
  const size_t n = s.size();
  std::string out;
  size_t copied = 0;
  size_t i = 0;
  auto skip_past = [&](size_t from, const char* end) {
    const size_t at = s.find(end, from);
    return at == std::string::npos ? n : at + std::strlen(end);
  };
  while ((i = s.find_first_of("<&", i)) != std::string::npos) {
    if (s[i] == '<') {
      if (s.compare(i, 4, "<!--") == 0) {
        i = skip_past(i + 4, "-->");
      } else if (s.compare(i, 9, "<![CDATA[") == 0) {
        i = skip_past(i + 9, "]]>");
      } else {
        ++i;
      }
      continue;
    }
    const size_t start = i;
    i += 1;
    if (i >= n || s[i] != '#') continue;
    ++i;
    const bool hex = i < n && s[i] == 'x';
    if (hex) ++i;
    const size_t digits = i;
    uint32_t value = 0;
    for (; i < n; ++i) {
      const char c = s[i];
      uint32_t d;
      if (c >= '0' && c <= '9') {
        d = static_cast<uint32_t>(c - '0');
      } else if (hex && c >= 'a' && c <= 'f') {
        d = static_cast<uint32_t>(c - 'a' + 10);
      } else if (hex && c >= 'A' && c <= 'F') {
        d = static_cast<uint32_t>(c - 'A' + 10);
      } else {
        break;
      }
      value = std::min<uint32_t>(value * (hex ? 16 : 10) + d, 0x110000);
    }
    if (i == digits || i >= n || s[i] != ';') continue;
    ++i;
    if (value == 0 || IsSurrogate(value) || value > 0x10FFFF) {
      out.append(s, copied, start - copied);
      copied = i;
    }
  }
  if (copied == 0) return;
  out.append(s, copied, std::string::npos);
  s.swap(out);
}

// "line 3, column 7 (offset 42)" for a byte offset into the parsed UTF-8 text;
// columns count characters.
std::string DescribePosition(const std::string& text, size_t offset) {
  offset = std::min(offset, text.size());
  size_t line = 1;
  size_t column = 1;
  for (size_t i = 0; i < offset; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      ++line;
      column = 1;
    } else if ((c & 0xC0) != 0x80) {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column) + " (offset " +
         std::to_string(offset) + ")";
}

void AppendDescendantText(pugi::xml_node root, std::string& out) {
  pugi::xml_node cur = root.first_child();
  while (cur) {
    const pugi::xml_node_type type = cur.type();
    if (type == pugi::node_pcdata || type == pugi::node_cdata) out += cur.value();
    if (cur.first_child()) {
      cur = cur.first_child();
      continue;
    }
    while (!cur.next_sibling()) {
      cur = cur.parent();
      if (cur == root) return;
    }
    cur = cur.next_sibling();
  }
}

pugi::xml_attribute NthAttribute(pugi::xml_node node, size_t index) {
  pugi::xml_attribute a = node.first_attribute();
  for (; a && index > 0; --index) a = a.next_attribute();
  return a;
}

}  // namespace

bool XmlNode::IsElement() const {
  return node_ != nullptr && Wrap(node_).type() == pugi::node_element;
}

std::string XmlNode::NodeName() const {
  if (node_ == nullptr) return "";
  const pugi::xml_node n = Wrap(node_);
  switch (n.type()) {
    case pugi::node_document:
      return "#document";
    case pugi::node_pcdata:
      return "#text";
    case pugi::node_cdata:
      return "#cdata-section";
    case pugi::node_comment:
      return "#comment";
    default:
      return n.name();
  }
}

std::string XmlNode::Text() const {
  if (node_ == nullptr) return "";
  const pugi::xml_node n = Wrap(node_);
  switch (n.type()) {
    case pugi::node_element:
    case pugi::node_document: {
      // The usual record field holds a single text child: no walk needed.
      const pugi::xml_node first = n.first_child();
      if (first && !first.next_sibling() &&
          (first.type() == pugi::node_pcdata || first.type() == pugi::node_cdata)) {
        return first.value();
      }
      std::string out;
      AppendDescendantText(n, out);
      return out;
    }
    default:
      return n.value();
  }
}

size_t XmlNode::AttributeCount() const {
  if (node_ == nullptr) return 0;
  size_t count = 0;
  for (pugi::xml_attribute a = Wrap(node_).first_attribute(); a; a = a.next_attribute()) ++count;
  return count;
}

std::string XmlNode::AttributeName(size_t index) const {
  if (node_ == nullptr) return "";
  return NthAttribute(Wrap(node_), index).name();
}

std::string XmlNode::AttributeValue(size_t index) const {
  if (node_ == nullptr) return "";
  return NthAttribute(Wrap(node_), index).value();
}

std::vector<XmlNode> XmlNode::ChildNodes() const {
  std::vector<XmlNode> children;
  if (node_ == nullptr) return children;
  for (pugi::xml_node c = Wrap(node_).first_child(); c; c = c.next_sibling())
    children.push_back(XmlNode(tree_, c.internal_object()));
  return children;
}

namespace {

// Decodes the bytes of an export into the UTF-8 text the parser sees.
bool DecodeText(std::string bytes, const std::string& name, std::string& text, std::string& error) {
  if (bytes.empty()) {
    error = "The XML file \"" + name + "\" is empty.";
    return false;
  }
  text = ToUtf8(bytes);
  DropUnusableCharacterReferences(text);
  return true;
}

}  // namespace

bool XmlDocument::Load(const std::string& path) {
  tree_.reset();
  last_error_.clear();
  std::string bytes;
  std::string reason;
  if (!ReadSourceFile(path, MaxSourceSize(), bytes, reason)) {
    last_error_ = "Cannot read the XML file \"" + path + "\": " + reason;
    return false;
  }
  // The bytes move into the document; an error's position is placed on a
  // second reading of the file, so a large export is never held twice.
  return Parse(std::move(bytes), path, [&path](std::string& again) {
    std::string ignored;
    return ReadSourceFile(path, MaxSourceSize(), again, ignored);
  });
}

bool XmlDocument::LoadFromMemory(const std::string& bytes, const std::string& name) {
  tree_.reset();
  last_error_.clear();
  return Parse(bytes, name, [&bytes](std::string& again) {
    again = bytes;
    return true;
  });
}

bool XmlDocument::Parse(std::string bytes, const std::string& name,
                        const std::function<bool(std::string&)>& read_again) {
  try {
    auto tree = std::make_shared<xml_detail::Tree>();
    if (!DecodeText(std::move(bytes), name, tree->text, last_error_)) return false;
    const pugi::xml_parse_result result = tree->doc.load_buffer_inplace(
        &tree->text[0], tree->text.size(), kParseOptions, pugi::encoding_utf8);
    if (!result) {
      // The parse rewrote the text in place; decode it again to place the error.
      tree.reset();
      std::string again, text;
      if (!read_again(again) || !DecodeText(std::move(again), name, text, last_error_))
        return false;
      last_error_ = "The XML file \"" + name + "\" could not be read: " + result.description() +
                    " at " + DescribePosition(text, static_cast<size_t>(result.offset)) + ".";
      return false;
    }
    tree_ = std::move(tree);
    return true;
  } catch (const std::exception& e) {  // out of memory on a huge file
    last_error_ = "The XML file \"" + name + "\" could not be read: " + e.what();
    return false;
  }
}

XmlNode XmlDocument::DocumentElement() const {
  if (tree_ == nullptr) return XmlNode();
  const pugi::xml_node root = tree_->doc.document_element();
  return root ? XmlNode(tree_, root.internal_object()) : XmlNode();
}

std::vector<XmlNode> XmlDocument::ElementsByTagName(const std::string& name) const {
  std::vector<XmlNode> found;
  if (tree_ == nullptr) return found;
  const bool any = name == "*";
  const char* wanted = name.c_str();
  // One pre-order walk without recursion, so deep nesting can't exhaust the stack.
  const pugi::xml_node root = tree_->doc;
  pugi::xml_node cur = root.first_child();
  while (cur) {
    if (cur.type() == pugi::node_element && (any || std::strcmp(cur.name(), wanted) == 0))
      found.push_back(XmlNode(tree_, cur.internal_object()));
    if (cur.first_child()) {
      cur = cur.first_child();
      continue;
    }
    while (!cur.next_sibling()) {
      cur = cur.parent();
      if (cur == root) return found;
    }
    cur = cur.next_sibling();
  }
  return found;
}

}  // namespace vantrel
