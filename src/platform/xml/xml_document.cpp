#include "platform/xml/xml_document.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <new>
#include <string_view>
#include <unordered_map>

#include "platform/common/source_file.h"
#include "platform/common/text_decoding.h"

namespace vantrel {

namespace xml_detail {

enum class Kind : uint8_t { kDocument, kElement, kText, kCData, kComment, kInstruction };

// One node, in document order. A node's subtree is every node after it up to
// `end`, so children, descendants and the elements of a name are found by
// walking the array; no parent or sibling links are kept. Sixteen bytes a
// node keep a large export's tree smaller than the export itself.
struct Node {
  uint32_t end;             // one past the last node of the subtree
  uint32_t str;             // element: name id; other kinds: offset of the text in the pool
  uint32_t extra;           // element: first attribute; instruction: offset of its text
  uint32_t kind_and_count;  // the kind in the low byte, the attribute count above it

  Kind kind() const { return static_cast<Kind>(kind_and_count & 0xFF); }
  uint32_t attribute_count() const { return kind_and_count >> 8; }
};

struct Attribute {
  uint32_t name;   // name id
  uint32_t value;  // offset of the value in the pool
};

struct Tree {
  std::string pool;               // every text and value, each followed by a NUL
  std::deque<std::string> names;  // element and attribute names, each once
  std::unordered_map<std::string_view, uint32_t> ids;  // views into `names`
  std::deque<Node> nodes;                              // node 0 is the document
  std::deque<Attribute> attributes;

  const char* At(uint32_t offset) const { return pool.c_str() + offset; }
};

}  // namespace xml_detail

namespace {

using xml_detail::Kind;
using xml_detail::Node;
using xml_detail::Tree;

// Offsets are 32 bits; the pool may grow past the text by a NUL per value.
constexpr size_t kMaxText = size_t{3} << 30;
constexpr uint32_t kMaxAttributes = 0xFFFFFF;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Names are ASCII letters, '_' and ':', and any non-ASCII character; after
// the first, digits, '-' and '.' too.
bool StartsName(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool EndsName(char c) { return !StartsName(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.'; }

bool IsSurrogate(uint32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

// The BOM decides the encoding; a declaration that says otherwise is ignored.
// UTF-16 without a BOM still shows itself by the zero byte beside the first '<'.
std::string ToUtf8(std::string bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  if (!HasByteOrderMark(bytes)) {
    if (n >= 4 && p[0] == '<' && p[1] == 0 && p[2] != 0 && p[3] == 0) return FromUtf16(p, n, false);
    if (n >= 4 && p[0] == 0 && p[1] == '<' && p[2] == 0 && p[3] != 0) return FromUtf16(p, n, true);
  }
  return DecodeTextFile(std::move(bytes));
}

// "line 3, column 7 (offset 42)" for a byte offset into the decoded UTF-8
// text; columns count characters.
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

struct ParseError {
  std::string what;
  size_t offset;
};

// How a run of characters is copied into the pool.
enum class Copy {
  kText,       // references decoded, line ends made "\n"
  kAttribute,  // as text, and tabs and line ends become blanks
  kLiteral,    // comments and CDATA: line ends made "\n", nothing else touched
};

// Reads the decoded text of a file into a Tree in one pass without recursion,
// so deep nesting can't exhaust the stack. Whitespace-only text between
// elements is dropped, but an element holding nothing except whitespace keeps
// it, so Text() never loses written content. The XML declaration, a document
// type declaration and anything but elements outside the root are skipped.
class Parser {
 public:
  Parser(const std::string& text, Tree& tree)
      : begin_(text.data()), p_(text.data()), end_(text.data() + text.size()), t_(tree) {}

  // Throws ParseError.
  void Run() {
    AddNode(Kind::kDocument, 0, 0);
    open_.push_back(0);
    while (p_ < end_) {
      if (*p_ != '<')
        ReadText();
      else if (Starts("<?"))
        ReadInstruction();
      else if (Starts("<!--"))
        ReadDelimited(4, "-->", Kind::kComment, "a comment is not closed with \"-->\"");
      else if (Starts("<![CDATA["))
        ReadDelimited(9, "]]>", Kind::kCData, "a CDATA section is not closed with \"]]>\"");
      else if (Starts("<!DOCTYPE"))
        SkipDoctype();
      else if (Starts("<!"))
        Fail("unknown markup after \"<!\"", p_);
      else if (Starts("</"))
        ReadEndTag();
      else
        ReadStartTag();
    }
    if (open_.size() > 1) Fail("the element <" + NameOf(open_.back()) + "> is not closed", end_);
    t_.nodes[0].end = static_cast<uint32_t>(t_.nodes.size());
    for (uint32_t i = 1; i < t_.nodes.size(); i = t_.nodes[i].end)
      if (t_.nodes[i].kind() == Kind::kElement) return;
    Fail("No document element", begin_);
  }

 private:
  [[noreturn]] void Fail(std::string what, const char* at) {
    throw ParseError{std::move(what), static_cast<size_t>(at - begin_)};
  }

  bool Starts(const char* s) const {
    const size_t n = std::strlen(s);
    return static_cast<size_t>(end_ - p_) >= n && std::memcmp(p_, s, n) == 0;
  }

  const char* Find(const char* from, const char* s) const {
    const std::string_view rest(from, static_cast<size_t>(end_ - from));
    const size_t at = rest.find(s);
    return at == std::string_view::npos ? nullptr : from + at;
  }

  const char* SkipSpace(const char* q) const {
    while (q < end_ && IsSpace(*q)) ++q;
    return q;
  }

  const char* NameEnd(const char* q) const {
    while (q < end_ && !EndsName(*q)) ++q;
    return q;
  }

  bool InsideRoot() const { return open_.size() > 1; }

  uint32_t AddNode(Kind kind, uint32_t str, uint32_t extra) {
    const auto index = static_cast<uint32_t>(t_.nodes.size());
    t_.nodes.push_back({index + 1, str, extra, static_cast<uint32_t>(kind)});
    return index;
  }

  uint32_t Intern(const char* b, const char* e) {
    const std::string_view name(b, static_cast<size_t>(e - b));
    const auto it = t_.ids.find(name);
    if (it != t_.ids.end()) return it->second;
    t_.names.emplace_back(name);
    const auto id = static_cast<uint32_t>(t_.names.size() - 1);
    t_.ids.emplace(t_.names.back(), id);
    return id;
  }

  std::string NameOf(uint32_t element) const { return t_.names[t_.nodes[element].str]; }

  // Copies [b, e) into the pool as `how` says and ends it with a NUL. A NUL
  // byte in the file is no XML character and is left out.
  uint32_t Append(const char* b, const char* e, Copy how) {
    std::string& pool = t_.pool;
    const auto offset = static_cast<uint32_t>(pool.size());
    const char* run = b;
    for (const char* q = b; q < e;) {
      const char c = *q;
      const bool special = c == '\r' || c == '\0' || (c == '&' && how != Copy::kLiteral) ||
                           (how == Copy::kAttribute && (c == '\n' || c == '\t'));
      if (!special) {
        ++q;
        continue;
      }
      pool.append(run, static_cast<size_t>(q - run));
      if (c == '&') {
        q = AppendReference(q, e);
      } else if (c == '\r') {
        pool += how == Copy::kAttribute ? ' ' : '\n';
        q += q + 1 < e && q[1] == '\n' ? 2 : 1;
      } else {
        if (c != '\0') pool += ' ';
        ++q;
      }
      run = q;
    }
    pool.append(run, static_cast<size_t>(e - run));
    pool += '\0';
    return offset;
  }

  // Decodes the reference at q ('&') into the pool and returns what follows
  // it. Character references that can't be text (NUL, surrogate halves,
  // beyond U+10FFFF; exports carry such as &#0;) are dropped; anything that
  // is no reference stays as written.
  const char* AppendReference(const char* q, const char* e) {
    static const struct {
      const char* name;
      char c;
    } kNamed[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    const std::string_view rest(q, static_cast<size_t>(e - q));
    for (const auto& n : kNamed) {
      if (rest.compare(0, std::strlen(n.name), n.name) == 0) {
        t_.pool += n.c;
        return q + std::strlen(n.name);
      }
    }
    const char* d = q + 1;
    if (d < e && *d == '#') {
      ++d;
      const bool hex = d < e && *d == 'x';
      if (hex) ++d;
      const char* digits = d;
      uint32_t value = 0;
      for (; d < e; ++d) {
        const char c = *d;
        uint32_t v;
        if (c >= '0' && c <= '9')
          v = static_cast<uint32_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
          v = static_cast<uint32_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
          v = static_cast<uint32_t>(c - 'A' + 10);
        else
          break;
        value = std::min<uint32_t>(value * (hex ? 16 : 10) + v, 0x110000);
      }
      if (d > digits && d < e && *d == ';') {
        if (value != 0 && !IsSurrogate(value) && value <= 0x10FFFF) AppendUtf8(t_.pool, value);
        return d + 1;
      }
    }
    t_.pool += '&';
    return q + 1;
  }

  void ReadText() {
    const char* b = p_;
    const void* lt = std::memchr(p_, '<', static_cast<size_t>(end_ - p_));
    p_ = lt ? static_cast<const char*>(lt) : end_;
    if (!InsideRoot()) return;
    if (SkipSpace(b) == p_) {
      // Whitespace is kept only as the single child: <B>   </B>.
      const bool only_child = t_.nodes.size() == open_.back() + size_t{1};
      if (!only_child || !Starts("</")) return;
    }
    AddNode(Kind::kText, Append(b, p_, Copy::kText), 0);
  }

  void ReadDelimited(size_t open_length, const char* close, Kind kind, const char* unclosed) {
    const char* b = p_ + open_length;
    const char* e = Find(b, close);
    if (e == nullptr) Fail(unclosed, p_);
    p_ = e + std::strlen(close);
    if (InsideRoot()) AddNode(kind, Append(b, e, Copy::kLiteral), 0);
  }

  void ReadInstruction() {
    const char* lt = p_;
    const char* e = Find(p_ + 2, "?>");
    if (e == nullptr) Fail("a processing instruction is not closed with \"?>\"", lt);
    const char* target = p_ + 2;
    const char* target_end = std::min(NameEnd(target), e);
    p_ = e + 2;
    // The XML declaration, however written, says nothing the reader uses.
    if (std::string_view(target, static_cast<size_t>(target_end - target)) == "xml") return;
    if (target_end == target || !StartsName(*target) || (target_end < e && !IsSpace(*target_end)))
      Fail("a processing instruction without a proper target", lt);
    if (!InsideRoot()) return;
    const uint32_t name = Append(target, target_end, Copy::kLiteral);
    AddNode(Kind::kInstruction, name, Append(SkipSpace(target_end), e, Copy::kLiteral));
  }

  // <!DOCTYPE ...> with an internal subset in brackets and quoted literals.
  void SkipDoctype() {
    const char* lt = p_;
    int depth = 0;
    for (const char* q = p_ + 9; q < end_; ++q) {
      if (*q == '"' || *q == '\'') {
        const void* close = std::memchr(q + 1, *q, static_cast<size_t>(end_ - q - 1));
        if (close == nullptr) break;
        q = static_cast<const char*>(close);
      } else if (*q == '[') {
        ++depth;
      } else if (*q == ']') {
        --depth;
      } else if (*q == '>' && depth <= 0) {
        p_ = q + 1;
        return;
      }
    }
    Fail("the document type declaration is not closed", lt);
  }

  void ReadEndTag() {
    const char* name = p_ + 2;
    const char* name_end = NameEnd(name);
    const std::string tag(name, name_end);
    if (name_end == name) Fail("an end tag without a name", p_);
    const char* q = SkipSpace(name_end);
    if (q >= end_ || *q != '>') Fail("the end tag </" + tag + "> is not closed with '>'", q);
    if (!InsideRoot()) Fail("the end tag </" + tag + "> has no start tag", name);
    const uint32_t element = open_.back();
    if (t_.names[t_.nodes[element].str] != tag)
      Fail("the end tag </" + tag + "> does not close <" + NameOf(element) + ">", name);
    t_.nodes[element].end = static_cast<uint32_t>(t_.nodes.size());
    open_.pop_back();
    p_ = q + 1;
  }

  void ReadStartTag() {
    const char* lt = p_;
    const char* name = p_ + 1;
    if (name >= end_ || !StartsName(*name)) Fail("a '<' that starts no tag", lt);
    const char* name_end = NameEnd(name);
    const uint32_t element = AddNode(Kind::kElement, Intern(name, name_end),
                                     static_cast<uint32_t>(t_.attributes.size()));
    uint32_t count = 0;
    const char* q = name_end;
    auto tag = [&] { return "the tag <" + std::string(name, name_end) + ">"; };
    for (;;) {
      const char* after = q;
      q = SkipSpace(q);
      if (q >= end_) Fail(tag() + " is not closed", lt);
      if (*q == '>' || *q == '/') break;
      if (q == after || !StartsName(*q)) Fail("an unexpected character in " + tag(), q);
      const char* attribute = q;
      q = NameEnd(q);
      const std::string attribute_name(attribute, q);
      q = SkipSpace(q);
      if (q >= end_ || *q != '=') Fail("the attribute " + attribute_name + " has no value", q);
      q = SkipSpace(q + 1);
      if (q >= end_ || (*q != '"' && *q != '\''))
        Fail("the value of the attribute " + attribute_name + " is not in quotes", q);
      const void* close = std::memchr(q + 1, *q, static_cast<size_t>(end_ - q - 1));
      if (close == nullptr)
        Fail("the value of the attribute " + attribute_name + " is not closed", q);
      const auto* value_end = static_cast<const char*>(close);
      if (count == kMaxAttributes) Fail(tag() + " has too many attributes", attribute);
      t_.attributes.push_back({Intern(attribute, attribute + attribute_name.size()),
                               Append(q + 1, value_end, Copy::kAttribute)});
      ++count;
      q = value_end + 1;
    }
    t_.nodes[element].kind_and_count = static_cast<uint32_t>(Kind::kElement) | count << 8;
    if (*q == '/') {
      if (q + 1 >= end_ || q[1] != '>') Fail(tag() + " is not closed with '>'", q);
      p_ = q + 2;
      return;
    }
    p_ = q + 1;
    open_.push_back(element);
  }

  const char* begin_;
  const char* p_;
  const char* end_;
  Tree& t_;
  std::vector<uint32_t> open_;  // elements not yet closed, the document first
};

}  // namespace

bool XmlNode::IsElement() const {
  return tree_ != nullptr && tree_->nodes[index_].kind() == Kind::kElement;
}

std::string XmlNode::NodeName() const {
  if (tree_ == nullptr) return "";
  const Node& n = tree_->nodes[index_];
  switch (n.kind()) {
    case Kind::kDocument:
      return "#document";
    case Kind::kElement:
      return tree_->names[n.str];
    case Kind::kText:
      return "#text";
    case Kind::kCData:
      return "#cdata-section";
    case Kind::kComment:
      return "#comment";
    case Kind::kInstruction:
      return tree_->At(n.str);
  }
  return "";
}

std::string XmlNode::Text() const {
  if (tree_ == nullptr) return "";
  const Tree& t = *tree_;
  const Node& n = t.nodes[index_];
  switch (n.kind()) {
    case Kind::kDocument:
    case Kind::kElement: {
      std::string out;
      for (uint32_t i = index_ + 1; i < n.end; ++i) {
        const Kind kind = t.nodes[i].kind();
        if (kind == Kind::kText || kind == Kind::kCData) out += t.At(t.nodes[i].str);
      }
      return out;
    }
    case Kind::kInstruction:
      return t.At(n.extra);
    default:
      return t.At(n.str);
  }
}

size_t XmlNode::AttributeCount() const {
  return tree_ == nullptr ? 0 : tree_->nodes[index_].attribute_count();
}

std::string XmlNode::AttributeName(size_t index) const {
  if (index >= AttributeCount()) return "";
  return tree_->names[tree_->attributes[tree_->nodes[index_].extra + index].name];
}

std::string XmlNode::AttributeValue(size_t index) const {
  if (index >= AttributeCount()) return "";
  return tree_->At(tree_->attributes[tree_->nodes[index_].extra + index].value);
}

std::vector<XmlNode> XmlNode::ChildNodes() const {
  std::vector<XmlNode> children;
  if (tree_ == nullptr) return children;
  const uint32_t end = tree_->nodes[index_].end;
  for (uint32_t i = index_ + 1; i < end; i = tree_->nodes[i].end)
    children.push_back(XmlNode(tree_, i));
  return children;
}

bool XmlDocument::Load(const std::string& path) {
  tree_.reset();
  last_error_.clear();
  std::string bytes;
  std::string reason;
  if (!ReadSourceFile(path, MaxSourceSize(), bytes, reason)) {
    last_error_ = "Cannot read the XML file \"" + path + "\": " + reason;
    return false;
  }
  return Parse(std::move(bytes), path);
}

bool XmlDocument::LoadFromMemory(const std::string& bytes, const std::string& name) {
  tree_.reset();
  last_error_.clear();
  return Parse(bytes, name);
}

bool XmlDocument::Parse(std::string bytes, const std::string& name) {
  const std::string prefix = "The XML file \"" + name + "\" ";
  if (bytes.empty()) {
    last_error_ = prefix + "is empty.";
    return false;
  }
  try {
    const std::string text = ToUtf8(std::move(bytes));
    if (text.size() > kMaxText) {
      last_error_ = prefix + "is too large to load (" + std::to_string(text.size()) +
                    " bytes of text; at most " + std::to_string(kMaxText) + ").";
      return false;
    }
    auto tree = std::make_shared<Tree>();
    try {
      Parser(text, *tree).Run();
    } catch (const ParseError& e) {
      last_error_ =
          prefix + "could not be read: " + e.what + " at " + DescribePosition(text, e.offset) + ".";
      return false;
    }
    tree_ = std::move(tree);
    return true;
  } catch (const std::bad_alloc&) {
    last_error_ = prefix + "could not be read: not enough memory.";
    return false;
  }
}

XmlNode XmlDocument::DocumentElement() const {
  if (tree_ == nullptr) return XmlNode();
  for (const XmlNode& child : XmlNode(tree_, 0).ChildNodes())
    if (child.IsElement()) return child;
  return XmlNode();
}

std::vector<XmlNode> XmlDocument::ElementsByTagName(const std::string& name) const {
  std::vector<XmlNode> found;
  if (tree_ == nullptr) return found;
  const bool any = name == "*";
  const auto id = tree_->ids.find(name);
  if (!any && id == tree_->ids.end()) return found;
  const auto count = static_cast<uint32_t>(tree_->nodes.size());
  auto matches = [&](uint32_t i) {
    const Node& n = tree_->nodes[i];
    return n.kind() == Kind::kElement && (any || n.str == id->second);
  };
  // Counted first: the list of a large export is allocated once, at its size.
  size_t matched = 0;
  for (uint32_t i = 1; i < count; ++i) matched += matches(i) ? 1 : 0;
  found.reserve(matched);
  for (uint32_t i = 1; i < count; ++i)
    if (matches(i)) found.push_back(XmlNode(tree_, i));
  return found;
}

}  // namespace vantrel
