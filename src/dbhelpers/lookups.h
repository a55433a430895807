#pragma once

#include <cstdint>
#include <string>

#include "platform/variant/variant.h"

namespace vantrel {

class Dialect;

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
// Removes an existing batch of the product with its inventory rows of today in depot 1.
// Always returns false.
bool RemoveExistingBatch(std::string& product_code, std::string& batch_name,
                         const Dialect& dialect);
// Code of the product of that name; empty when none.
std::string PCodeOfName(std::string& name);
bool PCodeExists(std::string& code);

}  // namespace vantrel
