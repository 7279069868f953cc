// The data-bound grid, registered with regsvr and created by ProgID, over the saved queries
// of a fresh demo-station database: what it shows, what it writes back and what it refuses.
#include "com/bstr.h"
#include "com/creation.h"
#include "com/error_info.h"
#include "gridwizdao/grid_control.h"
#include "operatordb/database.h"
#include "operatordb/demo_station.h"
#include "operatordb/schema.h"
#include "testsupport/qt_application.h"
#include "testsupport/sandbox.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QTableView>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>

namespace corvid::gridwizdao::testing {
namespace {

using namespace corvid::operatordb;
using corvid::testing::ChildProcess;

class GridTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        corvid::testing::Application();
        ChildProcess regsvr = ChildProcess::Spawn({REGSVR_PROGRAM, GRIDWIZDAO_MODULE});
        ASSERT_EQ(regsvr.Wait(), 0);
        db = std::make_unique<Database>(path, FileMode::CreateIfMissing);
        CreateInstrumentSchema(*db);
        CreateDemoStation(*db, std::chrono::year_month_day{std::chrono::year(2024) / 6 / 15});
        ASSERT_EQ(CreateInstance(kGridWizDaoProgId, grid), S_OK) << Error();
        ASSERT_EQ(grid->SetDatabase(Bstr(path.string()).get(), Bstr("Access").get()), S_OK);
    }

    static std::string Error() {
        auto details = TakeErrorDetails();
        return details ? details->description : "";
    }
    HRESULT Show(const char* query, const char* instance, bool editable = false) {
        EXPECT_EQ(grid->SetQuery(Bstr(query).get()), S_OK);
        EXPECT_EQ(grid->SetParameter(Bstr("Instance_ID").get(), Bstr(instance).get()), S_OK);
        EXPECT_EQ(grid->SetEditable(editable ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        return grid->Refresh();
    }
    // The view's model, the view owned by the test; checked unless asked otherwise by a
    // checker that aborts on a fault (and fetches rows as a view would).
    QAbstractItemModel* ViewModel(bool checked = true) {
        QWidget* widget = nullptr;
        EXPECT_EQ(grid->CreateWidget(nullptr, reinterpret_cast<void**>(&widget)), S_OK) << Error();
        view.reset(widget);
        QAbstractItemModel* model = qobject_cast<QTableView*>(widget)->model();
        if (checked)
            Check(model);
        return model;
    }
    void Check(QAbstractItemModel* model) {
        tester = std::make_unique<QAbstractItemModelTester>(
            model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    LONG Rows() {
        LONG rows = -1;
        EXPECT_EQ(grid->GetRowCount(&rows), S_OK);
        return rows;
    }
    std::string Cell(LONG row, LONG column) {
        Bstr text;
        EXPECT_EQ(grid->GetCellText(row, column, text.Out()), S_OK) << Error();
        return text.Utf8();
    }
    Value Stored(const std::string& sql) {
        Recordset rows = db->OpenRecordset(sql);
        return rows.IsEOF() ? Value("(no row)") : rows.GetValue(0);
    }

    std::filesystem::path path = sandbox.home() / "Instrument.mdb";
    std::unique_ptr<Database> db;
    ComPtr<IGridControl> grid;
    std::unique_ptr<QWidget> view;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(GridTest, ShowsTheLeadingColumnsOfAnInstancesCalibrationData) {
    ASSERT_EQ(grid->SetColumnCount(3), S_OK);
    ASSERT_EQ(Show("qry_CalData", "1"), S_OK) << Error();
    EXPECT_EQ(Rows(), 3);
    LONG columns = 0;
    ASSERT_EQ(grid->GetColumnCount(&columns), S_OK);
    EXPECT_EQ(columns, 3);
    Bstr name;
    ASSERT_EQ(grid->GetColumnName(2, name.Out()), S_OK);
    EXPECT_EQ(name.Utf8(), "Nominal");
    EXPECT_EQ(Cell(1, 1), "DCV 100 V");
    EXPECT_EQ(Cell(2, 2), "1");

    QAbstractItemModel* model = ViewModel();
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Parameter");
    EXPECT_EQ(model->data(model->index(0, 1)).toString(), "DCV 10 V");
    EXPECT_FALSE(model->flags(model->index(0, 2)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->setData(model->index(0, 2), "11"));

    ASSERT_EQ(Show("qry_CalData", "4"), S_OK) << Error();
    EXPECT_EQ(model->rowCount(), 2) << "the view follows a refresh";
    EXPECT_EQ(model->data(model->index(0, 1)).toString(), "DCV 10 V range");
}

TEST_F(GridTest, EditsAreWrittenToTheTableBehindTheQueryOnSave) {
    ASSERT_EQ(grid->SetColumnReadOnly(1, VARIANT_TRUE), S_OK);
    ASSERT_EQ(Show("qry_CalData", "1", true), S_OK) << Error();
    QAbstractItemModel* model = ViewModel();
    EXPECT_TRUE(model->setData(model->index(0, 3), "0.00012"));
    EXPECT_FALSE(model->setData(model->index(1, 3), "a lot")) << "Correction is a number";
    EXPECT_FALSE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_EQ(grid->SetCellText(1, 1, Bstr("renamed").get()), E_ACCESSDENIED);
    ASSERT_EQ(grid->SetCellText(2, 4, Bstr("0.0002").get()), S_OK) << Error();
    EXPECT_EQ(model->data(model->index(2, 4)).toString(), "0.0002");
    VARIANT_BOOL modified = VARIANT_FALSE;
    ASSERT_EQ(grid->IsModified(&modified), S_OK);
    EXPECT_EQ(modified, VARIANT_TRUE);
    EXPECT_EQ(Stored("SELECT Correction FROM DeviceInstance_CalData WHERE InstanceID = 1 AND Point = 1"),
              Value(0.0))
        << "nothing is written before Save";

    ASSERT_EQ(grid->Save(), S_OK) << Error();
    EXPECT_EQ(Stored("SELECT Correction FROM DeviceInstance_CalData WHERE InstanceID = 1 AND Point = 1"),
              Value(0.00012));
    EXPECT_EQ(Stored("SELECT Uncertainty FROM DeviceInstance_CalData WHERE InstanceID = 1 AND Point = 3"),
              Value(0.0002));
    EXPECT_EQ(Stored("SELECT count(*) FROM DeviceInstance_CalData WHERE Correction <> 0"), Value(1));
    ASSERT_EQ(grid->IsModified(&modified), S_OK);
    EXPECT_EQ(modified, VARIANT_FALSE);
    ASSERT_EQ(grid->Refresh(), S_OK);
    EXPECT_EQ(Cell(0, 3), "0.00012");
}

TEST_F(GridTest, ASaveThatCannotBeCompletedWritesNothing) {
    ASSERT_EQ(Show("qry_CalData", "1", true), S_OK) << Error();
    ASSERT_EQ(grid->SetCellText(0, 1, Bstr("DCV 10 V (edited)").get()), S_OK);
    ASSERT_EQ(grid->SetCellText(2, 1, Bstr("DCI 1 A (edited)").get()), S_OK);
    db->Execute("DELETE FROM DeviceInstance_CalData WHERE InstanceID = 1 AND Point = 3");
    EXPECT_TRUE(FAILED(grid->Save()));
    EXPECT_NE(Error().find("Row 3 of the query 'qry_CalData' no longer exists"), std::string::npos);
    EXPECT_EQ(Stored("SELECT Parameter FROM DeviceInstance_CalData WHERE InstanceID = 1 AND Point = 1"),
              Value("DCV 10 V"));
    VARIANT_BOOL modified = VARIANT_FALSE;
    ASSERT_EQ(grid->IsModified(&modified), S_OK);
    EXPECT_EQ(modified, VARIANT_TRUE) << "the edits are kept for another try";
}

TEST_F(GridTest, OnlyTheRowsOfOneTableWithPlainColumnsCanBeEdited) {
    db->SaveQuery({"qry_Aliased", "Instance_ID Long",
                   "SELECT c.Point AS P, c.[Parameter] FROM [DeviceInstance_CalData] AS c"
                   " WHERE c.InstanceID = :Instance_ID ORDER BY c.Point DESC"});
    db->SaveQuery({"qry_Computed", "Instance_ID Long",
                   "SELECT Point, Nominal + Correction AS Corrected FROM DeviceInstance_CalData"
                   " WHERE InstanceID = :Instance_ID"});
    ASSERT_EQ(Show("qry_Aliased", "4", true), S_OK) << Error();
    ASSERT_EQ(grid->SetCellText(0, 1, Bstr("DCI 1 A range (edited)").get()), S_OK);
    ASSERT_EQ(grid->Save(), S_OK) << Error();
    EXPECT_EQ(Stored("SELECT Parameter FROM DeviceInstance_CalData WHERE InstanceID = 4 AND Point = 2"),
              Value("DCI 1 A range (edited)"));

    EXPECT_TRUE(FAILED(Show("qry_Computed", "4", true)));
    EXPECT_NE(
        Error().find("The rows of the query 'qry_Computed' cannot be edited: its column 2 is computed."),
        std::string::npos);
    EXPECT_EQ(Rows(), 2) << "the rows are still shown";
    EXPECT_EQ(grid->SetCellText(0, 0, Bstr("9").get()), E_ACCESSDENIED);

    ASSERT_EQ(grid->SetParameter(Bstr("TestStation_ID").get(), Bstr("1").get()), S_OK);
    ASSERT_EQ(grid->SetParameter(Bstr("TestPlan_ID").get(), Bstr("1").get()), S_OK);
    ASSERT_EQ(grid->SetQuery(Bstr("qry_GUI_DSGs_for_TPA_STA").get()), S_OK);
    EXPECT_TRUE(FAILED(grid->Refresh()));
    EXPECT_NE(Error().find("it draws on more than one table"), std::string::npos);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(2, 3), "HS16-0042");
    EXPECT_TRUE(FAILED(Show("qry_GUI_DUTs", "1", true)));
    EXPECT_NE(Error().find("it selects distinct rows"), std::string::npos);
    db->SaveQuery({"qry_Grouped", "", "SELECT InstanceID FROM DeviceInstance_CalData GROUP BY InstanceID"});
    EXPECT_TRUE(FAILED(Show("qry_Grouped", "1", true)));
    EXPECT_NE(Error().find("it groups or combines rows"), std::string::npos);
}

TEST_F(GridTest, AQueryOverASavedQueryWritesThroughToItsTable) {
    db->SaveQuery({"qry_Points", "Instance_ID Long",
                   "SELECT Parameter AS Name, Point FROM [qry_CalData] WHERE Point > 1 ORDER BY Point DESC"});
    db->SaveQuery({"qry_Nested", "Instance_ID Long", "SELECT p.Name, p.Point FROM qry_Points AS p"});
    db->SaveQuery({"qry_Starred", "Instance_ID Long", "SELECT * FROM qry_Points"});
    db->SaveQuery({"qry_Sums", "Instance_ID Long",
                   "SELECT Point, Nominal + Correction AS Corrected FROM DeviceInstance_CalData"
                   " WHERE InstanceID = :Instance_ID"});
    db->SaveQuery({"qry_OverComputed", "Instance_ID Long", "SELECT Point FROM qry_Sums"});
    for (const char* query : {"qry_Points", "qry_Nested"}) {
        ASSERT_EQ(Show(query, "1", true), S_OK) << query << ": " << Error();
        EXPECT_EQ(Rows(), 2);
        EXPECT_EQ(Cell(0, 0), std::string(query) == "qry_Points" ? "DCI 1 A" : "DCI 1 A (Points)");
        ASSERT_EQ(grid->SetCellText(0, 0, Bstr("DCI 1 A (" + std::string(query + 4) + ")").get()), S_OK);
        ASSERT_EQ(grid->Save(), S_OK) << Error();
    }
    EXPECT_EQ(Stored("SELECT Parameter FROM DeviceInstance_CalData WHERE InstanceID = 1 AND Point = 3"),
              Value("DCI 1 A (Nested)"));
    EXPECT_EQ(Stored("SELECT count(*) FROM DeviceInstance_CalData WHERE Parameter LIKE '%(%'"), Value(1));

    EXPECT_TRUE(FAILED(Show("qry_Starred", "1", true)));
    EXPECT_NE(Error().find("it selects every column of the query 'qry_Points'"), std::string::npos);
    EXPECT_TRUE(FAILED(Show("qry_OverComputed", "1", true)));
    EXPECT_NE(Error().find("the query 'qry_Sums' it reads cannot be edited: its column 2 is computed"),
              std::string::npos);
    EXPECT_EQ(Rows(), 3) << "the rows are still shown";
}

TEST_F(GridTest, ManyRowsReachTheViewInBatchesAndRowsTakeColours) {
    for (int point = 10; point < 610; ++point)
        db->Execute(
            "INSERT INTO DeviceInstance_CalData (InstanceID, Point, Parameter) VALUES (2, :p, 'Extra')",
            {{"p", point}});
    ASSERT_EQ(Show("qry_CalData", "2"), S_OK) << Error();
    EXPECT_EQ(Rows(), 600);
    QAbstractItemModel* model = ViewModel(false);
    EXPECT_EQ(model->rowCount(), 256);
    ASSERT_TRUE(model->canFetchMore({}));
    Check(model);
    while (model->canFetchMore({}))
        model->fetchMore({});
    EXPECT_EQ(model->rowCount(), 600);
    EXPECT_EQ(model->data(model->index(599, 0)).toString(), "609");

    ASSERT_EQ(grid->SetRowColors(599, 16777215, 255), S_OK);
    EXPECT_EQ(model->data(model->index(599, 2), Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::red));
    EXPECT_EQ(model->data(model->index(599, 2), Qt::ForegroundRole).value<QBrush>().color(),
              QColor(Qt::white));
    EXPECT_FALSE(model->data(model->index(0, 2), Qt::BackgroundRole).isValid());
}

TEST_F(GridTest, SortedRowsKeepTheirEditsAndAreSavedToTheirOwnTableRows) {
    ASSERT_EQ(Show("qry_CalData", "1", true), S_OK) << Error();
    QAbstractItemModel* model = ViewModel();
    QPersistentModelIndex volts(model->index(1, 1));             // "DCV 100 V"
    ASSERT_EQ(grid->SetCellText(0, 3, Bstr("0.5").get()), S_OK); // point 1
    model->sort(1, Qt::DescendingOrder);
    EXPECT_EQ(Cell(0, 1), "DCV 100 V");
    EXPECT_EQ(Cell(2, 1), "DCI 1 A");
    EXPECT_EQ(volts.row(), 0) << "persistent cells follow their rows";
    EXPECT_EQ(Cell(1, 3), "0.5") << "the edit moved with point 1";
    ASSERT_EQ(grid->SortByColumn(2, VARIANT_FALSE), S_OK); // nominal 1, 10, 100: numbers by value
    EXPECT_EQ(Cell(0, 0), "3");
    EXPECT_EQ(Cell(2, 0), "2");
    ASSERT_EQ(grid->SetCellText(2, 4, Bstr("0.25").get()), S_OK); // point 2
    ASSERT_EQ(grid->Save(), S_OK) << Error();
    EXPECT_EQ(Stored("SELECT Correction FROM DeviceInstance_CalData WHERE InstanceID = 1 AND Point = 1"),
              Value(0.5));
    EXPECT_EQ(Stored("SELECT Uncertainty FROM DeviceInstance_CalData WHERE InstanceID = 1 AND Point = 2"),
              Value(0.25));
    ASSERT_EQ(grid->Refresh(), S_OK);
    EXPECT_EQ(Cell(0, 0), "1") << "a refresh reads the query's order again";
    EXPECT_EQ(grid->SortByColumn(9, VARIANT_FALSE), E_INVALIDARG);
}

TEST_F(GridTest, RowsWithoutAssignmentAreDrawnRedThroughSortsAndRefreshes) {
    ASSERT_EQ(grid->SetParameter(Bstr("TestStation_ID").get(), Bstr("2").get()), S_OK);
    ASSERT_EQ(grid->SetParameter(Bstr("TestPlan_ID").get(), Bstr("1").get()), S_OK);
    ASSERT_EQ(grid->SetQuery(Bstr("qry_GUI_DSGs_for_TPA_STA").get()), S_OK);
    ASSERT_EQ(grid->Refresh(), S_OK) << Error();
    ASSERT_EQ(grid->SetEmptyRowColors(2, 3, 16777215, 255), S_OK);
    QAbstractItemModel* model = ViewModel();
    auto background = [&](int row) {
        return model->data(model->index(row, 1), Qt::BackgroundRole);
    };
    EXPECT_FALSE(background(0).isValid()) << "the DC Calibrator is assigned at the Service Bench";
    EXPECT_EQ(background(1).value<QBrush>().color(), QColor(Qt::red));
    EXPECT_EQ(model->data(model->index(2, 3), Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::white));

    model->sort(1, Qt::DescendingOrder);
    EXPECT_EQ(model->data(model->index(2, 1)).toString(), "DC Calibrator");
    EXPECT_FALSE(background(2).isValid());
    EXPECT_TRUE(background(0).isValid());
    db->Execute("INSERT INTO TestPlan_uses_Instances VALUES (2, 1, 'Input Scanner', 3)");
    ASSERT_EQ(grid->Refresh(), S_OK);
    EXPECT_FALSE(background(2).isValid()) << "the scanner is assigned now";
    EXPECT_TRUE(background(1).isValid());
    EXPECT_EQ(grid->SetEmptyRowColors(3, 2, 0, 0), E_INVALIDARG);
}

TEST_F(GridTest, WhatItCannotShowIsExplained) {
    EXPECT_EQ(grid->SetDatabase(Bstr(path.string()).get(), Bstr("ODBC").get()), E_INVALIDARG);
    EXPECT_NE(Error().find("\"ODBC\" is not supported"), std::string::npos);
    EXPECT_TRUE(FAILED(Show("qry_Missing", "1")));
    EXPECT_NE(Error().find("Cannot find the saved query 'qry_Missing'"), std::string::npos);
    EXPECT_TRUE(FAILED(Show("qry_CalData", "one")));
    EXPECT_NE(Error().find("Parameter 'Instance_ID' of query 'qry_CalData' takes a value of type Long"),
              std::string::npos);
    ASSERT_EQ(grid->ClearParameters(), S_OK);
    EXPECT_TRUE(FAILED(grid->Refresh()));
    EXPECT_NE(Error().find("Too few parameters"), std::string::npos);
    Bstr text;
    EXPECT_EQ(grid->GetCellText(0, 0, text.Out()), E_INVALIDARG);
}

} // namespace
} // namespace corvid::gridwizdao::testing
