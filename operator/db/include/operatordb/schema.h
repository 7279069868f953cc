// The schema of the instrument database: every table the operator interface reads or
// writes, their indexes, the saved queries it relies on, and the rules that keep
// dependent rows consistent when a station or an instance is deleted.
#pragma once

#include "operatordb/database.h"

#include <string>
#include <vector>

namespace corvid::operatordb {

// Creates the tables, indexes and triggers and stores the saved queries, as one unit.
// A file that already holds any of these tables raises DbError and is left as it was.
void CreateInstrumentSchema(Database& db);

// The saved queries that CreateInstrumentSchema stores (MSysQueries rows).
const std::vector<SavedQuery>& InstrumentSavedQueries();

// The indexes that the test selection filter depends on (the work table and the
// requirement tables), for measuring what they are worth.
const std::vector<std::string>& TestFilterIndexNames();

} // namespace corvid::operatordb
