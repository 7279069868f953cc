// The test selection filter: which tests of a test plan variant run for a unit under
// test, in which order, and which DSGs of equipment they need, worked out inside the
// database as the rows of the work table UUTFilter for the selection
// (test plan, variant, UUT instance).
//
// UUTFilter rows: Type 1 a test (ID = TestID, SeqNumber = its sequence order), Type 2 a
// DSG the tests need, Type 3 an option group that applies to the UUT (group 0 always).
#pragma once

#include "operatordb/database.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvid::operatordb {

// Replaces the selection's UUTFilter rows. uutModel is the UUT's DeviceTypeID,
// uutInstance its InstanceID (0 or less when the UUT is not yet identified: only
// option group 0 applies). The statements run as one transaction: a database error
// propagates and leaves the selection's previous rows in place.
void RebuildTestFilter(Database& db, int32_t testPlan, int32_t variant, int32_t uutModel,
                       int32_t uutInstance);

// Whether an option group applies to a UUT: it has member rows for the UUT's model,
// every required option is present in the instance and every forbidden one absent; a
// member "In-Built Option Group" makes it apply without looking further. Arguments
// are decimal texts.
bool OptionGroupApplies(Database& db, const std::string& testPlan, const std::string& optionGroup,
                        const std::string& uutModel, const std::string& uutInstance);

// Clears names and appends the Name of each test of the selection (qry_GUI_Tests), in
// the query's order.
void TestsOfSelection(Database& db, int32_t testPlan, int32_t variant, int32_t uutInstance,
                      std::vector<std::string>& names);

// The option codes of an instance joined by "; " (empty when it has none). A database
// error ends the text where it happened.
std::string InstanceOptionsText(Database& db, int32_t uutInstance);

} // namespace corvid::operatordb
