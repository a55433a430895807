#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

struct ProcesserState;

// The ledgers' opening balances an export gives (OPENINGBALANCE: a signed
// amount, negative for a debit). Each ledger keeps one opening balance line,
// the export's: a new one goes into this import's 'JP' voucher in export
// order; one the ledger has is replaced in place (same voucher and serial
// number), and goes when the balance is now zero. A ledger whose record has
// no OPENINGBALANCE keeps its line as it is; an unreadable balance is
// refused and the old line stays.
class ExportBalances {
 public:
  explicit ExportBalances(ProcesserState& s) : s_(s) {}
  // `is_new` when this import has just written the ledger.
  void Apply(const std::string& ledcode, bool is_new, const std::string& name,
             const std::string& parent, const std::optional<std::string>& text);
  // The ledger was not written: a balance it carries is refused with it.
  void Refuse(const std::string& name, const std::string& parent,
              const std::optional<std::string>& text, const std::string& why);

 private:
  void Skip(const std::string& name, const std::string& parent, const std::string& text,
            const struct Refusal& refusal);

  ProcesserState& s_;
  int16_t serial_ = 1;
  bool spent_ = false;  // the voucher's last serial number is used
};

}  // namespace vantrel
