#include <optional>
#include <string>
#include <vector>

#include "dbhelpers/lookups.h"
#include "frame/processer_state.h"
#include "markup/common_convertor.h"
#include "markup/markup_import.h"
#include "markup/staging.h"
#include "platform/common/error.h"
#include "platform/variant/convert.h"
#include "platform/xml/xml_document.h"
#include "sheet/allocators.h"
#include "sheet/statement_builder.h"

namespace vantrel {
namespace {

// Loads the export once per import. A file that cannot be read as XML is an
// error that names the file, not an empty export.
XmlDocument LoadExport(const ProcesserState& s) {
  XmlDocument doc;
  if (!doc.Load(s.source_file)) throw Error(doc.LastError());
  return doc;
}

// Names longer than the target's name columns (accounthead headname,
// accountledger ledname, productgroup gpname, product pname, depot dname: 50
// characters on both targets) are cut here, so the existence tests, the parent
// lookups and the statements all see the name as it will be stored.
constexpr size_t kNameChars = 50;

std::string CutName(const std::string& text) { return Trim(LeftChars(Trim(text), kNameChars)); }

// A record's name is its NAME attribute, else its first attribute; an element
// without any is staged with the empty name, which the writers refuse.
std::string RecordName(const XmlNode& element) {
  const size_t count = element.AttributeCount();
  for (size_t i = 0; i < count; ++i)
    if (element.AttributeName(i) == "NAME") return CutName(element.AttributeValue(i));
  return count == 0 ? std::string() : CutName(element.AttributeValue(0));
}

// A parent's text without the blanks and line breaks around it (pretty-printed
// exports put the text on a line of its own); a break inside stays, and the
// writers refuse such a parent.
std::string Bare(const std::string& text) {
  const size_t b = text.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  const size_t e = text.find_last_not_of(" \t\r\n");
  return text.substr(b, e - b + 1);
}

std::string ParentText(const XmlNode& child) { return CutName(Bare(child.Text())); }

// The text of the first direct child named PARENT; empty when there is none.
std::string FirstParent(const XmlNode& element) {
  for (const XmlNode& child : element.ChildNodes())
    if (child.NodeName() == "PARENT") return ParentText(child);
  return "";
}

// Stages every element of a group kind (GROUP, STOCKGROUP) with its first PARENT.
void StageGroups(const XmlDocument& doc, const char* tag, Recordset& rs) {
  DeclareStagingSet(rs, {"GrpName", "GrpParent"});
  for (const XmlNode& element : doc.ElementsByTagName(tag)) {
    rs.AddNew();
    rs.SetValue("GrpName", RecordName(element));
    rs.SetValue("GrpParent", FirstParent(element));
  }
}

// The text of the first direct child of that name; none when there is none.
std::optional<std::string> ChildText(const XmlNode& element, const char* name) {
  for (const XmlNode& child : element.ChildNodes())
    if (child.NodeName() == name) return child.Text();
  return std::nullopt;
}

void ReadXmlLedgers(const XmlDocument& doc, const std::string& tagName) {
  Recordset& rs = Staging().rsLedL;
  std::vector<std::optional<std::string>>& balances = Staging().ledger_balances;
  DeclareStagingSet(rs, {"LedName", "LedParent"});
  balances.clear();
  for (const XmlNode& element : doc.ElementsByTagName(ToUpper(tagName))) {
    rs.AddNew();
    rs.SetValue("LedName", RecordName(element));
    rs.SetValue("LedParent", FirstParent(element));
    balances.push_back(ChildText(element, "OPENINGBALANCE"));
  }
  // An export without ledgers is no error: its groups are still written.
  if (rs.HasRows()) rs.MoveFirst();
}

// The staged opening value: "0" when the leading number of the text is zero,
// else the trimmed text itself, units and all.
std::string OpeningValue(const std::string& text) {
  return LeadingNumber(text) == 0 ? "0" : Trim(text);
}

// One godown's and batch's share of an item's opening stock.
StagedAllocation ReadAllocation(const XmlNode& list) {
  StagedAllocation a;
  for (const XmlNode& child : list.ChildNodes()) {
    const std::string node = child.NodeName();
    if (node == "GODOWNNAME")
      a.godown = Bare(child.Text());
    else if (node == "BATCHNAME")
      a.batch = Bare(child.Text());
    else if (node == "OPENINGBALANCE")
      a.quantity = Bare(child.Text());
    else if (node == "OPENINGRATE")
      a.rate = Bare(child.Text());
    else if (node == "OPENINGVALUE")
      a.value = Bare(child.Text());
  }
  return a;
}

void ReadXmlItems(const XmlDocument& doc, const std::string& tagName) {
  Recordset& rs = Staging().rsProI;
  std::vector<StagedStock>& stock = Staging().item_stock;
  DeclareStagingSet(rs, {"ItemName", "ItemParent", "ItemOStock"});
  stock.clear();
  for (const XmlNode& element : doc.ElementsByTagName(ToUpper(tagName))) {
    rs.AddNew();
    rs.SetValue("ItemName", RecordName(element));
    rs.SetValue("ItemParent", std::string());
    StagedStock& figures = stock.emplace_back();
    // Every child is looked at; a later PARENT or figure overwrites an earlier one.
    for (const XmlNode& child : element.ChildNodes()) {
      const std::string node = child.NodeName();
      if (node == "PARENT") {
        rs.SetValue("ItemParent", ParentText(child));
      } else if (node == "OPENINGVALUE") {
        rs.SetValue("ItemOStock", OpeningValue(child.Text()));
        figures.value = Bare(child.Text());
      } else if (node == "BASEUNITS") {
        figures.base_unit = Bare(child.Text());
      } else if (node == "OPENINGBALANCE") {
        figures.quantity = Bare(child.Text());
        figures.given = true;
      } else if (node == "OPENINGRATE") {
        figures.rate = Bare(child.Text());
      } else if (node == "BATCHALLOCATIONS.LIST") {
        figures.allocations.push_back(ReadAllocation(child));
        figures.given = true;
      }
    }
  }
  if (rs.HasRows()) rs.MoveFirst();
}

// Every markup import starts its counts afresh; the frame starts the list of
// skipped records, which a migration keeps over all its steps.
void StartCounts(ProcesserState& s) {
  s.rows_imported = 0;
  s.rows_refused = 0;
}

}  // namespace

void ImportAccountsFromMarkup(ProcesserState& s) {
  StagingSets& st = Staging();
  StartCounts(s);
  {
    // The document goes before the writers run: they need only what is staged.
    const XmlDocument doc = LoadExport(s);
    StageGroups(doc, "GROUP", st.rsLedG);
    ReadXmlLedgers(doc, "LEDGER");
  }
  // Either set may be empty: what there is gets written.
  CommonConvertor(s).AddToOrvikAcc(st.rsLedG, st.rsLedL);
}

void ImportProductsFromMarkup(ProcesserState& s) {
  StagingSets& st = Staging();
  StartCounts(s);
  AllocateGroupCode(s);
  AllocateProductCode(s);
  {
    const XmlDocument doc = LoadExport(s);
    StageGroups(doc, "STOCKGROUP", st.rsProG);
    ReadXmlItems(doc, "STOCKITEM");
  }
  // Either set may be empty: items of an export without stock groups go under
  // the groups the company has.
  CommonConvertor(s).AddToOrvikPro(st.rsProG, st.rsProI);
  AllocateProductCode(s);
  SetPCodeParam(Variant(Counters().next_product_code));
}

void ImportDepotsFromMarkup(ProcesserState& s) {
  Recordset& rs = Staging().rsDepo;
  StartCounts(s);
  DeclareStagingSet(rs, {"DName"});
  const std::vector<XmlNode> godowns = LoadExport(s).ElementsByTagName("GODOWN");
  ProgressStep step("depots", godowns.size());
  for (const XmlNode& element : godowns) {
    const std::string name = RecordName(element);
    // The two godowns every company has are not depots to create.
    const std::string upper = ToUpper(name);
    if (upper == "MAIN LOCATION" || upper == "DEFAULT") {
      step.Handled();
      RecordSkipped(s, "GODOWN", name, "", Reason::kReservedGodown);
      continue;
    }
    rs.AddNew();
    rs.SetValue("DName", name);
  }
  if (rs.HasRows()) CommonConvertor(s).AddToOrvikDepo(rs, step);
}

}  // namespace vantrel
