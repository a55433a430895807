#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vantrel {

// Single-row inserts held back to be sent as few statements: those of one
// shape (the same text up to the value list) as one insert of many rows.
// Inserts of different shapes write different tables or columns and do not
// depend on each other, so each shape's rows go together.
class InsertBatch {
 public:
  // Holds up to `rows` rows before it asks to be sent; 0 holds nothing.
  void Enable(size_t rows) { max_rows_ = rows; }
  bool Enabled() const { return max_rows_ > 0; }
  // Holds the statement if it is a single-row insert; false for any other
  // statement, which must be sent after the held ones. `row` is the
  // worksheet row it belongs to, for the error that names it.
  bool Add(const std::string& sql, long row);
  bool Empty() const { return pending_.empty(); }
  bool Full() const { return pending_.size() >= max_rows_ || bytes_ >= kMaxBytes; }
  // Forgets what is held (its transaction is rolled back).
  void Drop();

  // How the held rows travel: `send` sends one statement (raising
  // vantrel::Error when the target refuses it), `mark`, `undo` and `release`
  // set, roll back to and release a savepoint.
  struct Channel {
    std::function<void(const std::string&)> send;
    std::function<void()> mark;
    std::function<void()> undo;
    std::function<void()> release;
  };
  // Sends one insert per shape. When one fails, what the batch wrote is
  // undone and its statements are sent again one by one, in the order they
  // came: the error is then the one the first failing statement raises on
  // its own, with its worksheet row. Nothing is held afterwards.
  void SendAll(const Channel& channel);

 private:
  static constexpr size_t kMaxBytes = 512 * 1024;
  struct Held {
    std::string sql;
    long row;
    size_t shape;
  };
  struct Shape {
    std::string head;
    std::string merged;
  };
  std::vector<Held> pending_;
  std::vector<Shape> shapes_;
  size_t max_rows_ = 0;
  size_t bytes_ = 0;
};

}  // namespace vantrel
