#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace vantrel {

enum class VarType { Empty, Null, Boolean, Int16, Int32, Double, Date, Text };

// A date is held as the platform's serial day number: days since 1899-12-30,
// the fraction being the time of day.
struct DateValue {
  double serial = 0;
  bool operator==(const DateValue& o) const { return serial == o.serial; }
};

// The value of a field, a cell or a property: Empty, Null, or one typed value.
class Variant {
 public:
  Variant() = default;
  Variant(bool v) : value_(v) {}
  Variant(int16_t v) : value_(v) {}
  Variant(int32_t v) : value_(v) {}
  Variant(double v) : value_(v) {}
  Variant(DateValue v) : value_(v) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(const char* v) : value_(std::string(v)) {}
  static Variant Null() {
    Variant v;
    v.value_ = NullTag{};
    return v;
  }
  // Whole numbers from a database: 32-bit when they fit, Double beyond.
  static Variant FromInteger(int64_t v);

  VarType type() const { return static_cast<VarType>(value_.index()); }
  bool is_empty() const { return type() == VarType::Empty; }
  bool is_null() const { return type() == VarType::Null; }
  bool is_number() const;

  bool as_bool() const { return std::get<bool>(value_); }
  int16_t as_int16() const { return std::get<int16_t>(value_); }
  int32_t as_int32() const { return std::get<int32_t>(value_); }
  double as_double() const { return std::get<double>(value_); }
  DateValue as_date() const { return std::get<DateValue>(value_); }
  const std::string& as_text() const { return std::get<std::string>(value_); }

  bool operator==(const Variant& o) const { return value_ == o.value_; }
  bool operator!=(const Variant& o) const { return !(*this == o); }

 private:
  struct EmptyTag {
    bool operator==(const EmptyTag&) const { return true; }
  };
  struct NullTag {
    bool operator==(const NullTag&) const { return true; }
  };
  std::variant<EmptyTag, NullTag, bool, int16_t, int32_t, double, DateValue, std::string> value_;
};

}  // namespace vantrel
