// The fields each workbook import fills, the headers people write for them,
// and the matching of a sheet's header to them.
#include "component/target_fields.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <map>
#include <tuple>
#include <vector>

#include "vantrel/workbook.h"

namespace vantrel {
namespace {

// The workbook import kinds, one bit each.
enum : unsigned {
  kHeads = 1u << 0,
  kLedgers = 1u << 1,
  kGroups = 1u << 2,
  kProducts = 1u << 3,
  kBatches = 1u << 4,
  kStock = 1u << 5,
  kProductKinds = kProducts | kStock,
  kStockKinds = kBatches | kStock,
  kAllKinds = (1u << 6) - 1,
};

struct KindName {
  const char* name;
  unsigned bit;
};
constexpr KindName kKinds[] = {
    {"account-heads", kHeads}, {"accounts", kLedgers}, {"product-groups", kGroups},
    {"products", kProducts},   {"batches", kBatches},  {"opening-stock", kStock},
};

// One field of the kinds it is listed for, and the headers that name it
// beyond its own name ('|' between them). Headers are compared by their words
// as Words() makes them, so "qty" stands for "Qty", "Quantity" and "Qnty".
// A kind's fields are listed in this order; the earlier of two fields that
// match a header equally well gets it.
struct FieldEntry {
  unsigned kinds;
  const char* name;
  FieldRule rule;
  size_t length;
  const char* headers;
};

using R = FieldRule;

constexpr FieldEntry kFields[] = {
    // account-heads (accounthead; headcode is the import's own)
    {kHeads, "headname", R::kName, 30, "head name|head|name|account head|account name|title"},
    {kHeads, "underhead", R::kReference, 0,
     "under head|parent head|under|parent|under group|parent group|group|main head"},
    {kHeads, "headlevel", R::kNumber, 0, "head level|level"},

    // accounts (accountledger; ledcode is the import's own)
    {kLedgers, "ledname", R::kName, 50,
     "ledger name|ledger|name|account name|account|party name|party|customer name|customer|"
     "supplier name|supplier"},
    {kLedgers, "headcode", R::kReference, 0,
     "under head|head|account head|head name|under|under group|group|group name|parent|"
     "parent head|account group"},
    {kLedgers, "openingbalance", R::kBalance, 0,
     "opening balance|balance|opening|opening amount|ob|balance debit credit"},
    {kLedgers, "openingbalancedb", R::kNumber, 0,
     "opening balance debit|opening debit|debit balance|debit|debit amount"},
    {kLedgers, "openingbalancecr", R::kNumber, 0,
     "opening balance credit|opening credit|credit balance|credit|credit amount"},
    {kLedgers, "address", R::kText, 60, "address|address 1|address line 1|street"},
    {kLedgers, "city", R::kText, 25, "city|town|place"},
    {kLedgers, "pincode", R::kText, 7, "pin code|pin|zip|zip code|post code|postcode|postal code"},
    {kLedgers, "cperson", R::kText, 25, "contact person|contact|contact name|person"},
    {kLedgers, "phone", R::kText, 30, "phone|phone number|landline"},
    {kLedgers, "faxno", R::kText, 15, "fax|fax number"},
    {kLedgers, "cellphone", R::kText, 15, "mobile|mobile number|mobile phone"},
    {kLedgers, "email", R::kText, 50, "email|e mail|email address|e mail address|mail"},
    {kLedgers, "gstno", R::kText, 25, "gst|gst number|gstin"},
    {kLedgers, "cstno", R::kText, 25, "cst|cst number"},
    {kLedgers, "flag", R::kFlag, 0, "flag|active"},

    // product-groups (productgroup; gpcode is the import's own)
    {kGroups, "gpname", R::kName, 50, "group name|group|name|product group|category|category name"},
    {kGroups, "gpdesc", R::kText, 50, "description|group description|remarks"},
    {kGroups, "gpunder", R::kReference, 0,
     "parent group|under group|parent|under|main group|parent category"},
    {kGroups, "gplevel", R::kNumber, 0, "group level|level"},

    // products, and the product pass of opening-stock (product, productunits)
    {kProductKinds, "pcode", R::kText, 30,
     "product code|code|sku|product number|part number|article code"},
    {kProductKinds, "pname", R::kName, 50, "product name|name|product"},
    {kProductKinds, "gpcode", R::kReference, 0,
     "group|product group|group name|under group|category|stock group|group code"},
    {kProductKinds, "parentgroup", R::kReference, 0, "parent group|parent category"},
    {kProductKinds, "supergroup", R::kReference, 0, "super group|main group|top group"},
    {kProductKinds, "Base Unit", R::kReference, 15,
     "base unit|unit|basic unit|primary unit|main unit|unit name|smallest unit"},
    {kProductKinds, "Addl. Unit1", R::kReference, 15,
     "pack unit|packing unit|pack|outer unit|additional unit|second unit|unit 1"},
    {kProductKinds, "Addl. Unit1 cf", R::kNumber, 0,
     "pack size|pack factor|pack quantity|units per pack|pack unit factor|"
     "additional unit factor|unit 1 factor|factor 1"},
    {kProductKinds, "Addl. Unit2", R::kReference, 15, "unit 2|pack unit 2"},
    {kProductKinds, "Addl. Unit2 cf", R::kNumber, 0, "unit 2 factor|factor 2|pack size 2"},
    {kProductKinds, "Addl. Unit3", R::kReference, 15, "unit 3|pack unit 3"},
    {kProductKinds, "Addl. Unit3 cf", R::kNumber, 0, "unit 3 factor|factor 3|pack size 3"},
    {kProductKinds, "Addl. Unit4", R::kReference, 15, "unit 4|pack unit 4"},
    {kProductKinds, "Addl. Unit4 cf", R::kNumber, 0, "unit 4 factor|factor 4|pack size 4"},
    {kProductKinds, "unitinrpt", R::kReference, 0,
     "report unit|unit in report|reporting unit|display unit"},
    {kProductKinds, "purchaseunit", R::kReference, 0, "purchase unit|unit of purchase"},
    {kProductKinds, "salesunit", R::kReference, 0, "sale unit|unit of sale"},
    {kProductKinds, "mrprate", R::kText, 10,
     "mrp|mrp rate|maximum retail rate|retail rate|list rate"},
    {kProductKinds, "pcolor", R::kText, 20, "colour|product colour|shade"},
    {kProductKinds, "pdesc", R::kText, 50, "description|product description|remarks"},
    {kProductKinds, "userfield1", R::kText, 50, "user field 1|custom field 1|field 1"},
    {kProductKinds, "userfield2", R::kText, 50, "user field 2|custom field 2|field 2"},
    {kProductKinds, "userfield3", R::kText, 50, "user field 3|custom field 3|field 3"},
    {kProductKinds, "userfield4", R::kText, 50, "user field 4|custom field 4|field 4"},
    {kProductKinds, "minlmt", R::kNumber, 0,
     "minimum|minimum limit|minimum stock|minimum level|minimum quantity"},
    {kProductKinds, "reorderlmt", R::kNumber, 0,
     "reorder|reorder level|reorder limit|reorder quantity|reorder point|re order level"},
    {kProductKinds, "maxlmt", R::kNumber, 0,
     "maximum|maximum limit|maximum stock|maximum level|maximum quantity"},
    {kProducts, "balance", R::kNumber, 0, "balance|stock balance|current stock"},
    {kProducts | kBatches | kStock, "purrate", R::kNumber, 0,
     "purchase rate|rate|cost|cost rate|purchase|landing cost"},
    {kProductKinds, "salerate", R::kNumber, 0, "sale rate|sale|wholesale rate"},
    {kProductKinds, "salesrate1", R::kNumber, 0, "sale rate 1|rate 1"},
    {kProductKinds, "salesrate2", R::kNumber, 0, "sale rate 2|rate 2"},
    {kProductKinds, "salesrate3", R::kNumber, 0, "sale rate 3|rate 3"},
    {kProductKinds, "salesrate4", R::kNumber, 0, "sale rate 4|rate 4"},
    {kProductKinds, "purrate1", R::kNumber, 0, "purchase rate 1"},
    {kProductKinds, "purrate2", R::kNumber, 0, "purchase rate 2"},
    {kProductKinds, "purrate3", R::kNumber, 0, "purchase rate 3"},
    {kProductKinds, "purrate4", R::kNumber, 0, "purchase rate 4"},

    // batches, and the stock pass of opening-stock (productbatch, inventory, receipts)
    {kBatches, "pcode", R::kReference, 30,
     "product code|code|sku|product number|part number|article code"},
    {kBatches, "pname", R::kReference, 50, "product name|name|product"},
    {kStockKinds, "batchname", R::kText, 20, "batch|batch name|batch number|lot|lot number"},
    {kStockKinds, "description", R::kText, 50, "batch description|remarks"},
    {kStockKinds, "manfdate", R::kDate, 0,
     "manufacture|manufacture date|date manufacture|production date|packed|packed date"},
    {kStockKinds, "expdate", R::kDate, 0, "expiry|expiry date|best before|use by|valid until"},
    {kStockKinds, "unit", R::kReference, 0,
     "stock unit|unit|quantity unit|opening unit|batch unit"},
    {kStockKinds, "cf", R::kNumber, 0, "factor|unit factor|unit size"},
    {kStockKinds, "openingstock", R::kNumber, 0,
     "opening stock|quantity|stock|opening quantity|opening|opening balance|stock quantity|"
     "closing stock|balance quantity"},
};

// Words that mean the same in a header: each is read as the first of its line.
constexpr const char* kSameWords[] = {
    "account|ac|acct|acc",
    "balance|bal",
    "quantity|qty|qnty|quan",
    "amount|amt",
    "description|desc|descr|details",
    "group|grp",
    "number|no|num|nr",
    "additional|addl|add|alt|alternate|extra",
    "factor|cf|conversion|conv",
    "rate|price",
    "purchase|purch|pur|buying|buy",
    "sale|sales|selling|sell",
    "opening|op|open",
    "debit|dr|db",
    "credit|cr",
    "manufacture|manufactured|manufacturing|mfg|mfd|manf|made|production",
    "expiry|expires|expiring|expire|exp|expiration",
    "minimum|min",
    "maximum|max",
    "product|item|prod|article",
    "phone|telephone|tel|ph",
    "mobile|cell|mob|cellphone",
    "colour|color",
    "unit|units|uom",
    "ledger|led",
    "address|addr",
    "level|lvl",
    "date|dt",
};

// Words a header may hold that name nothing.
constexpr const char* kFillerWords[] = {"of", "the", "a",  "an", "in", "for", "per",
                                        "on", "to",  "by", "at", "rs", "inr"};

// A header as matching reads it.
struct Words {
  std::string compact;              // letters and digits only, lower case
  std::vector<std::string> words;   // in order, each in its standard form, fillers left out
  std::vector<std::string> sorted;  // the same, sorted
  std::vector<std::string> digits;  // the words that are numbers, sorted
};

std::vector<std::string> Split(const char* list) {
  std::vector<std::string> parts;
  std::string part;
  for (const char* p = list; *p; ++p) {
    if (*p == '|') {
      parts.push_back(part);
      part.clear();
    } else {
      part += *p;
    }
  }
  parts.push_back(part);
  return parts;
}

const std::map<std::string, std::string>& StandardWords() {
  static const std::map<std::string, std::string> words = [] {
    std::map<std::string, std::string> m;
    for (const char* line : kSameWords) {
      const std::vector<std::string> same = Split(line);
      for (const std::string& w : same) m[w] = same.front();
    }
    return m;
  }();
  return words;
}

bool IsFiller(const std::string& word) {
  for (const char* f : kFillerWords)
    if (word == f) return true;
  return false;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// Letters of any script count as letters: bytes of UTF-8 sequences are kept.
bool IsWordByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80;
}

Words ReadWords(const std::string& header) {
  std::string text;
  for (char c : header) text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // "A/c" is an account, not the words "a" and "c".
  for (size_t at = text.find("a/c"); at != std::string::npos; at = text.find("a/c", at))
    text.replace(at, 3, " account ");
  Words w;
  std::string word;
  auto end_word = [&] {
    if (word.empty()) return;
    const auto standard = StandardWords().find(word);
    if (standard != StandardWords().end()) word = standard->second;
    if (!IsFiller(word)) w.words.push_back(word);
    if (IsDigit(word[0])) w.digits.push_back(word);
    word.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!IsWordByte(c)) {
      end_word();
      continue;
    }
    w.compact += c;
    // "Unit1" is the words "unit" and "1".
    if (!word.empty() && IsDigit(word.back()) != IsDigit(c)) end_word();
    word += c;
  }
  end_word();
  w.sorted = w.words;
  std::sort(w.sorted.begin(), w.sorted.end());
  std::sort(w.digits.begin(), w.digits.end());
  return w;
}

// A field with its name and headers read into words, once.
struct Field {
  const FieldEntry* entry;
  std::string compact_name;
  std::vector<Words> headers;  // its name first
};

const std::vector<Field>& Fields() {
  static const std::vector<Field> fields = [] {
    std::vector<Field> list;
    for (const FieldEntry& e : kFields) {
      Field f{&e, ReadWords(e.name).compact, {ReadWords(e.name)}};
      for (const std::string& h : Split(e.headers)) f.headers.push_back(ReadWords(h));
      list.push_back(std::move(f));
    }
    return list;
  }();
  return fields;
}

// A header matched to a field: 100 for the field's own name, 95 for one of
// its headers word for word or letter for letter ("M.R.P." is "mrp"), and
// from 70 to 90 for a header that holds all the words of one of its headers,
// in any order, and no more than as many again (90 when no more). Numbers in
// the header must be those of the field's header ("Unit 2" is no "Unit 1").
// Below 70, no match.
constexpr int kMatchScore = 70;

int MatchScore(const Words& header, const Field& field) {
  if (header.compact.empty()) return 0;
  if (header.compact == field.compact_name) return 100;
  int best = 0;
  for (const Words& h : field.headers) {
    if (h.words.empty() || h.digits != header.digits) continue;
    if (h.words == header.words || h.compact == header.compact) return 95;
    if (std::includes(header.sorted.begin(), header.sorted.end(), h.sorted.begin(),
                      h.sorted.end())) {
      const int score = 50 + static_cast<int>(40 * h.words.size() / header.words.size());
      if (score >= kMatchScore) best = std::max(best, score);
    }
  }
  return best;
}

// How near a header comes to a field, for listing the nearest of those that
// did not match: shared words, else shared pairs of letters.
double Nearness(const Words& header, const Field& field) {
  auto pairs = [](const std::string& s) {
    std::vector<std::string> p;
    for (size_t i = 0; i + 1 < s.size(); ++i) p.push_back(s.substr(i, 2));
    std::sort(p.begin(), p.end());
    return p;
  };
  auto dice = [](const std::vector<std::string>& a, const std::vector<std::string>& b) {
    if (a.empty() || b.empty()) return 0.0;
    std::vector<std::string> common;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(common));
    return 2.0 * static_cast<double>(common.size()) / static_cast<double>(a.size() + b.size());
  };
  const std::vector<std::string> header_pairs = pairs(header.compact);
  double best = 0;
  for (const Words& h : field.headers) {
    const double words = dice(header.sorted, h.sorted);
    best = std::max(best, words > 0 ? 1 + words : dice(header_pairs, pairs(h.compact)));
  }
  return best;
}

unsigned KindBit(std::string_view kind) {
  const ImportKind* k = FindImportKind(kind);
  if (!k) return 0;
  for (const KindName& n : kKinds)
    if (std::string_view(k->name) == n.name) return n.bit;
  return 0;
}

std::vector<const Field*> FieldsOf(unsigned bit) {
  std::vector<const Field*> list;
  for (const Field& f : Fields())
    if (f.entry->kinds & bit) list.push_back(&f);
  return list;
}

}  // namespace

std::vector<TargetField> TargetFields(std::string_view kind) {
  std::vector<TargetField> list;
  for (const Field* f : FieldsOf(KindBit(kind)))
    list.push_back({f->entry->name, f->entry->rule, f->entry->length});
  return list;
}

std::vector<ProposedColumn> ProposeMapping(std::string_view kind,
                                           const std::vector<std::string>& columns) {
  const std::vector<const Field*> fields = FieldsOf(KindBit(kind));
  if (fields.empty()) return {};
  std::vector<Words> headers;
  for (const std::string& c : columns) headers.push_back(ReadWords(c));

  // Every match, the best first; ties go to the earlier column, then the earlier field.
  std::vector<std::tuple<int, size_t, size_t>> matches;
  for (size_t c = 0; c < headers.size(); ++c)
    for (size_t f = 0; f < fields.size(); ++f)
      if (const int score = MatchScore(headers[c], *fields[f])) matches.emplace_back(-score, c, f);
  std::sort(matches.begin(), matches.end());

  std::vector<ProposedColumn> proposal(columns.size());
  std::vector<bool> taken(fields.size(), false);
  for (size_t c = 0; c < columns.size(); ++c) proposal[c].column = columns[c];
  for (const auto& [score, c, f] : matches) {
    if (taken[f] || !proposal[c].field.empty()) continue;
    proposal[c].field = fields[f]->entry->name;
    taken[f] = true;
  }

  for (size_t c = 0; c < columns.size(); ++c) {
    if (!proposal[c].field.empty()) continue;
    std::vector<std::pair<double, size_t>> free;
    for (size_t f = 0; f < fields.size(); ++f)
      if (!taken[f]) free.emplace_back(-Nearness(headers[c], *fields[f]), f);
    std::stable_sort(free.begin(), free.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < free.size() && i < 3; ++i)
      proposal[c].nearest.push_back(fields[free[i].second]->entry->name);
  }
  return proposal;
}

bool NamesAnyField(const std::string& header) {
  const Words words = ReadWords(header);
  for (const Field* f : FieldsOf(kAllKinds))
    if (MatchScore(words, *f) >= kMatchScore) return true;
  return false;
}

}  // namespace vantrel
