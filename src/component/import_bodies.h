#pragma once

#include "frame/import_frame.h"

namespace vantrel {

struct ProcesserState;

// The work of each import method once its target is open: its codes
// allocated, its source read and written. A body returns kRefused for a
// source kind its method cannot read.
Outcome AccountsBody(ProcesserState& s);
Outcome ProductsBody(ProcesserState& s);
Outcome DepotsBody(ProcesserState& s);
Outcome AccountHeadsBody(ProcesserState& s);
Outcome ProductGroupsBody(ProcesserState& s);
Outcome BatchesBody(ProcesserState& s);
Outcome OpeningStockBody(ProcesserState& s);

// How the methods speak when they fail: the titles of their messages.
extern const Voice kMethodVoice;       // accounts, products, depots
extern const Voice kOrvikMethodVoice;  // account heads, product groups, batches
extern const Voice kStockMethodVoice;  // opening stock

}  // namespace vantrel
