// The test programs' own guard: a program that ends itself in the middle of a test, by the
// wizard's own end of the program or any other way, fails the run instead of passing with the
// tests it never ran; so does a test that leaves a stand-in behind or lets a message go unseen.
#include "WizardHarness.h"

#include <doctest.h>

#include <cstdlib>

namespace {

struct TRun {
    DWORD ExitCode = 0;
    std::string Output;
};

// This test program run again with arguments, its output collected in a file.
TRun RunThisProgram(const std::string& arguments)
{
    TScratchFolder scratch;
    const std::string outputPath = (scratch / "output.txt").string();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(output != INVALID_HANDLE_VALUE);
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine = "\"";
    commandLine.append(program).append("\" ").append(arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(output);
    REQUIRE(started);
    CHECK(WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0);
    TRun run;
    GetExitCodeProcess(process.hProcess, &run.ExitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::vector<std::uint8_t> bytes = ReadBytes(outputPath);
    run.Output.assign(bytes.begin(), bytes.end());
    return run;
}

}  // namespace

TEST_SUITE("test program guard") {

TEST_CASE("a test program that ends in the middle of a test, or leaves the wizard's harness unsound, fails")
{
    // Each of these cases is skipped unless asked for by name; each runs in a program of its own.
    struct TEnd {
        const char* Case;
        const char* Says;  // what the run prints
        bool Fails;
    };
    const TEnd ends[] = {
        {"ending by the wizard's own end of the program", "CRASH GUARD: the program ended before", true},
        {"ending by exit", "CRASH GUARD: the program ended before", true},
        {"ending by ExitProcess", "CRASH GUARD: the program ended before", true},
        {"leaving a stand-in in place", "CRASH GUARD: the test \"leaving a stand-in in place\" left a stand-in", true},
        {"an error display no test looked at", "the general error display showed \"not looked at\"", true},
        {"a message no test looked at", "the information box showed \"not looked at either\"", true},
        {"ending by returning", "test cases: 1 | 1 passed", false},
    };
    for (const TEnd& end : ends) {
        const std::string name = end.Case;
        CAPTURE(name);
        const TRun run = RunThisProgram("--no-skip \"--test-case=" + name + "\"");
        CHECK(run.Output.find(end.Says) != std::string::npos);
        CHECK((run.ExitCode != 0) == end.Fails);
    }
}

TEST_CASE("ending by the wizard's own end of the program" * doctest::skip())
{
    Tfrm_Main::TerminateProgram();
}

TEST_CASE("ending by exit" * doctest::skip())
{
    std::exit(0);
}

TEST_CASE("ending by ExitProcess" * doctest::skip())
{
    ExitProcess(0);
}

TEST_CASE("leaving a stand-in in place" * doctest::skip())
{
    Tfrm_Main::InformationBox = [](const std::string&) {};
}

TEST_CASE("an error display no test looked at" * doctest::skip())
{
    TWizard wizard;
    Application->HandleException(Exception("not looked at"));
}

TEST_CASE("a message no test looked at" * doctest::skip())
{
    TWizard wizard;
    CHECK(wizard.Messages.empty());
    Tfrm_Main::InformationBox("not looked at either");
}

TEST_CASE("ending by returning" * doctest::skip())
{
    TWizard wizard;
    Tfrm_Main::InformationBox("looked at");
    CHECK(wizard.Messages == std::vector<std::string>{"looked at"});
}

}  // TEST_SUITE
