// Templates: what they say, and the file and line of what they get wrong.
#include "operatordb/database.h"
#include "report_render.h"
#include "report_template.h"
#include "testsupport/sandbox.h"

#include <gtest/gtest.h>

namespace corvid::reportengine {
namespace {

std::string ErrorOf(const std::string& text) {
    try {
        ParseTemplate(text, "/t/detail.rpt");
    } catch (const TemplateError& e) {
        return e.what();
    }
    return "(parsed)";
}

TEST(ReportTemplate, ParsesEveryStatement) {
    ReportTemplate t = ParseTemplate("# a comment\r\n"
                                     "title \"Run \\\"A\\\"\"\n"
                                     "field \"Result\" OverAllResult result  # trailing comment\n"
                                     "flag LimitedCalibration \"Limited!\"\n\n"
                                     "text \"Fixed\"\n"
                                     "table \"Tests\" __sys_tblTests order TestID\n"
                                     "column \"Test\" Name\n"
                                     "column \"Due\" CalDue date\n",
                                     "x.rpt");
    EXPECT_EQ(t.title, "Run \"A\"");
    ASSERT_EQ(t.items.size(), 4u);
    EXPECT_EQ(t.items[0].kind, TemplateItem::Kind::Field);
    EXPECT_EQ(t.items[0].format, ValueFormat::Result);
    EXPECT_EQ(t.items[1].column, "LimitedCalibration");
    EXPECT_EQ(t.items[3].order, "TestID");
    ASSERT_EQ(t.items[3].columns.size(), 2u);
    EXPECT_EQ(t.items[3].columns[1].format, ValueFormat::Date);
    EXPECT_EQ(t.items[3].line, 7);
}

TEST(ReportTemplate, ErrorsNameTheFileAndLine) {
    EXPECT_EQ(ErrorOf("title \"x\"\ncolum \"A\" B\n"), "/t/detail.rpt:2: unknown statement 'colum'");
    EXPECT_EQ(ErrorOf("column \"A\" B\n"), "/t/detail.rpt:1: a column outside a table");
    EXPECT_EQ(ErrorOf("\n\ntitle \"open\n"), "/t/detail.rpt:3: a text has no closing quote");
    EXPECT_EQ(ErrorOf("field Label Column\n"),
              "/t/detail.rpt:1: expected the field's label in double quotes, not 'Label'");
    EXPECT_EQ(ErrorOf("field \"A\" B money\n"),
              "/t/detail.rpt:1: unknown format 'money' (text, result, date or yesno)");
    EXPECT_EQ(ErrorOf("table \"T\" __sys_tblTests\ntext \"x\"\n"),
              "/t/detail.rpt:1: the table __sys_tblTests has no column");
    EXPECT_EQ(ErrorOf("text \"a\" \"b\"\n"), "/t/detail.rpt:1: unexpected 'b'");
}

TEST(ReportTemplate, RenderingChecksNamesAgainstTheDatabaseAndFormatsValues) {
    corvid::testing::TempDir dir;
    operatordb::Database db(dir.path() / "r.db", operatordb::FileMode::CreateIfMissing);
    db.ExecuteNative(
        "CREATE TABLE __sys_tblTestingDetails (UniqueID TEXT, OverAllResult INTEGER, Flag BOOLEAN);"
        "CREATE TABLE __sys_tblTests (UniqueID TEXT, TestID INTEGER, Name TEXT, Result INTEGER);"
        "INSERT INTO __sys_tblTestingDetails VALUES ('R1', 2, 1), ('R2', 3, 0);"
        "INSERT INTO __sys_tblTests VALUES ('R1', 2, 'Second <b>', 3), ('R1', 1, 'First', 1),"
        " ('R2', 1, 'Other run', 3);");
    ReportTemplate t = ParseTemplate("field \"Overall\" overallresult result\nflag Flag \"Limited!\"\n"
                                     "table \"Tests\" __sys_tblTests order TestID\ncolumn \"Name\" Name\n"
                                     "column \"Result\" Result result\n",
                                     "d.rpt");
    std::string html = RenderReport(t, db, {{"UniqueID", "R1"}}, "Title");
    EXPECT_NE(html.find("FAILED"), std::string::npos);
    EXPECT_NE(html.find("Limited!"), std::string::npos);
    EXPECT_LT(html.find("First"), html.find("Second &lt;b&gt;"));
    EXPECT_EQ(html.find("Other run"), std::string::npos);
    EXPECT_EQ(RenderReport(t, db, {{"UniqueID", "R2"}}, "Title").find("Limited!"), std::string::npos);

    ReportTemplate wrong =
        ParseTemplate("text \"x\"\ntable \"T\" __sys_tblTests\ncolumn \"N\" Nme\n", "d.rpt");
    EXPECT_THROW(
        {
            try {
                RenderReport(wrong, db, {{"UniqueID", "R1"}}, "Title");
            } catch (const TemplateError& e) {
                EXPECT_STREQ(e.what(), "d.rpt:3: the table __sys_tblTests has no column Nme");
                throw;
            }
        },
        TemplateError);
    EXPECT_EQ(FormatValue(operatordb::Value("2024-06-05"), ValueFormat::Date), "05-Jun-24");
}

} // namespace
} // namespace corvid::reportengine
