#include "platform/dao/insert_batch.h"

#include <utility>

#include "platform/common/error.h"
#include "platform/dao/insert_text.h"

namespace vantrel {

bool InsertBatch::Add(const std::string& sql, long row) {
  InsertText text;
  if (!ReadInsertText(sql, text)) return false;
  size_t shape = 0;
  while (shape < shapes_.size() && shapes_[shape].head != text.head) ++shape;
  if (shape == shapes_.size()) {
    shapes_.push_back({text.head, text.head + text.tuple});
  } else {
    shapes_[shape].merged += ',';
    shapes_[shape].merged += text.tuple;
  }
  bytes_ += sql.size();
  pending_.push_back({sql, row, shape});
  return true;
}

void InsertBatch::Drop() {
  pending_.clear();
  shapes_.clear();
  bytes_ = 0;
}

void InsertBatch::SendAll(const Channel& channel) {
  std::vector<Held> held = std::move(pending_);
  std::vector<Shape> shapes = std::move(shapes_);
  Drop();
  if (held.size() == 1) {
    try {
      channel.send(held[0].sql);
    } catch (Error& e) {
      if (e.row == 0) e.row = held[0].row;
      throw;
    }
    return;
  }
  channel.mark();
  try {
    for (const Shape& shape : shapes) channel.send(shape.merged);
    channel.release();
    return;
  } catch (const Error&) {
    channel.undo();
  }
  for (const Held& h : held) {
    try {
      channel.send(h.sql);
    } catch (Error& e) {
      if (e.row == 0) e.row = h.row;
      throw;
    }
  }
  // Each alone was taken where all together were not: the target refused
  // the size of the batch. What was sent stands.
}

}  // namespace vantrel
