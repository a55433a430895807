#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/variant/variant.h"

namespace vantrel {

// Master record lookups on the shared lookup record set over the target
// connection. A query that fails raises vantrel::Error to the caller. Names are passed by
// reference: the existence tests clean them in place (quotes and backslashes removed), and callers
// rely on that.

// Head code of an account group's or ledger's parent: the fixed code of a
// default head, else the code of the head of that name; 0 when none. Kind "G"
// is an account group's parent.
int16_t HeadCodeOfParent(std::string& parent, const std::string& kind);
// Whether a ledger of that name exists; a default head name always counts.
bool LedgerExists(std::string& name);
// Whether a head of that name exists; default head names count, except
// "Deposits (Asset)" and "Misc. Expenses (ASSET)", which must be in the target.
bool HeadExists(std::string& name);
bool GroupExists(std::string& name);
// Code of the stock group named as the staged parent; Empty when there is none.
// Kind "G" is a stock group's parent, anything else a stock item's.
Variant GroupCodeOfParent(std::string& parent, const std::string& kind);
// Whether a product of that name exists; a group code above 0 narrows the test to that group.
bool ProductExists(std::string& name, int32_t group_code);
bool DepotExists(std::string& name);
// Stores the product code parameter when its text ends in a digit, else the empty text.
void SetPCodeParam(const Variant& code);
// The next product code after the stored parameter; "1" when it is Null, "" when there is no row.
std::string ReadPCodeParam();
// Code of the product of that name; empty when none.
std::string PCodeOfName(std::string& name);
bool PCodeExists(std::string& code);

// These take cleaned names and codes and leave them as they are.

// The product's code as stored (its letter case may differ); empty when no
// product has that code.
std::string StoredPCode(const std::string& code);
// The codes of the products of that name, in code order.
std::vector<std::string> PCodesOfName(const std::string& name);
// The id of the product's batch of that name.
std::optional<int16_t> BatchIdOf(const std::string& product_code, const std::string& batch_name);
// A unit of a product: its unit id (slot) and its factor to the base unit.
struct ProductUnit {
  int16_t id;
  double cf;
};
std::optional<ProductUnit> UnitOfProduct(const std::string& product_code,
                                         const std::string& unit_name);
// The code of the ledger of that name (the lowest code when several share
// it); empty when none.
std::string LedgerCodeOf(const std::string& name);
// The code of the depot of that name; none when the company has none.
std::optional<int16_t> DepotCodeOf(const std::string& name);
// The product's unit in slot 0, its base unit; none when it has none.
std::optional<std::string> BaseUnitOf(const std::string& product_code);
// The unit id a new unit of the product takes: one past the highest, 1 for the first.
int16_t NextUnitId(const std::string& product_code);

}  // namespace vantrel
