// DecideRun: the run's decision table, and the signature comparison it rests on.
#include "RunDecision.h"

namespace {

// winerror.h: the operation was cancelled by the user.
const unsigned long kErrorCancelled = 1223;

char Folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameSignature(const CString& a, const CString& b)
{
    const char* p = a;
    const char* q = b;
    while (*p && *q) {
        const bool lead = static_cast<unsigned char>(*p) >= 0x81 && p[1];
        if (lead) {
            if (p[0] != q[0] || p[1] != q[1]) return false;
            p += 2;
            q += 2;
            continue;
        }
        if (Folded(*p) != Folded(*q)) return false;
        ++p;
        ++q;
    }
    return *p == *q;
}

bool SetupIsTheAnswers(const RunFacts& facts)
{
    if (!facts.bSetupPresent) return false;
    if (facts.strAnswerSign.IsEmpty() && facts.bDownloaded) return facts.bTransferComplete;
    return SameSignature(facts.strSetupSign, facts.strAnswerSign);
}

RunDecision DecideRun(const RunFacts& facts)
{
    if (!facts.bAnswered) return {RunStep::Fail, false, false, RunFailure::NoSetupInformation};
    if (SetupIsTheAnswers(facts))
        return facts.bSetupTrusted ? RunDecision{RunStep::Launch, false, false, RunFailure::None}
                                   : RunDecision{RunStep::Fail, false, false, RunFailure::NotTrusted};
    if (facts.bDownloaded) return {RunStep::Fail, false, false, RunFailure::NotVerified};
    // A partial file of the same version is resumed, and a wrong setup file replaced by the move; files of
    // another version go first.
    return {RunStep::Download, !SameSignature(facts.strStoredSign, facts.strAnswerSign), true, RunFailure::None};
}

LaunchResult JudgeLaunch(bool bPresent, bool bStarted, unsigned long dwError)
{
    if (bPresent && bStarted) return LaunchResult::Started;
    if (bPresent && dwError == kErrorCancelled) return LaunchResult::Declined;
    return LaunchResult::Failed;
}
