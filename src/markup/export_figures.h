#pragma once

#include <string>

namespace vantrel {

// Figures as the export writes them: an optional sign and digits with at
// most one period as the decimal point, no grouping, blanks around. Each
// reader is false for a text that does not start with such a number.

// An amount: the number and nothing after it.
bool ReadExportAmount(const std::string& text, double& amount);
// A quantity: the number, then the unit's name if any (" 120 Nos").
bool ReadExportQuantity(const std::string& text, double& quantity, std::string& unit);
// A rate: the number, then "/" and the unit's name if any ("45.50/Nos").
bool ReadExportRate(const std::string& text, double& rate, std::string& unit);

}  // namespace vantrel
