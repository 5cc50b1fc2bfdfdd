// Starts OLE and the shell library's process-wide objects around the whole test run.
#include "../../shell/VeltoShellFunctions.h"

#include <doctest.h>

#include <ole2.h>

namespace {

// Opens the run the way the program starts and closes it the way the program ends.
class TShellSession : public doctest::IReporter {
public:
    explicit TShellSession(const doctest::ContextOptions&) {}

    void test_run_start() override
    {
        OleInitialize(nullptr);
        InitializeVeltoShellFunctions();
    }
    void test_run_end(const doctest::TestRunStats&) override
    {
        FinalizeVeltoShellFunctions();
        OleUninitialize();
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
