#include "operatordb/test_filter.h"

#include "operatordb/bindings_equipment.h"
#include "operatordb/bindings_plans.h"
#include "operatordb/db_error.h"

namespace corvid::operatordb {
namespace {

const char* const kInBuiltOptionGroup = "In-Built Option Group";

// A text placed between single quotes: an apostrophe inside is doubled, so that an
// option code holding one is searched for instead of breaking the statement.
std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out + "'";
}

// The option groups of the plan that apply to the UUT (step 3 of the rebuild).
void InsertApplicableGroups(Database& db, const std::string& P, const std::string& V, const std::string& M,
                            const std::string& U) {
    Recordset groups = db.OpenRecordset("Select * from [__sys_TPUUT_OptionGroups] where TestPlanID = " + P);
    for (; !groups.IsEOF(); groups.MoveNext()) {
        std::string G = std::to_string(groups.GetValue("OptGrpID").AsInteger());
        if (OptionGroupApplies(db, P, G, M, U))
            db.Execute("Insert into UUTFilter (TestPlanID, TestVariantID, UUTInstanceID, Type, ID) values (" +
                       P + "," + V + "," + U + ",3," + G + ")");
    }
}

} // namespace

void RebuildTestFilter(Database& db, int32_t testPlan, int32_t variant, int32_t uutModel,
                       int32_t uutInstance) {
    const std::string P = std::to_string(testPlan);
    const std::string V = std::to_string(variant);
    const std::string M = std::to_string(uutModel);
    const std::string U = std::to_string(uutInstance);

    // One unit: a failing step leaves the selection's previous rows as they were, and
    // the file is synchronised once instead of once per statement. Each step reads the
    // rows the steps before it wrote: groups (3), then tests (1), then DSGs (2).
    Transaction transaction(db);
    db.Execute("Delete * from UUTFilter where TestPlanID =" + P + " AND TestVariantID = " + V +
               " AND UUTInstanceID = " + U);
    db.Execute(
        "Insert into UUTFilter (TestPlanID, TestVariantID, UUTInstanceID, Type, ID, SeqNumber) values (" + P +
        "," + V + "," + U + ",3," + "0" + ",0)");
    if (uutInstance > 0)
        InsertApplicableGroups(db, P, V, M, U);
    db.Execute("Insert into  UUTFilter (TestPlanID, TestVariantID, UUTInstanceID, Type, ID, SeqNumber) " +
               std::string("Select DISTINCT TestPlanID, TestPlanVariantID,") + U +
               ", 1, TestID, TestSequenceOrder" +
               " from [__sys_TestPlanVariant_has_Tests] where RemoveTest = False AND " + "TestPlanID = " + P +
               " AND TestPlanVariantID = " + V +
               " AND OptGrpID IN (Select ID from UUTFilter where Type = 3 AND TestPlanID = " + P +
               " AND TestVariantID = " + V + " AND UUTInstanceID = " + U + ") Order by TestSequenceOrder;");
    // The next two statements join the rows just written: a server plans them on its
    // figures of the table, which would otherwise still describe it without them.
    db.RefreshStatistics("UUTFilter");
    db.Execute(
        "Delete * from UUTFilter where Type = 1 AND TestPlanID =" + P + " AND TestVariantID = " + V +
        " AND UUTInstanceID = " + U + " AND ID IN " +
        "(Select TestID from [__sys_TestPlanVariant_has_Tests] where RemoveTest = True AND TestPlanID = " +
        P + " AND TestPlanVariantID = " + V +
        " AND OptGrpID IN (Select ID from UUTFilter where Type = 3 AND TestPlanID = " + P +
        " AND TestVariantID = " + V + " AND UUTInstanceID = " + U + "))");
    db.Execute("Insert into  UUTFilter (TestPlanID, TestVariantID, UUTInstanceID, Type, ID, SeqNumber) " +
               std::string("Select DISTINCT TestPlanID,") + V + "," + U + ", 2, DSGID, 0 " +
               " from [__sys_Test_requires_DSG] AS DSG_1 where RemoveDSG = False AND " + "TestPlanID = " + P +
               " AND OptGrpID IN (Select ID from UUTFilter where Type = 3 AND TestPlanID = " + P +
               " AND TestVariantID = " + V + " AND UUTInstanceID = " + U + ") " +
               " AND TestID IN (Select ID from UUTFilter where Type = 1 AND TestPlanID = " + P +
               " AND DSGID NOT IN " +
               "(Select DSGID from [__sys_Test_requires_DSG] where RemoveDSG = True AND TestPlanID = "
               "DSG_1.TestPlanID  AND TestID = DSG_1.TestID AND OptGrpID  IN (Select ID from UUTFilter where "
               "Type = 3 AND TestPlanID = " +
               P + " AND TestVariantID = " + V + " AND UUTInstanceID = " + U + ") ) " +
               " AND TestVariantID = " + V + " AND UUTInstanceID = " + U + "); ");
    transaction.Commit();
}

bool OptionGroupApplies(Database& db, const std::string& testPlan, const std::string& optionGroup,
                        const std::string& uutModel, const std::string& uutInstance) {
    Recordset members = db.OpenRecordset(
        "SELECT * FROM [__sys_TPUUT_OptionGroup_has_Options] where OptGrpID = " + optionGroup +
        " AND DeviceTypeID = " + uutModel + " AND TestPlanID = " + testPlan);
    Recordset options =
        db.OpenRecordset("SELECT * FROM [DeviceInstance_has_Options] where InstanceID  = " + uutInstance);
    if (members.IsEOF())
        return false;
    for (; !members.IsEOF(); members.MoveNext()) {
        std::string option = members.GetValue("Option").AsText();
        if (option == kInBuiltOptionGroup)
            return true;
        bool forbidden = members.GetValue("OptionForbidden").AsBool();
        bool present = options.FindFirst("DeviceOptionID = " + Quoted(option));
        if (present == forbidden)
            return false;
    }
    return true;
}

void TestsOfSelection(Database& db, int32_t testPlan, int32_t variant, int32_t uutInstance,
                      std::vector<std::string>& names) {
    names.clear();
    DB_Tests tests(db);
    tests.param.TestPlanID = testPlan;
    tests.param.TestPlanVariantID = variant;
    tests.param.UUTInstanceID = uutInstance;
    tests.Open(OpenMode::ReadOnly);
    for (; !tests.IsEOF(); tests.MoveNext())
        names.push_back(tests.Name);
}

std::string InstanceOptionsText(Database& db, int32_t uutInstance) {
    std::string text;
    try {
        DB_InstanceOptions options(db);
        options.SetFilter("InstanceID = " + std::to_string(uutInstance) + " ");
        options.Open(OpenMode::ReadOnly);
        for (bool first = true; !options.IsEOF(); options.MoveNext(), first = false)
            text += (first ? "" : "; ") + options.DeviceOptionID;
    } catch (const DbError&) {
        // The text built so far is the answer.
    }
    return text;
}

} // namespace corvid::operatordb
