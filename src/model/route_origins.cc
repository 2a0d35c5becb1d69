#include "model/route_origins.h"

namespace scenarioc {

void RouteOrigins::reset(size_t cells) {
  rows_.assign(1, SourceRow{});
  cells_.assign(cells, 0);
  pending_id_ = 0;
}

void RouteOrigins::mark(int64_t cell, int32_t position) {
  if (cell < 0 || static_cast<uint64_t>(cell) >= cells_.size()) return;
  if (pending_id_ == 0 || rows_[pending_id_].position != position) {
    pending_.position = position;
    if (rows_.size() >= kPlaced) return;  // no room to name more rows
    rows_.push_back(pending_);
    pending_id_ = static_cast<uint32_t>(rows_.size() - 1);
  }
  cells_[static_cast<size_t>(cell)] = pending_id_;
}

void RouteOrigins::mark_placed(int64_t cell, int64_t for_cell) {
  if (cell < 0 || static_cast<uint64_t>(cell) >= cells_.size()) return;
  uint32_t id = 0;
  if (for_cell >= 0 && static_cast<uint64_t>(for_cell) < cells_.size())
    id = cells_[static_cast<size_t>(for_cell)] & ~kPlaced;
  cells_[static_cast<size_t>(cell)] = id | kPlaced;
}

const SourceRow* RouteOrigins::row_of(int64_t cell) const {
  if (cell < 0 || static_cast<uint64_t>(cell) >= cells_.size()) return nullptr;
  const uint32_t id = cells_[static_cast<size_t>(cell)] & ~kPlaced;
  return id == 0 ? nullptr : &rows_[id];
}

bool RouteOrigins::placed(int64_t cell) const {
  if (cell < 0 || static_cast<uint64_t>(cell) >= cells_.size()) return false;
  return (cells_[static_cast<size_t>(cell)] & kPlaced) != 0;
}

}  // namespace scenarioc
