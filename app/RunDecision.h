// DecideRun: what one run does with what its worker has learnt: reuse, start over, resume, launch or fail; portable.
#pragma once

#include "CString.h"

// What the worker knows at a decision: before the download, and once more after it.
struct RunFacts {
    // The answer named an installer URL, and the data folder has a name the program can use.
    bool bAnswered = false;
    CString strAnswerSign;
    // The signature the data folder's files belong to, from the record.
    CString strStoredSign;
    // The file at the setup path: whether there is one, its MD5 signature and whether its code signature
    // passes (asked only when its MD5 signature is the answer's).
    bool bSetupPresent = false;
    CString strSetupSign;
    bool bSetupTrusted = false;
    // The download has been tried; whether it completed the file.
    bool bDownloaded = false;
    bool bTransferComplete = false;
};

enum class RunStep {
    Launch,    // start the file at the setup path
    Download,  // download into the setup path, then decide again
    Fail,      // launch nothing and tell the user
};

enum class RunFailure {
    None,
    NoSetupInformation,  // no usable answer or data folder: "获取安装信息失败，请稍后再试！"
    NotVerified,         // no file with the answer's signature: "下载安装文件失败，请稍后再试！"
    NotTrusted,          // the right file, but not signed by the expected signer: the download message too
};

struct RunDecision {
    RunStep step;
    // The files on disk belong to another version: delete them, take the answer's signature as the stored one.
    bool bStartOver;
    // Write the record (the stored signature) before the download.
    bool bWriteRecord;
    RunFailure failure;
};

RunDecision DecideRun(const RunFacts& facts);

// Whether the file at the setup path is the installer the answer names: its MD5 signature is the answer's,
// or, when the answer gives none, this run downloaded it whole. Only such a file's code signature is asked.
bool SetupIsTheAnswers(const RunFacts& facts);

// How the shell's start of the verified installer ended. Declining the elevation prompt is the user's choice and
// is not told; any other refusal, a file taken away since it was verified among them, is.
enum class LaunchResult {
    Started,
    Declined,  // the user said no to the elevation prompt (ERROR_CANCELLED)
    Failed,    // "启动安装程序失败，请稍后再试！"
};

// bPresent: the file was still at the setup path; bStarted: the shell started it; dwError: the error the shell
// left when it did not.
LaunchResult JudgeLaunch(bool bPresent, bool bStarted, unsigned long dwError);

// Signatures compare without regard to case, as multibyte strings of code page 936: an ASCII letter matches
// its other case, and a two-byte character (a lead byte from 0x81) only itself.
bool SameSignature(const CString& a, const CString& b);
