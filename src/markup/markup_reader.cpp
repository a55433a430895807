#include "dbhelpers/lookups.h"
#include "frame/handler.h"
#include "frame/processer_state.h"
#include "markup/common_convertor.h"
#include "markup/markup_import.h"
#include "markup/staging.h"
#include "platform/variant/convert.h"
#include "platform/xml/xml_document.h"
#include "sheet/allocators.h"

namespace vantrel {
namespace {

// Loads the export once per import. A file that cannot be read as XML is an
// error that names the file, not an empty export.
XmlDocument LoadExport(const ProcesserState& s) {
  XmlDocument doc;
  if (!doc.Load(s.source_file)) throw Error(doc.LastError());
  return doc;
}

// A record's name is its first attribute; an element without any has no name and is skipped.
bool RecordName(const XmlNode& element, std::string& name) {
  if (element.AttributeCount() == 0) return false;
  name = Trim(element.AttributeValue(0));
  return true;
}

// The trimmed text of the first direct child named PARENT; empty when there is none.
std::string FirstParent(const XmlNode& element) {
  for (const XmlNode& child : element.ChildNodes())
    if (child.NodeName() == "PARENT") return Trim(child.Text());
  return "";
}

// Stages every element of a group kind (GROUP, STOCKGROUP) with its first PARENT.
void StageGroups(const XmlDocument& doc, const char* tag, Recordset& rs) {
  DeclareStagingSet(rs, {"GrpName", "GrpParent"});
  for (const XmlNode& element : doc.ElementsByTagName(tag)) {
    std::string name;
    if (!RecordName(element, name)) continue;
    rs.AddNew();
    rs.SetValue("GrpName", name);
    rs.SetValue("GrpParent", FirstParent(element));
  }
}

// The readers have their own handler: a message with an empty title, ErrorFlag set.
template <class Body>
void RunReader(ProcesserState& s, Body&& body) {
  RunHandled(body, msgstyle::kInformation, "", &s.error_flag);
}

void ReadXmlLedgers(ProcesserState& s, const XmlDocument& doc, const std::string& tagName) {
  RunReader(s, [&] {
    Recordset& rs = Staging().rsLedL;
    DeclareStagingSet(rs, {"LedName", "LedParent"});
    for (const XmlNode& element : doc.ElementsByTagName(ToUpper(tagName))) {
      std::string name;
      if (!RecordName(element, name)) continue;
      rs.AddNew();
      rs.SetValue("LedName", name);
      rs.SetValue("LedParent", FirstParent(element));
    }
    rs.MoveFirst();
  });
}

// The staged opening value: "0" when the leading number of the text is zero,
// else the trimmed text itself, units and all.
std::string OpeningValue(const std::string& text) {
  return LeadingNumber(text) == 0 ? "0" : Trim(text);
}

void ReadXmlItems(ProcesserState& s, const XmlDocument& doc, const std::string& tagName) {
  RunReader(s, [&] {
    Recordset& rs = Staging().rsProI;
    DeclareStagingSet(rs, {"ItemName", "ItemParent", "ItemOStock"});
    for (const XmlNode& element : doc.ElementsByTagName(ToUpper(tagName))) {
      std::string name;
      if (!RecordName(element, name)) continue;
      rs.AddNew();
      rs.SetValue("ItemName", name);
      rs.SetValue("ItemParent", std::string());
      // Every child is looked at; a later PARENT or OPENINGVALUE overwrites an earlier one.
      for (const XmlNode& child : element.ChildNodes()) {
        const std::string node = child.NodeName();
        if (node == "PARENT")
          rs.SetValue("ItemParent", Trim(child.Text()));
        else if (node == "OPENINGVALUE")
          rs.SetValue("ItemOStock", OpeningValue(child.Text()));
      }
    }
    rs.MoveFirst();
  });
}

}  // namespace

void ImportAccountsFromMarkup(ProcesserState& s, bool& errOccured) {
  StagingSets& st = Staging();
  const XmlDocument doc = LoadExport(s);
  StageGroups(doc, "GROUP", st.rsLedG);
  ReadXmlLedgers(s, doc, "LEDGER");
  st.rsLedG.MoveFirst();
  st.rsLedL.MoveFirst();
  CommonConvertor(s.error_flag).AddToOrvikAcc(st.rsLedG, st.rsLedL);
  errOccured = s.error_flag;
}

void ImportProductsFromMarkup(ProcesserState& s, bool& errOccured) {
  StagingSets& st = Staging();
  AllocateGroupCode(s);
  if (!s.error_flag) AllocateProductCode(s);
  if (s.error_flag) {
    errOccured = true;
    return;
  }
  const XmlDocument doc = LoadExport(s);
  StageGroups(doc, "STOCKGROUP", st.rsProG);
  if (!st.rsProG.HasRows()) return;
  ReadXmlItems(s, doc, "STOCKITEM");
  st.rsProG.MoveFirst();
  st.rsProI.MoveFirst();
  CommonConvertor(s.error_flag).AddToOrvikPro(st.rsProG, st.rsProI);
  AllocateProductCode(s);
  SetPCodeParam(Variant(Counters().next_product_code));
  errOccured = s.error_flag;
}

void ImportDepotsFromMarkup(ProcesserState& s, bool& errOccured) {
  Recordset& rs = Staging().rsDepo;
  DeclareStagingSet(rs, {"DName"});
  const XmlDocument doc = LoadExport(s);
  for (const XmlNode& element : doc.ElementsByTagName("GODOWN")) {
    std::string name;
    if (!RecordName(element, name)) continue;
    // The two godowns every company has are not depots to create.
    const std::string upper = ToUpper(name);
    if (upper == "MAIN LOCATION" || upper == "DEFAULT") continue;
    rs.AddNew();
    rs.SetValue("DName", name);
  }
  if (rs.HasRows()) {
    rs.MoveFirst();
    CommonConvertor(s.error_flag).AddToOrvikDepo(rs);
  }
  errOccured = s.error_flag;
}

}  // namespace vantrel
