#include "platform/workbook/xlsx_reader.h"

#include <zip.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <set>

#include "platform/common/source_file.h"
#include "platform/variant/convert.h"

namespace vantrel::workbook {
namespace {

// The largest sheet the format allows.
constexpr size_t kMaxRows = 1048576;
constexpr size_t kMaxColumns = 16384;

// A parsed part keeps its text: the parser works in place, its strings point into it.
struct XmlPart {
  std::string text;
  pugi::xml_document doc;
};

// Text of elements is kept in the element itself rather than in a child node
// of its own, which saves a node for nearly every cell.
constexpr unsigned int kParseOptions = pugi::parse_default | pugi::parse_embed_pcdata;

class Archive {
 public:
  // The parts, uncompressed, may hold at most the source size limit in all and
  // an eighth of it each: a sheet's parsed tree costs about eight times its text.
  Archive(const std::string& bytes, const std::string& path)
      : path_(path), total_limit_(MaxSourceSize()), part_limit_(total_limit_ / 8) {
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &ze);
    if (source) {
      zip_ = zip_open_from_source(source, ZIP_RDONLY, &ze);
      if (!zip_) zip_source_free(source);
    }
    if (!zip_) {
      const std::string message = zip_error_strerror(&ze);
      zip_error_fini(&ze);
      ThrowOpenError(path, "not a readable .xlsx file (" + message + ")");
    }
    zip_error_fini(&ze);
    try {
      CheckDeclaredSizes();
    } catch (...) {
      zip_discard(zip_);  // no destructor runs for a constructor that throws
      throw;
    }
  }
  ~Archive() { zip_discard(zip_); }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  bool Has(const std::string& name) const {
    return zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE) >= 0;
  }

  // Reads a part whole. Declared sizes were checked up front; what actually
  // comes out is counted too, since the sizes an archive declares can lie.
  std::string Read(const std::string& name) const {
    const zip_int64_t index = zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) Fail("the part '" + name + "' is missing");
    zip_file_t* file = zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0);
    if (!file) Fail("cannot read the part '" + name + "' (" + zip_strerror(zip_) + ")");
    std::string data;
    char buffer[65536];
    for (;;) {
      const zip_int64_t got = zip_fread(file, buffer, sizeof buffer);
      if (got < 0) {
        const std::string message = zip_file_strerror(file);
        zip_fclose(file);
        Fail("cannot read the part '" + name + "' (" + message + ")");
      }
      if (got == 0) break;
      data.append(buffer, static_cast<size_t>(got));
      inflated_ += static_cast<uint64_t>(got);
      if (data.size() > part_limit_ || inflated_ > total_limit_) {
        zip_fclose(file);
        Fail(TooLarge(name, data.size() > part_limit_));
      }
    }
    zip_fclose(file);
    return data;
  }

  std::unique_ptr<XmlPart> Xml(const std::string& name) const {
    auto part = std::make_unique<XmlPart>();
    part->text = Read(name);
    const pugi::xml_parse_result r =
        part->doc.load_buffer_inplace(part->text.data(), part->text.size(), kParseOptions);
    if (!r) Fail("the part '" + name + "' is not well-formed XML (" + r.description() + ")");
    return part;
  }

  [[noreturn]] void Fail(const std::string& reason) const { ThrowOpenError(path_, reason); }

 private:
  std::string TooLarge(const std::string& name, bool one_part) const {
    if (one_part)
      return "the part '" + name + "' holds more than " + ByteCountText(part_limit_) +
             " uncompressed, the most one part may (an eighth of the source limit); " +
             SourceLimitText(total_limit_);
    return "its parts hold more than " + ByteCountText(total_limit_) + " uncompressed; " +
           SourceLimitText(total_limit_);
  }

  void CheckDeclaredSizes() const {
    const zip_int64_t count = zip_get_num_entries(zip_, 0);
    uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
      zip_stat_t st;
      if (zip_stat_index(zip_, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
      if (!(st.valid & ZIP_STAT_SIZE)) continue;
      const std::string name = (st.valid & ZIP_STAT_NAME) && st.name ? st.name : "?";
      if (st.size > part_limit_) Fail(TooLarge(name, true));
      total += st.size;
      if (total > total_limit_) Fail(TooLarge(name, false));
    }
  }

  std::string path_;
  uint64_t total_limit_;
  uint64_t part_limit_;
  mutable uint64_t inflated_ = 0;
  zip_t* zip_ = nullptr;
};

// Element and attribute names without their namespace prefix.
const char* Local(const char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? colon + 1 : name;
}
bool Is(const pugi::xml_node& n, const char* local) {
  return std::strcmp(Local(n.name()), local) == 0;
}
pugi::xml_node Child(const pugi::xml_node& parent, const char* local) {
  for (pugi::xml_node n : parent.children()) {
    if (n.type() == pugi::node_element && Is(n, local)) return n;
  }
  return {};
}
// The relationship id attribute, whatever prefix the file binds its namespace to.
std::string RelId(const pugi::xml_node& n) {
  for (pugi::xml_attribute a : n.attributes()) {
    if (std::strcmp(Local(a.name()), "id") == 0 && std::strchr(a.name(), ':')) return a.value();
  }
  return "";
}

// Resolves a relationship target against the folder of the part that names it.
std::string ResolveTarget(const std::string& base_dir, const std::string& target) {
  std::string joined = !target.empty() && target[0] == '/' ? target.substr(1) : base_dir + target;
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= joined.size()) {
    size_t end = joined.find('/', start);
    if (end == std::string::npos) end = joined.size();
    const std::string part = joined.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

std::string DirOf(const std::string& part) {
  const size_t slash = part.rfind('/');
  return slash == std::string::npos ? "" : part.substr(0, slash + 1);
}

std::string RelsPathOf(const std::string& part) {
  const size_t slash = part.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
  return dir + "_rels/" + file + ".rels";
}

// Relationship id -> resolved part name and its type suffix, and type suffix
// -> first part of that type.
struct Relationships {
  std::map<std::string, std::string> by_id;
  std::map<std::string, std::string> type_of_id;
  std::map<std::string, std::string> by_type;
};

Relationships ReadRelationships(const Archive& zip, const std::string& part) {
  Relationships rels;
  const std::string rels_path = RelsPathOf(part);
  if (!zip.Has(rels_path)) return rels;
  const auto part_xml = zip.Xml(rels_path);
  const pugi::xml_node root = Child(part_xml->doc, "Relationships");
  for (pugi::xml_node r : root.children()) {
    if (!Is(r, "Relationship")) continue;
    if (std::strcmp(r.attribute("TargetMode").value(), "External") == 0) continue;
    const std::string target = ResolveTarget(DirOf(part), r.attribute("Target").value());
    rels.by_id[r.attribute("Id").value()] = target;
    std::string type = r.attribute("Type").value();
    const size_t slash = type.rfind('/');
    if (slash != std::string::npos) type = type.substr(slash + 1);
    rels.type_of_id[r.attribute("Id").value()] = type;
    rels.by_type.emplace(type, target);
  }
  return rels;
}

// Text of a string item: its <t> plus the <t> of its rich text runs; phonetic
// hints (<rPh>) are not part of the value.
std::string ItemText(const pugi::xml_node& item) {
  std::string text;
  for (pugi::xml_node n : item.children()) {
    if (Is(n, "t")) {
      text += n.text().get();
    } else if (Is(n, "r")) {
      text += Child(n, "t").text().get();
    }
  }
  return text;
}

std::vector<std::string> ReadSharedStrings(const Archive& zip, const std::string& part) {
  std::vector<std::string> strings;
  if (part.empty()) return strings;
  const auto part_xml = zip.Xml(part);
  for (pugi::xml_node si : Child(part_xml->doc, "sst").children()) {
    if (Is(si, "si")) strings.push_back(ItemText(si));
  }
  return strings;
}

// For each cell style index: does it show a date.
std::vector<bool> ReadDateStyles(const Archive& zip, const std::string& part) {
  std::vector<bool> dated;
  if (part.empty()) return dated;
  const auto part_xml = zip.Xml(part);
  const pugi::xml_node root = Child(part_xml->doc, "styleSheet");
  std::set<unsigned> custom_dates;
  for (pugi::xml_node f : Child(root, "numFmts").children()) {
    if (Is(f, "numFmt") && IsDateFormatCode(f.attribute("formatCode").value())) {
      custom_dates.insert(f.attribute("numFmtId").as_uint());
    }
  }
  for (pugi::xml_node xf : Child(root, "cellXfs").children()) {
    if (!Is(xf, "xf")) continue;
    const unsigned id = xf.attribute("numFmtId").as_uint();
    dated.push_back(IsBuiltInDateFormat(id) || custom_dates.count(id) > 0);
  }
  return dated;
}

// "BC12" -> column 54, row 11 (both from 0). False when the reference is not one.
bool ParseCellRef(const char* ref, size_t& row, size_t& column) {
  size_t col = 0, r = 0, letters = 0, digits = 0;
  const char* p = ref;
  for (; *p >= 'A' && *p <= 'Z'; ++p) {
    if (++letters > 3) return false;
    col = col * 26 + static_cast<size_t>(*p - 'A' + 1);
  }
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (++digits > 7) return false;
    r = r * 10 + static_cast<size_t>(*p - '0');
  }
  if (*p || letters == 0 || digits == 0 || r == 0) return false;
  row = r - 1;
  column = col - 1;
  return true;
}

struct SheetContext {
  const Archive& zip;
  const std::string& shared_strings_part;
  const std::vector<std::string>& strings;
  const std::vector<bool>& date_styles;
  bool date1904;
};

Variant NumberCell(const char* text, unsigned style, const SheetContext& ctx) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end || !std::isfinite(v)) return TextCell(text);
  if (style < ctx.date_styles.size() && ctx.date_styles[style]) {
    return Variant(DateValue{ctx.date1904 ? v + 1462 : v});
  }
  return Variant(v);
}

// A shared string the workbook does not hold is an error of the file: read
// as empty, the cell's text would be lost without a word.
Variant CellValue(const pugi::xml_node& c, const SheetContext& ctx) {
  const std::string type = c.attribute("t").value();
  const char* v = Child(c, "v").text().get();
  if (type == "s") {
    if (*v == 0) return Variant::Null();
    char* end = nullptr;
    const unsigned long i = std::strtoul(v, &end, 10);
    if (*end || i >= ctx.strings.size()) {
      const std::string cell = c.attribute("r").value();
      ctx.zip.Fail("the cell " + cell + " refers to shared string " + v + ", but " +
                   (ctx.shared_strings_part.empty()
                        ? std::string("the workbook has no shared strings part")
                        : "the part '" + ctx.shared_strings_part + "' holds " +
                              std::to_string(ctx.strings.size())));
    }
    return TextCell(ctx.strings[i]);
  }
  if (type == "inlineStr") return TextCell(ItemText(Child(c, "is")));
  // Error cells (#DIV/0!, #N/A) hold no value.
  if (type == "e") return Variant::Null();
  if (type == "str") return TextCell(v);
  if (type == "b") return Variant(std::strcmp(v, "1") == 0 || EqualsNoCase(v, "true"));
  if (type == "d") {
    DateValue d;
    if (ParseDateText(v, d)) return Variant(d);
    return TextCell(v);
  }
  if (*v == 0) return Variant::Null();
  return NumberCell(v, c.attribute("s").as_uint(), ctx);
}

void ReadWorksheet(const Archive& zip, const std::string& part, const SheetContext& ctx,
                   Sheet& sheet) {
  const auto part_xml = zip.Xml(part);
  const pugi::xml_node data = Child(Child(part_xml->doc, "worksheet"), "sheetData");
  size_t row = 0;
  bool first_row = true;
  for (pugi::xml_node r : data.children()) {
    if (!Is(r, "row")) continue;
    // Rows and cells without a reference follow the previous one.
    const unsigned number = r.attribute("r").as_uint();
    row = number > 0 ? number - 1 : (first_row ? 0 : row + 1);
    first_row = false;
    if (row >= kMaxRows) zip.Fail("a row number in '" + part + "' is out of range");
    size_t column = 0;
    bool first_cell = true;
    for (pugi::xml_node c : r.children()) {
      if (!Is(c, "c")) continue;
      size_t ref_row = row, ref_col = column;
      if (ParseCellRef(c.attribute("r").value(), ref_row, ref_col)) {
        column = ref_col;
      } else if (!first_cell) {
        ++column;
      }
      first_cell = false;
      if (column >= kMaxColumns) zip.Fail("a column in '" + part + "' is out of range");
      SetCell(sheet, row, column, CellValue(c, ctx));
    }
  }
  FinishSheet(sheet);
}

}  // namespace

Workbook ReadXlsx(const std::string& bytes, const std::string& path) {
  Archive zip(bytes, path);
  std::string workbook_part = "xl/workbook.xml";
  const Relationships root = ReadRelationships(zip, "");
  const auto main = root.by_type.find("officeDocument");
  if (main != root.by_type.end()) workbook_part = main->second;

  const auto workbook_xml = zip.Xml(workbook_part);
  const pugi::xml_node wb = Child(workbook_xml->doc, "workbook");
  const Relationships rels = ReadRelationships(zip, workbook_part);
  auto part_of_type = [&](const char* type) {
    const auto it = rels.by_type.find(type);
    return it == rels.by_type.end() ? std::string() : it->second;
  };
  const std::string strings_part = part_of_type("sharedStrings");
  const std::vector<std::string> strings = ReadSharedStrings(zip, strings_part);
  const std::vector<bool> date_styles = ReadDateStyles(zip, part_of_type("styles"));
  const pugi::xml_attribute d1904 = Child(wb, "workbookPr").attribute("date1904");
  const SheetContext ctx{zip, strings_part, strings, date_styles, d1904 && d1904.as_bool()};

  Workbook book;
  for (pugi::xml_node s : Child(wb, "sheets").children()) {
    if (!Is(s, "sheet")) continue;
    const auto part = rels.by_id.find(RelId(s));
    if (part == rels.by_id.end()) {
      zip.Fail(std::string("the sheet '") + s.attribute("name").value() + "' has no part");
    }
    Sheet sheet;
    sheet.name = s.attribute("name").value();
    // A worksheet's part must be there; chart sheets and macro sheets have no
    // cells to read.
    if (rels.type_of_id.at(part->first) == "worksheet" || zip.Has(part->second)) {
      ReadWorksheet(zip, part->second, ctx, sheet);
    }
    book.sheets.push_back(std::move(sheet));
  }
  return book;
}

}  // namespace vantrel::workbook
