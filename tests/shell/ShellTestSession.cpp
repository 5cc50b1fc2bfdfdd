// Starts the shell library's units (process-wide objects, registered messages, OLE) around the
// whole test run, in the program's order.
#include "../../shell/VeltoShellTreeView.h"

#include <doctest.h>

namespace {

// Opens the run the way the program starts and closes it the way the program ends.
class TShellSession : public doctest::IReporter {
public:
    explicit TShellSession(const doctest::ContextOptions&) {}

    void test_run_start() override
    {
        InitializeVeltoShellFunctions();
        InitializeVeltoShellTreeView();
    }
    void test_run_end(const doctest::TestRunStats&) override
    {
        FinalizeVeltoShellTreeView();
        FinalizeVeltoShellFunctions();
    }

    void report_query(const doctest::QueryData&) override {}
    void test_case_start(const doctest::TestCaseData&) override {}
    void test_case_reenter(const doctest::TestCaseData&) override {}
    void test_case_end(const doctest::CurrentTestCaseStats&) override {}
    void test_case_exception(const doctest::TestCaseException&) override {}
    void subcase_start(const doctest::SubcaseSignature&) override {}
    void subcase_end() override {}
    void log_assert(const doctest::AssertData&) override {}
    void log_message(const doctest::MessageData&) override {}
    void test_case_skipped(const doctest::TestCaseData&) override {}
};

REGISTER_LISTENER("shell session", 1, TShellSession);

}  // namespace
