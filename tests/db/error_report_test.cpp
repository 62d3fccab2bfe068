// The fatal report of a failing cursor call: its exact text and its end.

#include "DbTestSupport.h"

#include "db/ErrorReport.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace vexmoor::db {

namespace {

TEST(composeErrorReport, FunctionCodeZeroLeavesTheFirstLineBare)
{
    EXPECT_EQ(
        composeErrorReport("ORA-03114: not connected to ORACLE", functionCodeName(0), 0,
                           "begin x; end;"),
        "ORACLE Error\nORA-03114: not connected to ORACLE\nError on position 0 in:\nbegin x; end;");
}

TEST(composeErrorReport, NotUsedCodeStillNamesAFunction)
{
    EXPECT_EQ(composeErrorReport("ORA-01001: invalid cursor", functionCodeName(5), 0, ""),
              "ORACLE Error when processing OCI function not used\nORA-01001: invalid cursor\n"
              "Error on position 0 in:\n");
}

TEST(composeErrorReport, FailedOpenEndsWithThePositionLine)
{
    const std::string report =
        composeErrorReport("ORA-01012: not logged on", functionCodeName(14), 0, "");
    EXPECT_EQ(report, "ORACLE Error when processing OCI function OOPEN\nORA-01012: not logged on\n"
                      "Error on position 0 in:\n");
}

TEST(composeErrorReport, FailedExecuteShowsOffsetAndWholeStatement)
{
    const std::string statement = "begin\n  :sta := dbms_pipe.receive_message('p', 0)\nend;";
    const std::string text =
        "ORA-06550: line 3, column 1:\nPLS-00103: Encountered the symbol \"END\"";
    EXPECT_EQ(composeErrorReport(text, functionCodeName(4), 52, statement),
              "ORACLE Error when processing OCI function OEXEC, OEXN\n" + text
                  + "\nError on position 52 in:\n" + statement);
}

TEST(functionCodeName, TableHoldsTheReleaseSevenNames)
{
    const std::map<int, std::string> named{
        {2, "OSQL"},          {4, "OEXEC, OEXN"}, {6, "OBIND"},   {8, "ODEFIN"},  {10, "ODSRBN"},
        {12, "OFETCH, OFEN"}, {14, "OOPEN"},      {16, "OCLOSE"}, {22, "ODSC"},   {24, "ONAME"},
        {26, "OSQL3"},        {28, "OBNDRV"},     {30, "OBNDRN"}, {34, "OOPT"},   {52, "OCAN"},
        {54, "OPARSE"},       {56, "OEXFET"},     {58, "OFLNG"},  {60, "ODESCR"}, {62, "OBNDRA"},
        {63, "OBINDPS"},      {64, "ODEFINPS"},   {65, "OGETPI"}, {66, "OSETPI"}};
    EXPECT_EQ(functionCodeName(0), "");
    for (int code = 1; code <= 66; ++code) {
        const auto found = named.find(code);
        const std::string expected = found != named.end() ? found->second : "not used";
        EXPECT_EQ(functionCodeName(static_cast<std::uint8_t>(code)), expected) << "code " << code;
    }
}

TEST(functionCodeName, CodesBeyondTheTableShowTheirNumber)
{
    EXPECT_EQ(functionCodeName(67), "unknown (67)");
    EXPECT_EQ(functionCodeName(255), "unknown (255)");
}

TEST(FatalErrorHandler, InstallingReturnsThePreviousOne)
{
    std::string seen;
    const FatalErrorHandler original =
        setFatalErrorHandler([&seen](const std::string& report) { seen = report; });
    const FatalErrorHandler mine = setFatalErrorHandler(original);
    ASSERT_TRUE(mine);
    mine("text");
    EXPECT_EQ(seen, "text");
}

TEST(FatalErrorHandlerDeathTest, DefaultHandlerWritesTheReportAndEndsTheProcess)
{
    EXPECT_DEATH(
        showFatalErrorAndEnd("ORACLE Error\nORA-00001: first line\nError on position 0 in:\n"),
        "ORACLE Error\nORA-00001: first line\nError on position 0 in:");
}

TEST(FatalErrorHandlerDeathTest, ProcessEndsEvenWhenTheHandlerReturnsOrThrows)
{
    EXPECT_DEATH(
        {
            setFatalErrorHandler([](const std::string&) {});
            showFatalErrorAndEnd("report");
        },
        "");
    EXPECT_DEATH(
        {
            setFatalErrorHandler(
                [](const std::string&) { throw std::runtime_error("window gone"); });
            showFatalErrorAndEnd("the report still shows");
        },
        "the report still shows");
}

} // namespace

} // namespace vexmoor::db
