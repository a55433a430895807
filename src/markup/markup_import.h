#pragma once

namespace vantrel {

struct ProcesserState;

// The markup branches of the import methods: read the export named by
// SourceFile into the staging sets and hand them to the writers. An error
// ends the import (a message with an empty title).
void ImportAccountsFromMarkup(ProcesserState& s);
void ImportProductsFromMarkup(ProcesserState& s);
void ImportDepotsFromMarkup(ProcesserState& s);

}  // namespace vantrel
