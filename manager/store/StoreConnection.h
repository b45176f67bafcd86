#pragma once

#include "HistoryStore.h"
#include "Sqlite.h"

namespace vimbo {

/// The store's own connection, for bulk loads in benchmarks and for tests
/// that need SQL the store does not offer. Never for the program's windows.
sql::Database& connectionOf(HistoryStore& store);

}  // namespace vimbo
