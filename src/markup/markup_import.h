#pragma once

namespace vantrel {

struct ProcesserState;

// The markup branches of the import methods: read the export named by
// SourceFile into the staging sets and hand them to the writers. Errors reach
// the calling import method's handler.
void ImportAccountsFromMarkup(ProcesserState& s, bool& errOccured);
void ImportProductsFromMarkup(ProcesserState& s, bool& errOccured);
void ImportDepotsFromMarkup(ProcesserState& s, bool& errOccured);

}  // namespace vantrel
