// Ends the run loudly when a test leaves one of the wizard's stand-ins in place: every later test
// would otherwise run against the stand-in instead of the program's own information box, end of
// the program or general error display.
#include "../../setup/fm_Main.h"

#include <doctest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <typeinfo>

namespace {

// What a std::function holds: the type of its target, and the function itself for a plain one.
template <typename R, typename... A>
std::string TargetOf(const std::function<R(A...)>& function)
{
    std::string id = function.target_type().name();
    if (auto* plain = function.template target<R (*)(A...)>())
        id.append(" ").append(std::to_string(reinterpret_cast<std::uintptr_t>(*plain)));
    return id;
}

std::string StandIns()
{
    std::string ids = TargetOf(Tfrm_Main::InformationBox);
    ids.append(" | ").append(TargetOf(Tfrm_Main::TerminateProgram));
    ids.append(" | ").append(TargetOf(Application->OnShowException));
    return ids;
}

struct TStandInWatch : doctest::IReporter {
    explicit TStandInWatch(const doctest::ContextOptions&) {}

    void test_run_start() override { ProgramOwn = StandIns(); }
    void test_case_end(const doctest::CurrentTestCaseStats&) override
    {
        if (!Current || StandIns() == ProgramOwn)
            return;
        std::fprintf(stderr, "CRASH GUARD: the test \"%s\" left a stand-in of the wizard in place\n", Current->m_name);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    void test_case_start(const doctest::TestCaseData& test) override { Current = &test; }

    void report_query(const doctest::QueryData&) override {}
    void test_run_end(const doctest::TestRunStats&) override {}
    void test_case_reenter(const doctest::TestCaseData&) override {}
    void test_case_exception(const doctest::TestCaseException&) override {}
    void subcase_start(const doctest::SubcaseSignature&) override {}
    void subcase_end() override {}
    void log_assert(const doctest::AssertData&) override {}
    void log_message(const doctest::MessageData&) override {}
    void test_case_skipped(const doctest::TestCaseData&) override {}

    std::string ProgramOwn;
    const doctest::TestCaseData* Current = nullptr;
};

}  // namespace

REGISTER_LISTENER("stand-in watch", 1, TStandInWatch);
