// The fault-injection hooks the tests arm, per thread.
#include <htmlfile/platform/File.h>
#include <htmlfile/platform/FileSystem.h>

namespace htmlfile_testing {
namespace {
thread_local int t_failRead = 0;
thread_local int t_failWrite = 0;
thread_local unsigned t_failSteps = 0;
thread_local bool t_skipFlushes = false;

void Count(int& counter, const wchar_t* pszFileName)
{
    if (counter > 0 && --counter == 0)
        throw CFileException(CFileException::hardIO, htmlfile_platform::kIoError, pszFileName);
}
} // namespace

void FailNthRead(int n) noexcept { t_failRead = n > 0 ? n : 0; }
void FailNthWrite(int n) noexcept { t_failWrite = n > 0 ? n : 0; }
void ResetFaults() noexcept { t_failRead = t_failWrite = 0, t_failSteps = 0; }
void SkipFlushes(bool bSkip) noexcept { t_skipFlushes = bSkip; }
bool FlushesSkipped() noexcept { return t_skipFlushes; }
void FailStep(SaveStep step) noexcept { t_failSteps |= 1u << static_cast<unsigned>(step); }
bool StepFails(SaveStep step) noexcept
{
    const unsigned bit = 1u << static_cast<unsigned>(step);
    const bool bFails = (t_failSteps & bit) != 0;
    t_failSteps &= ~bit;
    return bFails;
}
void CountRead(const wchar_t* pszFileName) { Count(t_failRead, pszFileName); }
void CountWrite(const wchar_t* pszFileName) { Count(t_failWrite, pszFileName); }
} // namespace htmlfile_testing
