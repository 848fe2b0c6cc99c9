// DecideRun row by row: what a run does before its download and after it, for every state of the data folder;
// and which refused launches the user is told of.
#include <gtest/gtest.h>

#include "RunDecision.h"

namespace {

const char kAnswer[] = "0123456789abcdef0123456789abcdef";
const char kOther[] = "fedcba9876543210fedcba9876543210";

RunFacts Answered(const char* answerSign, const char* storedSign)
{
    RunFacts facts;
    facts.bAnswered = true;
    facts.strAnswerSign = answerSign;
    facts.strStoredSign = storedSign;
    return facts;
}

RunFacts WithSetup(RunFacts facts, const char* setupSign, bool trusted = true)
{
    facts.bSetupPresent = true;
    facts.strSetupSign = setupSign;
    facts.bSetupTrusted = trusted && SetupIsTheAnswers(facts);
    return facts;
}

RunFacts Downloaded(RunFacts facts, bool complete)
{
    facts.bDownloaded = true;
    facts.bTransferComplete = complete;
    return facts;
}

void Expect(const RunFacts& facts, RunStep step, bool startOver, bool writeRecord, RunFailure failure)
{
    const RunDecision d = DecideRun(facts);
    EXPECT_EQ(d.step, step);
    EXPECT_EQ(d.bStartOver, startOver);
    EXPECT_EQ(d.bWriteRecord, writeRecord);
    EXPECT_EQ(d.failure, failure);
}

}  // namespace

TEST(RunDecision, WithoutAnAnswerNothingIsTouchedAndTheQueryFailureShown)
{
    RunFacts facts;
    facts.strAnswerSign = kAnswer;
    Expect(facts, RunStep::Fail, false, false, RunFailure::NoSetupInformation);
    // Whatever lies on disk.
    facts.bSetupPresent = true;
    facts.strSetupSign = kAnswer;
    facts.bSetupTrusted = true;
    Expect(facts, RunStep::Fail, false, false, RunFailure::NoSetupInformation);
}

TEST(RunDecision, BeforeTheDownload)
{
    // The answer's installer is there: launched as it is, the record untouched; its case does not matter.
    Expect(WithSetup(Answered(kAnswer, kOther), kAnswer), RunStep::Launch, false, false, RunFailure::None);
    Expect(WithSetup(Answered("0123456789ABCDEF0123456789ABCDEF", ""), kAnswer), RunStep::Launch, false, false,
           RunFailure::None);
    // ... unless its code signature fails: downloading it again would bring the same bytes.
    Expect(WithSetup(Answered(kAnswer, kAnswer), kAnswer, false), RunStep::Fail, false, false,
           RunFailure::NotTrusted);
    // Another file, of the recorded version: kept (the move replaces it), the partial file resumed.
    Expect(WithSetup(Answered(kAnswer, kAnswer), kOther), RunStep::Download, false, true, RunFailure::None);
    Expect(Answered(kAnswer, "0123456789ABCDEF0123456789ABCDEF"), RunStep::Download, false, true, RunFailure::None);
    // Another version's files: thrown away first.
    Expect(WithSetup(Answered(kAnswer, kOther), kOther), RunStep::Download, true, true, RunFailure::None);
    Expect(Answered(kAnswer, kOther), RunStep::Download, true, true, RunFailure::None);
    Expect(Answered(kAnswer, ""), RunStep::Download, true, true, RunFailure::None);
}

TEST(RunDecision, AnAnswerWithoutASignature)
{
    // An old file that can be read has a signature, so it is not the answer's: downloaded again, and files of a
    // recorded version thrown away.
    Expect(WithSetup(Answered("", ""), kOther), RunStep::Download, false, true, RunFailure::None);
    Expect(WithSetup(Answered("", kOther), kOther), RunStep::Download, true, true, RunFailure::None);
    // One that cannot be read has an empty signature and counts as the answer's.
    Expect(WithSetup(Answered("", ""), ""), RunStep::Launch, false, false, RunFailure::None);
    // After the download only a file this run completed is launched; an old one left by a failed transfer is not.
    Expect(WithSetup(Downloaded(Answered("", ""), true), kOther), RunStep::Launch, false, false, RunFailure::None);
    Expect(WithSetup(Downloaded(Answered("", ""), false), kOther), RunStep::Fail, false, false,
           RunFailure::NotVerified);
}

TEST(RunDecision, AfterTheDownload)
{
    Expect(WithSetup(Downloaded(Answered(kAnswer, kAnswer), true), kAnswer), RunStep::Launch, false, false,
           RunFailure::None);
    Expect(WithSetup(Downloaded(Answered(kAnswer, kAnswer), true), kAnswer, false), RunStep::Fail, false, false,
           RunFailure::NotTrusted);
    // A complete transfer of bytes that are not the answer's.
    Expect(WithSetup(Downloaded(Answered(kAnswer, kAnswer), true), kOther), RunStep::Fail, false, false,
           RunFailure::NotVerified);
    // A wrong file of the recorded version stayed because the transfer failed: not launched, never again
    // downloaded in this run.
    Expect(WithSetup(Downloaded(Answered(kAnswer, kAnswer), false), kOther), RunStep::Fail, false, false,
           RunFailure::NotVerified);
    // The file URL refused (404) after the record was written: nothing there.
    Expect(Downloaded(Answered(kAnswer, kAnswer), false), RunStep::Fail, false, false, RunFailure::NotVerified);
    // A transfer that failed after an earlier run left the right file in place cannot happen (it is reused
    // first), but the file would still be the answer's.
    Expect(WithSetup(Downloaded(Answered(kAnswer, kAnswer), false), kAnswer), RunStep::Launch, false, false,
           RunFailure::None);
}

TEST(RunDecision, SignaturesCompareAsMultibyteTextWithoutCase)
{
    EXPECT_TRUE(SameSignature("abcDEF09", "ABCdef09"));
    EXPECT_TRUE(SameSignature("", ""));
    EXPECT_FALSE(SameSignature("abc", "abcd"));
    EXPECT_FALSE(SameSignature("abcd", "abc"));
    EXPECT_FALSE(SameSignature("abc", ""));
    // A two-byte character whose trail byte is a letter matches only itself: "\x81\x41" is not "\x81\x61".
    EXPECT_TRUE(SameSignature("x\x81\x41y", "X\x81\x41Y"));
    EXPECT_FALSE(SameSignature("x\x81\x41y", "x\x81\x61y"));
    // A lead byte at the very end stands alone.
    EXPECT_TRUE(SameSignature("a\x81", "A\x81"));
}

TEST(RunDecision, EveryRefusedLaunchIsToldButADeclinedElevation)
{
    const unsigned long kFileNotFound = 2, kAccessDenied = 5, kBadExeFormat = 193, kCancelled = 1223;
    EXPECT_EQ(JudgeLaunch(true, true, 0), LaunchResult::Started);
    EXPECT_EQ(JudgeLaunch(true, false, kCancelled), LaunchResult::Declined);
    for (unsigned long error : {0ul, kFileNotFound, kAccessDenied, kBadExeFormat})
        EXPECT_EQ(JudgeLaunch(true, false, error), LaunchResult::Failed) << error;
    // Taken away since it was verified (a scanner's quarantine): told, whatever error a last call left.
    EXPECT_EQ(JudgeLaunch(false, false, kCancelled), LaunchResult::Failed);
    EXPECT_EQ(JudgeLaunch(false, false, 0), LaunchResult::Failed);
}
